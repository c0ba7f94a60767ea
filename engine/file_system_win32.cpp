#define _CRT_RAND_S
#include <windows.h>
#include <stdlib.h>

#include <algorithm>
#include <cstdio>

#include "engine/file_system.h"
#include "engine/system_error_text.h"
#include "engine/utf.h"

namespace tabulora::file_system {
namespace {

constexpr DWORD kLargestTransfer = 1u << 30;

// A failure with the system's text for a Win32 error code, or the code when there is none.
FileResult Failure(DWORD code) {
    std::string text = SystemErrorText(code);
    return FileResult::Failure(text.empty() ? "Error " + std::to_string(code) + "." : text);
}

HANDLE SystemHandle(Handle file) { return reinterpret_cast<HANDLE>(file); }

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

FileResult Create(const std::string& path, DWORD sharing, DWORD flags, Handle& file) {
    const std::wstring wide = SystemPath(path);
    const DWORD access = GENERIC_READ | GENERIC_WRITE;
    const HANDLE handle = CreateFileW(wide.c_str(), access, sharing, nullptr, CREATE_NEW, flags, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return Failure(GetLastError());
    file = reinterpret_cast<Handle>(handle);
    return {};
}

}  // namespace

FileResult CreateNew(const std::string& path, Handle& file) {
    return Create(path, FILE_SHARE_READ, FILE_ATTRIBUTE_NORMAL, file);
}

FileResult CreateHidden(const std::string& path, Handle& file) {
    return Create(path, 0, FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, file);
}

// Windows has no unnamed files: the file gets its name at once but is marked to be deleted when
// its last handle goes, which the system does even when the process is killed. Naming it clears
// the mark.
FileResult CreateUnnamed(const std::string& path, Handle& file, bool& named) {
    const HANDLE handle = CreateFileW(SystemPath(path).c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, FILE_SHARE_READ,
                                      nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return Failure(GetLastError());
    file = reinterpret_cast<Handle>(handle);
    FILE_DISPOSITION_INFO disposition = {TRUE};
    named = !SetFileInformationByHandle(handle, FileDispositionInfo, &disposition, sizeof disposition);
    return {};
}

FileResult GiveName(Handle file, const std::string&) {
    FILE_DISPOSITION_INFO disposition = {FALSE};
    if (!SetFileInformationByHandle(SystemHandle(file), FileDispositionInfo, &disposition, sizeof disposition))
        return Failure(GetLastError());
    return {};
}

FileResult WriteAll(Handle file, std::string_view bytes) {
    while (!bytes.empty()) {
        DWORD written = 0;
        const DWORD size = static_cast<DWORD>(std::min<size_t>(bytes.size(), kLargestTransfer));
        if (!WriteFile(SystemHandle(file), bytes.data(), size, &written, nullptr)) return Failure(GetLastError());
        if (written == 0) return Failure(ERROR_DISK_FULL);
        bytes.remove_prefix(written);
    }
    return {};
}

FileResult ReadAt(Handle file, uint64_t offset, char* buffer, size_t size, size_t& got) {
    OVERLAPPED at = {};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    const DWORD wanted = static_cast<DWORD>(std::min<size_t>(size, kLargestTransfer));
    DWORD read = 0;
    if (!ReadFile(SystemHandle(file), buffer, wanted, &read, &at)) {
        const DWORD code = GetLastError();
        if (code != ERROR_HANDLE_EOF) return Failure(code);
        read = 0;
    }
    got = read;
    return {};
}

FileResult Truncate(Handle file, uint64_t size) {
    LARGE_INTEGER position;
    position.QuadPart = static_cast<LONGLONG>(size);
    if (!SetFilePointerEx(SystemHandle(file), position, nullptr, FILE_BEGIN) || !SetEndOfFile(SystemHandle(file)))
        return Failure(GetLastError());
    return {};
}

FileResult Close(Handle file) {
    if (!CloseHandle(SystemHandle(file))) return Failure(GetLastError());
    return {};
}

FileResult FlushToDisk(Handle file) {
    if (!FlushFileBuffers(SystemHandle(file))) return Failure(GetLastError());
    return {};
}

FileResult FlushFileAt(const std::string& path) {
    const HANDLE file = CreateFileW(SystemPath(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return Failure(GetLastError());
    FileResult flushed = FlushToDisk(reinterpret_cast<Handle>(file));
    CloseHandle(file);
    return flushed;
}

void FlushFolderOf(const std::string&) {}

bool SameFile(const std::string& a, const std::string& b) {
    auto identity = [](const std::string& path, BY_HANDLE_FILE_INFORMATION& info) {
        // No access asked: only the file's identity is read, whoever holds it open.
        const HANDLE file = CreateFileW(SystemPath(path).c_str(), 0,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                        FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (file == INVALID_HANDLE_VALUE) return false;
        const BOOL got = GetFileInformationByHandle(file, &info);
        CloseHandle(file);
        return got != FALSE;
    };
    BY_HANDLE_FILE_INFORMATION first, second;
    return identity(a, first) && identity(b, second) && first.dwVolumeSerialNumber == second.dwVolumeSerialNumber &&
           first.nFileIndexHigh == second.nFileIndexHigh && first.nFileIndexLow == second.nFileIndexLow;
}

FileResult CheckReplaceable(const std::string& path) {
    const std::wstring wide = SystemPath(path);
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return {};  // a new file
    if (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) return Failure(ERROR_ACCESS_DENIED);
    // Opening it for writing, sharing everything, fails when another program holds it open
    // without sharing or the user may not write it.
    HANDLE file = CreateFileW(wide.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return Failure(GetLastError());
    CloseHandle(file);
    return {};
}

std::string TempPathBeside(const std::string& path, uint32_t number) {
    char name[32];
    std::snprintf(name, sizeof name, "~tabulora-%08x.tmp", number);
    return WideToUtf8(SystemPath(Folder(path) + name));
}

FileResult MoveReplacing(const std::string& from, const std::string& to) {
    const std::wstring source = SystemPath(from), target = SystemPath(to);
    // ReplaceFileW keeps the replaced file's attributes and access rights.
    const BOOL moved = Exists(target) ? ReplaceFileW(target.c_str(), source.c_str(), nullptr,
                                                     REPLACEFILE_IGNORE_MERGE_ERRORS | REPLACEFILE_IGNORE_ACL_ERRORS,
                                                     nullptr, nullptr)
                                      : MoveFileExW(source.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING);
    if (!moved) return Failure(GetLastError());
    return {};
}

FileResult MoveToFreeName(const std::string& from, const std::string& to, bool& nameTaken) {
    const std::wstring source = SystemPath(from), target = SystemPath(to);
    nameTaken = false;
    if (MoveFileExW(source.c_str(), target.c_str(), 0)) return {};
    const DWORD code = GetLastError();
    nameTaken = code == ERROR_ALREADY_EXISTS || code == ERROR_FILE_EXISTS || Exists(target);
    if (nameTaken) return {};
    return Failure(code);
}

uint32_t RandomNumber() {
    unsigned int number = 0;
    if (rand_s(&number) == 0) return number;
    return GetTickCount() ^ GetCurrentProcessId() * 2654435761u;
}

}  // namespace tabulora::file_system
