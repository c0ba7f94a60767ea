#pragma once
// The engine's file layer: the inputs' bytes (engine/byte_source.h), the files an export writes
// (here, engine/block_writer.h, engine/file_system.h) and the CSV output on top of them
// (engine/csv_output.h).
//
// Its one error rule: an operation that can fail returns a FileResult (engine/file_error.h),
// which is success or the system's text for the failure, and gives what it produces through a
// parameter. Nothing in the layer throws for a failed file operation except the CSV output, the
// export's boundary: it turns a failure into a FileError carrying the message the user sees
// ("Cannot create file "<path>". <reason>"), and a ByteSink handed to it throws FileError itself.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

#include "engine/file_error.h"
#include "engine/file_system.h"

namespace tabulora {

// Paths are UTF-8 text everywhere; this gives the OS its native form (UTF-16 on Windows).
std::filesystem::path NativePath(const std::string& utf8Path);

// True when anything stands at the path: a file, a folder, a link (even a broken one).
bool IsNameTaken(const std::string& utf8Path);

// The file that a chain of symbolic links at `path` names in the end; `path` itself when it is
// no link.
std::string FollowLinks(const std::string& utf8Path);

// A file opened for reading and writing by this process, closed (and, unless kept, removed)
// when destroyed.
class ScratchFile {
public:
    ScratchFile() = default;
    ~ScratchFile();
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;

    // Creates a new file at `path`; fails when anything exists there.
    FileResult Create(const std::string& path);
    // Creates a file that takes the name `path` (or, when that is taken by then, another
    // temporary name beside it) only when kept; where the system allows it, nothing of it can be
    // left behind before that, even when the process is killed.
    FileResult CreateUnnamed(const std::string& path);
    // A file in the system's temporary folder that nobody else sees and that goes away with it.
    FileResult CreateAnonymous();

    FileResult Write(std::string_view bytes);
    // Reads up to `size` bytes from `offset` on; `got` is 0 at the end.
    FileResult ReadAt(uint64_t offset, char* buffer, size_t size, size_t& got);
    // Cuts the file to `size` bytes; writing goes on there.
    FileResult Truncate(uint64_t size);
    // Writes the file to the disk (when closed, the file at `Path()`).
    FileResult FlushToDisk();
    FileResult Close();
    // Gives the file its name and closes it, for a writer that opens it again by name; unless
    // kept, it is still removed.
    FileResult CloseNamed();
    // Closes and removes the file.
    void Remove();
    // Closes it and leaves it where it is; `path` is set to its name.
    FileResult Keep(std::string& path);
    const std::string& Path() const { return path_; }

private:
    FileResult TakeName();

    file_system::Handle file_ = file_system::kNoFile;
    std::string path_;      // removed when the object goes, unless kept
    bool unnamed_ = false;  // path_ is the name the file takes when kept
};

// Writes an output file through a temporary file in its folder, which takes the output's place
// only when complete; a writer that fails or is destroyed before that removes its temporary
// file, so an existing target keeps its content and no half-written file is ever seen.
class OutputFile {
public:
    // Follows a symbolic link at `target` to the file it names, refuses a target that is a
    // folder, that the user may not write, or that another program holds open, and creates the
    // temporary file.
    FileResult Open(const std::string& target);

    FileResult Write(std::string_view bytes);
    ScratchFile& Temp() { return temp_; }

    // Moves the file into place, replacing the target and keeping its permissions.
    FileResult CommitReplacing();
    // Moves the file into place only where nothing exists yet. When something has appeared at the
    // target meanwhile, `nextName` is asked for another name (in the same folder). `name` is set to
    // each name tried, so it ends as the name used or the one that could not be written; a failure
    // before the first try leaves it as it was.
    FileResult CommitAsNew(const std::function<std::string()>& nextName, std::string& name);

private:
    FileResult Complete(std::string& temp);
    FileResult Failed(FileResult failure);

    std::string resolved_;  // the file really written
    ScratchFile temp_;
};

}  // namespace tabulora
