#include "app/command_line.h"

#include <windows.h>
#include <shellapi.h>

namespace tabulora {
namespace {

std::wstring FullPath(const wchar_t* path) {
    const DWORD size = GetFullPathNameW(path, 0, nullptr, nullptr);
    if (size == 0) return path;
    std::wstring full(size, L'\0');
    const DWORD length = GetFullPathNameW(path, size, full.data(), nullptr);
    if (length == 0 || length >= size) return path;
    full.resize(length);
    return full;
}

}  // namespace

std::vector<std::wstring> FilesOnCommandLine(const wchar_t* commandLine) {
    int count = 0;
    wchar_t** arguments = CommandLineToArgvW(commandLine, &count);
    std::vector<std::wstring> files;
    if (!arguments) return files;
    for (int i = 1; i < count; ++i) {
        if (arguments[i][0] != L'\0') files.push_back(FullPath(arguments[i]));
    }
    LocalFree(arguments);
    return files;
}

}  // namespace tabulora
