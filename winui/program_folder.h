#pragma once
#include <string>

namespace winui {

// The full path of the running executable.
std::wstring ExecutablePath();

// The folder of the running executable, with its trailing separator.
std::wstring ProgramFolder();

// True when `path` names an existing file (not a folder).
bool FileExists(const std::wstring& path);

}  // namespace winui
