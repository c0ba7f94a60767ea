#pragma once
#include <string>
#include <vector>

namespace tabulora {

// The arguments after the program's name in `commandLine` (as GetCommandLineW gives it), each
// made a full path against the current folder.
std::vector<std::wstring> FilesOnCommandLine(const wchar_t* commandLine);

}  // namespace tabulora
