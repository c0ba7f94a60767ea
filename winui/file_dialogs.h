#pragma once
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "winui/dialog_requests.h"

namespace winui {

// The common item dialogs behind the Win32 side effects.
std::vector<std::wstring> RunOpenFilesDialog(HWND owner, const OpenFilesRequest& request);
std::optional<std::wstring> RunSaveFileDialog(HWND owner, const SaveFileRequest& request);
std::optional<std::wstring> RunFolderDialog(HWND owner, const FolderRequest& request);

}  // namespace winui
