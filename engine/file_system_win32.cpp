#include <windows.h>

#include <cstdio>

#include "engine/file_system.h"
#include "engine/system_error_text.h"
#include "engine/utf.h"

namespace tabulora::file_system {
namespace {

// The system's text for a Win32 error code, or the code itself when there is none.
std::string ErrorText(DWORD code) {
    std::string text = SystemErrorText(code);
    return text.empty() ? "Error " + std::to_string(code) + "." : text;
}

// Paths of MAX_PATH characters or more reach the system in their long form ("\\?\C:\..."), which
// has no such limit.
std::wstring SystemPath(const std::string& path) {
    std::wstring wide = Utf8ToWide(path);
    if (wide.size() < MAX_PATH || wide.rfind(L"\\\\?\\", 0) == 0) return wide;
    const DWORD length = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    if (length == 0) return wide;
    std::wstring full(length, L'\0');
    full.resize(GetFullPathNameW(wide.c_str(), length, full.data(), nullptr));
    if (full.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + full.substr(2);
    return L"\\\\?\\" + full;
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string Folder(const std::string& path) {
    const size_t slash = path.find_last_of("\\/:");
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

}  // namespace

std::string ReplaceProblem(const std::string& path) {
    const std::wstring wide = SystemPath(path);
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return {};   // a new file
    if (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) return ErrorText(ERROR_ACCESS_DENIED);
    // Opening it for writing, sharing everything, fails when another program holds it open
    // without sharing or the user may not write it.
    HANDLE file = CreateFileW(wide.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return ErrorText(GetLastError());
    CloseHandle(file);
    return {};
}

std::string TempPathBeside(const std::string& path, uint32_t number) {
    char name[32];
    std::snprintf(name, sizeof name, "~tabulora-%08x.tmp", number);
    return WideToUtf8(SystemPath(Folder(path) + name));
}

std::string MoveReplacing(const std::string& from, const std::string& to) {
    const std::wstring source = SystemPath(from), target = SystemPath(to);
    // ReplaceFileW keeps the replaced file's attributes and access rights.
    const BOOL moved = Exists(target) ? ReplaceFileW(target.c_str(), source.c_str(), nullptr,
                                                     REPLACEFILE_IGNORE_MERGE_ERRORS | REPLACEFILE_IGNORE_ACL_ERRORS,
                                                     nullptr, nullptr)
                                      : MoveFileExW(source.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING);
    return moved ? std::string() : ErrorText(GetLastError());
}

MoveResult MoveToFreeName(const std::string& from, const std::string& to, std::string& error) {
    const std::wstring source = SystemPath(from), target = SystemPath(to);
    if (MoveFileExW(source.c_str(), target.c_str(), 0)) return MoveResult::Moved;
    const DWORD code = GetLastError();
    if (code == ERROR_ALREADY_EXISTS || code == ERROR_FILE_EXISTS || Exists(target)) return MoveResult::NameTaken;
    error = ErrorText(code);
    return MoveResult::Failed;
}

uint32_t ProcessNumber() { return static_cast<uint32_t>(GetCurrentProcessId()); }

}  // namespace tabulora::file_system
