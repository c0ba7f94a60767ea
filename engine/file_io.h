#pragma once
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

namespace tabulora {

// Paths are UTF-8 text everywhere; this gives the OS its native form (UTF-16 on Windows).
std::filesystem::path NativePath(const std::string& utf8Path);

// True when anything stands at the path: a file, a folder, a link (even a broken one).
bool IsNameTaken(const std::string& utf8Path);

// The file that a chain of symbolic links at `path` names in the end; `path` itself when it is
// no link.
std::string FollowLinks(const std::string& utf8Path);

// A file opened for reading and writing by this process, closed (and, unless kept, removed)
// when destroyed. Failures return false with the system's error text.
class ScratchFile {
public:
    ScratchFile() = default;
    ~ScratchFile();
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;

    // Creates a new file at `path`; fails when anything exists there.
    bool Create(const std::string& path, std::string& error);
    // A file in the system's temporary folder that nobody else sees and that goes away with it.
    bool CreateAnonymous(std::string& error);

    bool Write(const char* data, size_t size, std::string& error);
    bool ReadAt(uint64_t offset, char* buffer, size_t size, size_t& got, std::string& error);
    // Cuts the file to `size` bytes; writing goes on there.
    bool Truncate(uint64_t size, std::string& error);
    bool Close(std::string& error);
    // Closes and removes the file.
    void Remove();
    // Closes it and leaves it where it is, under `Path()`.
    bool Keep(std::string& error);
    const std::string& Path() const { return path_; }
    uint64_t Size() const { return size_; }

private:
    int fd_ = -1;
    std::string path_;   // removed when the object goes, unless kept
    uint64_t size_ = 0;
};

// Writes an output file through a temporary file in its folder, which takes the output's place
// only when complete; a writer destroyed before that removes its temporary file, so an existing
// target keeps its content and no half-written file is ever seen. Every failure throws
// FileError("Cannot create file "<target>". <reason>").
class OutputFile {
public:
    // Follows a symbolic link at `target` to the file it names, and refuses a target that is a
    // folder, that the user may not write, or that another program holds open.
    explicit OutputFile(std::string target);

    void Write(std::string_view bytes);
    size_t ReadAt(uint64_t offset, char* buffer, size_t size);
    uint64_t Size() const { return temp_.Size(); }
    ScratchFile& Temp() { return temp_; }

    // Moves the file into place, replacing the target and keeping its permissions.
    void CommitReplacing();
    // Moves the file into place only where nothing exists yet. When something has appeared at the
    // target meanwhile, `nextName` is asked for another name (in the same folder). Returns the
    // name used.
    std::string CommitAsNew(const std::function<std::string()>& nextName);
    // Removes the temporary file; the target stays as it was.
    void Discard() { temp_.Remove(); }

    [[noreturn]] void Fail(const std::string& reason);

private:
    std::string target_;     // as given, for messages
    std::string resolved_;   // the file really written
    ScratchFile temp_;
};

}  // namespace tabulora
