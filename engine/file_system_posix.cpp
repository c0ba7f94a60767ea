#include <fcntl.h>
#include <stdio.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "engine/file_system.h"

namespace tabulora::file_system {
namespace {

constexpr size_t kLargestTransfer = 1u << 30;

FileResult Failure(int error) { return FileResult::Failure(std::strerror(error)); }

std::string Folder(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

int Descriptor(Handle file) { return static_cast<int>(file); }

}  // namespace

FileResult CreateNew(const std::string& path, Handle& file) {
    const int fd = open(path.c_str(), O_CREAT | O_EXCL | O_RDWR | O_CLOEXEC, 0666);
    if (fd < 0) return Failure(errno);
    file = fd;
    return {};
}

FileResult CreateHidden(const std::string& path, Handle& file) {
    bool named = false;
    FileResult created = CreateUnnamed(path, file, named);
    if (!created.Failed() && named) unlink(path.c_str());  // gone already; the open descriptor keeps it alive
    return created;
}

FileResult CreateUnnamed(const std::string& path, Handle& file, bool& named) {
    const std::string folder = Folder(path);
    const int fd = open(folder.empty() ? "." : folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
    if (fd >= 0) {
        file = fd;
        named = false;
        return {};
    }
    // A file system or a kernel without unnamed files.
    if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) return Failure(errno);
    named = true;
    return CreateNew(path, file);
}

FileResult GiveName(Handle file, const std::string& path) {
    char link[32];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", Descriptor(file));
    if (linkat(AT_FDCWD, link, AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW) == 0) return {};
    // Without /proc the descriptor itself can be linked, where the process may do so.
    if (errno == ENOENT && linkat(Descriptor(file), "", AT_FDCWD, path.c_str(), AT_EMPTY_PATH) == 0) return {};
    return Failure(errno);
}

FileResult WriteAll(Handle file, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = write(Descriptor(file), bytes.data(), std::min(bytes.size(), kLargestTransfer));
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return Failure(written < 0 ? errno : ENOSPC);
        bytes.remove_prefix(static_cast<size_t>(written));
    }
    return {};
}

FileResult ReadAt(Handle file, uint64_t offset, char* buffer, size_t size, size_t& got) {
    const size_t wanted = std::min(size, kLargestTransfer);
    const ssize_t result = pread(Descriptor(file), buffer, wanted, static_cast<off_t>(offset));
    if (result < 0) return Failure(errno);
    got = static_cast<size_t>(result);
    return {};
}

FileResult Truncate(Handle file, uint64_t size) {
    if (ftruncate(Descriptor(file), static_cast<off_t>(size)) != 0 ||
        lseek(Descriptor(file), static_cast<off_t>(size), SEEK_SET) < 0)
        return Failure(errno);
    return {};
}

FileResult Close(Handle file) {
    if (close(Descriptor(file)) != 0) return Failure(errno);
    return {};
}

FileResult FlushToDisk(Handle file) {
    if (fsync(Descriptor(file)) != 0) return Failure(errno);
    return {};
}

FileResult FlushFileAt(const std::string& path) {
    const int fd = open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) return Failure(errno);
    FileResult flushed = FlushToDisk(fd);
    close(fd);
    return flushed;
}

void FlushFolderOf(const std::string& path) {
    const std::string folder = Folder(path);
    const int fd = open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    (void)fsync(fd);  // some file systems cannot flush a folder; the file itself is on the disk
    close(fd);
}

bool SameFile(const std::string& a, const std::string& b) {
    struct stat first, second;
    return stat(a.c_str(), &first) == 0 && stat(b.c_str(), &second) == 0 && first.st_dev == second.st_dev &&
           first.st_ino == second.st_ino;
}

FileResult CheckReplaceable(const std::string& path) {
    struct stat info;
    if (stat(path.c_str(), &info) != 0) return {};  // a new file
    if (S_ISDIR(info.st_mode)) return Failure(EISDIR);
    if (faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0) return Failure(errno);
    return {};
}

std::string TempPathBeside(const std::string& path, uint32_t number) {
    char name[32];
    std::snprintf(name, sizeof name, ".~tabulora-%08x.tmp", number);
    return Folder(path) + name;
}

FileResult MoveReplacing(const std::string& from, const std::string& to) {
    struct stat info;
    if (stat(to.c_str(), &info) == 0) {
        // The new file takes the old one's permissions (and owner, where the user may set it).
        if (chmod(from.c_str(), info.st_mode & 07777) != 0) return Failure(errno);
        if (chown(from.c_str(), info.st_uid, info.st_gid) != 0) {
            // Only the owner or root may give a file away; the permissions are kept all the same.
        }
    }
    if (rename(from.c_str(), to.c_str()) != 0) return Failure(errno);
    return {};
}

FileResult MoveToFreeName(const std::string& from, const std::string& to, bool& nameTaken) {
    nameTaken = false;
    if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return {};
    if (errno == EEXIST) {
        nameTaken = true;
        return {};
    }
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) return Failure(errno);
    // File systems without that kind of rename: a hard link fails just as well on a taken name.
    if (link(from.c_str(), to.c_str()) == 0) {
        unlink(from.c_str());
        return {};
    }
    struct stat info;
    if (errno == EEXIST || lstat(to.c_str(), &info) == 0) {
        nameTaken = true;
        return {};
    }
    if (rename(from.c_str(), to.c_str()) == 0) return {};
    return Failure(errno);
}

uint32_t RandomNumber() {
    uint32_t number;
    if (getrandom(&number, sizeof number, GRND_NONBLOCK) == sizeof number) return number;
    // No random source yet (early at boot): the clock and the process still differ between runs.
    timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    return static_cast<uint32_t>(now.tv_nsec) ^ static_cast<uint32_t>(now.tv_sec) * 2654435761u ^
           static_cast<uint32_t>(getpid());
}

}  // namespace tabulora::file_system
