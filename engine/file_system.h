#pragma once
// The file operations of the output side that differ between Windows and POSIX systems. Paths
// are UTF-8; a failure carries the system's own text (on Windows the Win32 error's, elsewhere the
// C library's).
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "engine/file_error.h"

namespace tabulora::file_system {

// An open file: a descriptor on POSIX systems, a HANDLE on Windows.
using Handle = intptr_t;
constexpr Handle kNoFile = -1;

// Creates a new file at `path` for reading and writing, which other programs may read but not
// write while it is open; fails when anything exists there.
FileResult CreateNew(const std::string& path, Handle& file);

// Creates a new file at `path` that no other program can open and that goes away when it is
// closed (on POSIX systems its name goes at once); fails when anything exists there.
FileResult CreateHidden(const std::string& path, Handle& file);

// Creates a file for `path` that nothing of can outlive this process until it is given its name,
// where the system allows it (Linux: a file without a name in the folder of `path`; Windows: the
// file at `path`, marked to be deleted when closed), else creates it at `path` as CreateNew does;
// `named` tells which.
FileResult CreateUnnamed(const std::string& path, Handle& file, bool& named);

// Gives a file made by CreateUnnamed, not named yet, the name `path` (on Windows the name it has);
// fails when anything else exists there.
FileResult GiveName(Handle file, const std::string& path);

// Writes all of `bytes` at the file's position.
FileResult WriteAll(Handle file, std::string_view bytes);

// Reads up to `size` bytes from `offset` on into `buffer`; `got` is 0 at the end of the file.
FileResult ReadAt(Handle file, uint64_t offset, char* buffer, size_t size, size_t& got);

// Cuts the file to `size` bytes; writing goes on there.
FileResult Truncate(Handle file, uint64_t size);

FileResult Close(Handle file);

// Writes what the system still holds of the file to the disk, so that it survives a power cut.
FileResult FlushToDisk(Handle file);

// The same for the file at `path`, which this process does not hold open.
FileResult FlushFileAt(const std::string& path);

// Writes the folder of `path` to the disk, so that a name just given in it survives a power cut
// (on Windows the file system sees to that itself).
void FlushFolderOf(const std::string& path);

// True when `a` and `b` name the same existing file, whatever the spelling, links included (the
// device and inode, on Windows the volume and file ID).
bool SameFile(const std::string& a, const std::string& b);

// Fails with the reason when the file at `path` cannot be replaced by a new one: it is a folder,
// the user may not write it, or another program holds it open. A missing file is no failure.
FileResult CheckReplaceable(const std::string& path);

// A path for temporary file number `number` in the folder of `path`, in a form the system accepts
// wherever it accepts `path` (its name is short, and on Windows a path that gets too long takes
// the long-path form).
std::string TempPathBeside(const std::string& path, uint32_t number);

// Moves the file `from` to `to` in the same folder, replacing `to` and keeping its permissions.
FileResult MoveReplacing(const std::string& from, const std::string& to);

// Moves the file `from` to `to` in the same folder unless something exists at `to`; then it sets
// `nameTaken` and leaves the file where it is, which is no failure.
FileResult MoveToFreeName(const std::string& from, const std::string& to, bool& nameTaken);

// A number from the system's random source, for temporary names that never repeat from run to run.
uint32_t RandomNumber();

}  // namespace tabulora::file_system
