#pragma once
// The file operations of the output side that differ between Windows and POSIX systems. Paths
// are UTF-8; errors come back as the system's own text (empty when the operation worked).
#include <cstdint>
#include <string>

namespace tabulora::file_system {

// Why the file at `path` cannot be replaced by a new one, or "" when it can (or does not exist):
// it is a folder, the user may not write it, or another program holds it open.
std::string ReplaceProblem(const std::string& path);

// A path for temporary file number `number` in the folder of `path`, in a form the system accepts
// wherever it accepts `path` (its name is short, and on Windows a path that gets too long takes
// the long-path form).
std::string TempPathBeside(const std::string& path, uint32_t number);

// Moves the file `from` to `to` in the same folder, replacing `to` and keeping its permissions.
std::string MoveReplacing(const std::string& from, const std::string& to);

enum class MoveResult { Moved, NameTaken, Failed };
// Moves the file `from` to `to` in the same folder unless something exists at `to`.
MoveResult MoveToFreeName(const std::string& from, const std::string& to, std::string& error);

// A number that differs between processes, for temporary names.
uint32_t ProcessNumber();

}  // namespace tabulora::file_system
