#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "engine/file_system.h"

namespace tabulora::file_system {
namespace {

std::string ErrorText(int error) { return std::strerror(error); }

std::string Folder(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

}  // namespace

std::string ReplaceProblem(const std::string& path) {
    struct stat info;
    if (stat(path.c_str(), &info) != 0) return {};   // a new file
    if (S_ISDIR(info.st_mode)) return ErrorText(EISDIR);
    if (faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0) return ErrorText(errno);
    return {};
}

std::string TempPathBeside(const std::string& path, uint32_t number) {
    char name[32];
    std::snprintf(name, sizeof name, ".~tabulora-%08x.tmp", number);
    return Folder(path) + name;
}

std::string MoveReplacing(const std::string& from, const std::string& to) {
    struct stat info;
    if (stat(to.c_str(), &info) == 0) {
        // The new file takes the old one's permissions (and owner, where the user may set it).
        if (chmod(from.c_str(), info.st_mode & 07777) != 0) return ErrorText(errno);
        if (chown(from.c_str(), info.st_uid, info.st_gid) != 0) {
            // Only the owner or root may give a file away; the permissions are kept all the same.
        }
    }
    if (rename(from.c_str(), to.c_str()) != 0) return ErrorText(errno);
    return {};
}

MoveResult MoveToFreeName(const std::string& from, const std::string& to, std::string& error) {
    if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return MoveResult::Moved;
    if (errno == EEXIST) return MoveResult::NameTaken;
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) {
        error = ErrorText(errno);
        return MoveResult::Failed;
    }
    // File systems without that kind of rename: a hard link fails just as well on a taken name.
    if (link(from.c_str(), to.c_str()) == 0) {
        unlink(from.c_str());
        return MoveResult::Moved;
    }
    if (errno == EEXIST) return MoveResult::NameTaken;
    struct stat info;
    if (lstat(to.c_str(), &info) == 0) return MoveResult::NameTaken;
    if (rename(from.c_str(), to.c_str()) == 0) return MoveResult::Moved;
    error = ErrorText(errno);
    return MoveResult::Failed;
}

uint32_t ProcessNumber() { return static_cast<uint32_t>(getpid()); }

}  // namespace tabulora::file_system
