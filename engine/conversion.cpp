#include "engine/conversion.h"

#include "engine/file_io.h"
#include "engine/json_reformat.h"
#include "engine/record_table.h"

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

std::string CsvSeparatorFromCaption(std::string_view caption) {
    return caption == "\\t" ? std::string("\t") : std::string(caption);
}

JsonToCsvConverter::JsonToCsvConverter(const CsvOptions& options)
    : builder_(std::make_unique<RecordTableBuilder>(options.separator, options.includeHeader)) {}

JsonToCsvConverter::~JsonToCsvConverter() = default;

// Each file's last line ends with the file, as when the files' layouts are joined by line breaks.
void JsonToCsvConverter::AddJsonText(std::string_view utf8Json) { ReformatAllValues(utf8Json, *builder_); }

CsvDocument JsonToCsvConverter::Finish() { return builder_->Finish(); }

CsvDocument BuildCsvFromReformatted(std::string_view reformatted, const CsvOptions& options) {
    RecordTableBuilder builder(options.separator, options.includeHeader);
    LineSplitter lines(builder);
    lines.Write(reformatted.data(), reformatted.size());
    lines.Finish();
    return builder.Finish();
}

void ConvertToCsvFile(std::string_view reformatted, const std::string& path, const CsvOptions& options,
                      TextEncoding encoding, const AnsiCodec& ansi) {
    WriteCsvFile(BuildCsvFromReformatted(reformatted, options), path, encoding, ansi);
}

std::string UniqueFileName(const std::string& path) {
    if (!IsExistingFile(path)) return path;
    const PathParts parts = SplitPath(path);
    for (unsigned long n = 2;; ++n) {
        std::string candidate = parts.folder + parts.base + " (" + std::to_string(n) + ")" + parts.extension;
        if (!IsExistingFile(candidate)) return candidate;
    }
}

std::string CsvNameInFolder(const std::string& folder, const std::string& inputPath) {
    std::string name = folder;
#ifdef _WIN32
    if (!name.empty() && name.back() != '\\' && name.back() != '/') name += '\\';
#else
    if (!name.empty() && name.back() != '/') name += '/';
#endif
    return name + SplitPath(inputPath).base + ".csv";
}

}  // namespace tabulora
