#include "engine/byte_source.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "engine/file_io.h"

#ifdef _WIN32
#include <io.h>
#include <share.h>
#else
#include <unistd.h>
#endif

namespace tabulora {
namespace {

constexpr size_t kLargestRead = 1u << 30;

void CloseDescriptor(int fd) {
#ifdef _WIN32
    _close(fd);
#else
    close(fd);
#endif
}

class DescriptorSource final : public ByteSource {
public:
    DescriptorSource(int fd, bool owned, uint64_t size) : fd_(fd), owned_(owned), size_(size) {}
    ~DescriptorSource() override {
        if (owned_) CloseDescriptor(fd_);
    }

    FileResult Read(char* buffer, size_t size, size_t& got) override {
        if (size > kLargestRead) size = kLargestRead;
        for (;;) {
#ifdef _WIN32
            const int result = _read(fd_, buffer, static_cast<unsigned>(size));
#else
            const ssize_t result = read(fd_, buffer, size);
#endif
            if (result >= 0) {
                got = static_cast<size_t>(result);
                return {};
            }
            if (errno != EINTR) return FileResult::Failure(std::strerror(errno));
        }
    }

    uint64_t SizeHint() const override { return size_; }

private:
    int fd_;
    bool owned_;
    uint64_t size_;
};

class BytesSource final : public ByteSource {
public:
    explicit BytesSource(std::string_view bytes) : rest_(bytes), size_(bytes.size()) {}
    FileResult Read(char* buffer, size_t size, size_t& got) override {
        got = size < rest_.size() ? size : rest_.size();
        std::memcpy(buffer, rest_.data(), got);
        rest_.remove_prefix(got);
        return {};
    }
    uint64_t SizeHint() const override { return size_; }

private:
    std::string_view rest_;
    uint64_t size_;
};

}  // namespace

FileResult OpenFileSource(const std::string& utf8Path, std::unique_ptr<ByteSource>& source) {
    const std::filesystem::path path = NativePath(utf8Path);
#ifdef _WIN32
    int fd = -1;
    if (_wsopen_s(&fd, path.c_str(), _O_RDONLY | _O_BINARY, _SH_DENYWR, 0) != 0) fd = -1;
    struct _stat64 info;
    const bool statOk = fd >= 0 && _fstat64(fd, &info) == 0;
    const bool folder = statOk && (info.st_mode & _S_IFDIR);
#else
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat info;
    const bool statOk = fd >= 0 && fstat(fd, &info) == 0;
    const bool folder = statOk && S_ISDIR(info.st_mode);
#endif
    if (fd < 0 || !statOk || folder) {
        FileResult failure = FileResult::Failure(std::strerror(folder ? EISDIR : errno));
        if (fd >= 0) CloseDescriptor(fd);
        return failure;
    }
    const bool regular = (info.st_mode & S_IFMT) == S_IFREG;
    source = std::make_unique<DescriptorSource>(fd, true, regular ? static_cast<uint64_t>(info.st_size) : 0);
    return {};
}

std::unique_ptr<ByteSource> OpenStandardInput() {
#ifdef _WIN32
    _setmode(0, _O_BINARY);
#endif
    return std::make_unique<DescriptorSource>(0, false, 0);
}

std::unique_ptr<ByteSource> MemorySource(std::string_view bytes) { return std::make_unique<BytesSource>(bytes); }

}  // namespace tabulora
