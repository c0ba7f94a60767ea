#include "engine/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <system_error>

#include "engine/file_error.h"
#include "engine/memory_hint.h"

#ifdef _WIN32
#include <io.h>
#include <process.h>
#include <share.h>
#else
#include <unistd.h>
#endif

namespace tabulora {
namespace {

constexpr size_t kWriteBuffer = 1 << 20;

std::string ErrnoText(int error) { return std::strerror(error); }

#ifdef _WIN32
FILE* OpenForReading(const std::filesystem::path& path) { return _wfsopen(path.c_str(), L"rb", _SH_DENYWR); }
int CreateExclusive(const std::filesystem::path& path) {
    return _wopen(path.c_str(), _O_CREAT | _O_EXCL | _O_WRONLY | _O_BINARY, _S_IREAD | _S_IWRITE);
}
int WriteSome(int fd, const char* data, size_t size) {
    return _write(fd, data, static_cast<unsigned>(size < (1u << 30) ? size : (1u << 30)));
}
int CloseFile(int fd) { return _close(fd); }
int ProcessId() { return _getpid(); }
#else
FILE* OpenForReading(const std::filesystem::path& path) { return std::fopen(path.c_str(), "rb"); }
int CreateExclusive(const std::filesystem::path& path) {
    return open(path.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0666);
}
int WriteSome(int fd, const char* data, size_t size) {
    return static_cast<int>(write(fd, data, size < (1u << 30) ? size : (1u << 30)));
}
int CloseFile(int fd) { return close(fd); }
int ProcessId() { return getpid(); }
#endif

}  // namespace

std::filesystem::path NativePath(const std::string& utf8Path) {
    return std::filesystem::path(
        std::u8string_view(reinterpret_cast<const char8_t*>(utf8Path.data()), utf8Path.size()));
}

bool IsExistingFile(const std::string& utf8Path) {
    std::error_code error;
    return std::filesystem::is_regular_file(NativePath(utf8Path), error);
}

FileBytes ReadWholeFile(const std::string& utf8Path) {
    FileBytes result;
    FILE* file = OpenForReading(NativePath(utf8Path));
    if (!file) {
        result.error = ErrnoText(errno);
        return result;
    }
    std::error_code sizeError;
    const auto expected = std::filesystem::file_size(NativePath(utf8Path), sizeError);
    std::string bytes;
    if (!sizeError && expected > 0) {
        bytes.reserve(static_cast<size_t>(expected));
        PreferHugePages(bytes.data(), bytes.capacity());
        bytes.resize(static_cast<size_t>(expected));
        bytes.resize(std::fread(bytes.data(), 1, bytes.size(), file));
    }
    // Whatever the size said, read on to the end: the file may have grown meanwhile.
    char chunk[1 << 16];
    for (size_t got; (got = std::fread(chunk, 1, sizeof chunk, file)) > 0;) bytes.append(chunk, got);
    const bool failed = std::ferror(file);
    const int error = errno;
    std::fclose(file);
    if (failed) {
        result.error = ErrnoText(error ? error : EIO);
        return result;
    }
    result.ok = true;
    result.bytes = std::move(bytes);
    return result;
}

AtomicFileWriter::AtomicFileWriter(std::string targetPath) : target_(std::move(targetPath)) {
    const std::filesystem::path target = NativePath(target_);
    static unsigned counter = 0;
    for (int attempt = 0; fd_ < 0; ++attempt) {
        std::filesystem::path temp = target;
        temp += "." + std::to_string(ProcessId()) + "-" + std::to_string(++counter) + ".tmp";
        fd_ = CreateExclusive(temp);
        if (fd_ >= 0) {
            temp_ = std::move(temp);
        } else if (errno != EEXIST || attempt > 100) {
            Fail(ErrnoText(errno));
        }
    }
    buffer_.reserve(kWriteBuffer);
}

AtomicFileWriter::~AtomicFileWriter() { Discard(); }

void AtomicFileWriter::Write(std::string_view bytes) {
    if (buffer_.size() + bytes.size() <= kWriteBuffer) {
        buffer_.append(bytes);
        return;
    }
    WriteThrough(buffer_.data(), buffer_.size());
    buffer_.clear();
    if (bytes.size() >= kWriteBuffer)
        WriteThrough(bytes.data(), bytes.size());
    else
        buffer_.append(bytes);
}

void AtomicFileWriter::WriteThrough(const char* data, size_t size) {
    while (size > 0) {
        const int written = WriteSome(fd_, data, size);
        if (written <= 0) Fail(ErrnoText(written < 0 ? errno : ENOSPC));
        data += written;
        size -= static_cast<size_t>(written);
    }
}

void AtomicFileWriter::Commit() {
    WriteThrough(buffer_.data(), buffer_.size());
    buffer_.clear();
    const int fd = fd_;
    fd_ = -1;
    if (CloseFile(fd) != 0) Fail(ErrnoText(errno));
    std::error_code error;
    std::filesystem::rename(temp_, NativePath(target_), error);
    if (error) Fail(error.message());
    temp_.clear();
}

void AtomicFileWriter::Fail(const std::string& reason) {
    Discard();
    throw FileError("Cannot create file \"" + target_ + "\". " + reason);
}

void AtomicFileWriter::Discard() {
    if (fd_ >= 0) CloseFile(fd_);
    fd_ = -1;
    if (!temp_.empty()) {
        std::error_code ignored;
        std::filesystem::remove(temp_, ignored);
        temp_.clear();
    }
}

}  // namespace tabulora
