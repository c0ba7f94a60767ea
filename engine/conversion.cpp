#include "engine/conversion.h"

#include "engine/file_io.h"

namespace tabulora {
namespace {

// Splits a path into folder (with its trailing separator), base name and last extension.
struct PathParts {
    std::string folder, base, extension;
};

bool IsPathSeparator(char c) {
#ifdef _WIN32
    return c == '\\' || c == '/' || c == ':';
#else
    return c == '/';
#endif
}

PathParts SplitPath(const std::string& path) {
    size_t nameStart = path.size();
    while (nameStart > 0 && !IsPathSeparator(path[nameStart - 1])) --nameStart;
    const std::string name = path.substr(nameStart);
    const size_t dot = name.rfind('.');
    PathParts parts;
    parts.folder = path.substr(0, nameStart);
    parts.base = dot == std::string::npos ? name : name.substr(0, dot);
    parts.extension = dot == std::string::npos ? std::string() : name.substr(dot);
    return parts;
}

}  // namespace

std::string UniqueFileName(const std::string& path) {
    if (!IsNameTaken(path)) return path;
    const PathParts parts = SplitPath(path);
    for (unsigned long n = 2;; ++n) {
        std::string candidate = parts.folder + parts.base + " (" + std::to_string(n) + ")" + parts.extension;
        if (!IsNameTaken(candidate)) return candidate;
    }
}

std::string CsvNameInFolder(const std::string& folder, const std::string& inputPath, const std::string& extension) {
    std::string name = folder;
#ifdef _WIN32
    if (!name.empty() && name.back() != '\\' && name.back() != '/') name += '\\';
#else
    if (!name.empty() && name.back() != '/') name += '/';
#endif
    return name + SplitPath(inputPath).base + extension;
}

}  // namespace tabulora
