#include "engine/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <system_error>

#include "engine/file_error.h"
#include "engine/file_system.h"

#ifdef _WIN32
#include <io.h>
#include <share.h>
#else
#include <unistd.h>
#endif

namespace tabulora {
namespace {

constexpr size_t kLargestWrite = 1u << 30;

std::string ErrnoText(int error) { return std::strerror(error); }

std::string ToUtf8(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

#ifdef _WIN32
int CreateNew(const std::filesystem::path& path) {
    int fd = -1;
    if (_wsopen_s(&fd, path.c_str(), _O_CREAT | _O_EXCL | _O_RDWR | _O_BINARY, _SH_DENYWR, _S_IREAD | _S_IWRITE) != 0)
        return -1;
    return fd;
}
int CreateTemporary(const std::filesystem::path& path) {
    int fd = -1;
    const int flags = _O_CREAT | _O_EXCL | _O_RDWR | _O_BINARY | _O_TEMPORARY | _O_SHORT_LIVED;
    if (_wsopen_s(&fd, path.c_str(), flags, _SH_DENYRW, _S_IREAD | _S_IWRITE) != 0) return -1;
    return fd;
}
int WriteSome(int fd, const char* data, size_t size) { return _write(fd, data, static_cast<unsigned>(size)); }
int ReadSomeAt(int fd, uint64_t offset, char* buffer, size_t size) {
    if (_lseeki64(fd, static_cast<__int64>(offset), SEEK_SET) < 0) return -1;
    return _read(fd, buffer, static_cast<unsigned>(size));
}
bool SetSize(int fd, uint64_t size) {
    return _chsize_s(fd, static_cast<__int64>(size)) == 0 && _lseeki64(fd, static_cast<__int64>(size), SEEK_SET) >= 0;
}
int CloseFile(int fd) { return _close(fd); }
#else
int CreateNew(const std::filesystem::path& path) { return open(path.c_str(), O_CREAT | O_EXCL | O_RDWR | O_CLOEXEC, 0666); }
int CreateTemporary(const std::filesystem::path& path) { return CreateNew(path); }
ssize_t WriteSome(int fd, const char* data, size_t size) { return write(fd, data, size); }
ssize_t ReadSomeAt(int fd, uint64_t offset, char* buffer, size_t size) {
    return pread(fd, buffer, size, static_cast<off_t>(offset));
}
bool SetSize(int fd, uint64_t size) {
    return ftruncate(fd, static_cast<off_t>(size)) == 0 && lseek(fd, static_cast<off_t>(size), SEEK_SET) >= 0;
}
int CloseFile(int fd) { return close(fd); }
#endif

uint32_t NextTempNumber() {
    static std::atomic<uint32_t> counter{0};
    return file_system::ProcessNumber() * 2654435761u + ++counter;
}

}  // namespace

std::filesystem::path NativePath(const std::string& utf8Path) {
    return std::filesystem::path(
        std::u8string_view(reinterpret_cast<const char8_t*>(utf8Path.data()), utf8Path.size()));
}

bool IsNameTaken(const std::string& utf8Path) {
    std::error_code error;
    const auto status = std::filesystem::symlink_status(NativePath(utf8Path), error);
    // A name that cannot be looked at counts as free: writing to it then says what is wrong.
    return !error && status.type() != std::filesystem::file_type::not_found;
}

std::string FollowLinks(const std::string& utf8Path) {
    std::filesystem::path path = NativePath(utf8Path);
    for (int hop = 0; hop < 40; ++hop) {
        std::error_code error;
        if (!std::filesystem::is_symlink(path, error)) break;
        const std::filesystem::path link = std::filesystem::read_symlink(path, error);
        if (error) break;
        path = link.is_absolute() ? link : path.parent_path() / link;
    }
    return ToUtf8(path);
}

ScratchFile::~ScratchFile() { Remove(); }

bool ScratchFile::Create(const std::string& path, std::string& error) {
    fd_ = CreateNew(NativePath(path));
    if (fd_ < 0) {
        error = ErrnoText(errno);
        return false;
    }
    path_ = path;
    size_ = 0;
    return true;
}

bool ScratchFile::CreateAnonymous(std::string& error) {
    std::error_code folderError;
    const std::filesystem::path folder = std::filesystem::temp_directory_path(folderError);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string path = file_system::TempPathBeside(ToUtf8(folder / "x"), NextTempNumber());
        fd_ = CreateTemporary(NativePath(path));
        if (fd_ >= 0) {
#ifndef _WIN32
            unlink(path.c_str());   // gone already; the open descriptor keeps it alive
#endif
            size_ = 0;
            return true;
        }
        if (errno != EEXIST) break;
    }
    error = ErrnoText(errno);
    return false;
}

bool ScratchFile::Write(const char* data, size_t size, std::string& error) {
    while (size > 0) {
        const auto written = WriteSome(fd_, data, size < kLargestWrite ? size : kLargestWrite);
        if (written <= 0) {
            if (written < 0 && errno == EINTR) continue;
            error = ErrnoText(written < 0 ? errno : ENOSPC);
            return false;
        }
        data += written;
        size -= static_cast<size_t>(written);
        size_ += static_cast<uint64_t>(written);
    }
    return true;
}

bool ScratchFile::ReadAt(uint64_t offset, char* buffer, size_t size, size_t& got, std::string& error) {
    const auto result = ReadSomeAt(fd_, offset, buffer, size < kLargestWrite ? size : kLargestWrite);
    if (result < 0) {
        error = ErrnoText(errno);
        return false;
    }
    got = static_cast<size_t>(result);
    return true;
}

bool ScratchFile::Truncate(uint64_t size, std::string& error) {
    if (!SetSize(fd_, size)) {
        error = ErrnoText(errno);
        return false;
    }
    size_ = size;
    return true;
}

bool ScratchFile::Close(std::string& error) {
    if (fd_ < 0) return true;
    const int fd = fd_;
    fd_ = -1;
    if (CloseFile(fd) != 0) {
        error = ErrnoText(errno);
        return false;
    }
    return true;
}

bool ScratchFile::Keep(std::string& error) {
    if (!Close(error)) return false;
    path_.clear();
    return true;
}

void ScratchFile::Remove() {
    std::string ignored;
    Close(ignored);
    if (!path_.empty()) {
        std::error_code error;
        std::filesystem::remove(NativePath(path_), error);
        path_.clear();
    }
}

OutputFile::OutputFile(std::string target) : target_(std::move(target)), resolved_(FollowLinks(target_)) {
    const std::string problem = file_system::ReplaceProblem(resolved_);
    if (!problem.empty()) Fail(problem);
    std::string error;
    for (int attempt = 0;; ++attempt) {
        const std::string path = file_system::TempPathBeside(resolved_, NextTempNumber());
        if (temp_.Create(path, error)) break;
        if (!IsNameTaken(path) || attempt == 100) Fail(error);   // only a taken name is worth another try
    }
}

void OutputFile::Fail(const std::string& reason) {
    temp_.Remove();
    throw FileError("Cannot create file \"" + target_ + "\". " + reason);
}

void OutputFile::Write(std::string_view bytes) {
    std::string error;
    if (!temp_.Write(bytes.data(), bytes.size(), error)) Fail(error);
}

size_t OutputFile::ReadAt(uint64_t offset, char* buffer, size_t size) {
    std::string error;
    size_t got = 0;
    if (!temp_.ReadAt(offset, buffer, size, got, error)) Fail(error);
    return got;
}

void OutputFile::CommitReplacing() {
    std::string error;
    const std::string temp = temp_.Path();
    if (!temp_.Keep(error)) Fail(error);
    error = file_system::MoveReplacing(temp, resolved_);
    if (!error.empty()) {
        std::error_code ignored;
        std::filesystem::remove(NativePath(temp), ignored);
        Fail(error);
    }
}

std::string OutputFile::CommitAsNew(const std::function<std::string()>& nextName) {
    std::string error;
    const std::string temp = temp_.Path();
    if (!temp_.Keep(error)) Fail(error);
    for (std::string name = resolved_;; name = nextName()) {
        switch (file_system::MoveToFreeName(temp, name, error)) {
            case file_system::MoveResult::Moved: return name;
            case file_system::MoveResult::NameTaken: continue;
            case file_system::MoveResult::Failed: {
                std::error_code ignored;
                std::filesystem::remove(NativePath(temp), ignored);
                target_ = name;
                Fail(error);
            }
        }
    }
}

}  // namespace tabulora
