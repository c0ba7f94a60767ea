#pragma once
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "winui/dialog_requests.h"

namespace winui {

// Each kind of dialog keeps its own last folder: the dialogs tell the shell which kind they are by
// one fixed client GUID each (IFileDialog::SetClientGuid), under which it stores that state.
extern const GUID kOpenFilesDialogGuid;
extern const GUID kSaveFileDialogGuid;
extern const GUID kFolderDialogGuid;

// The common item dialogs behind the Win32 side effects.
std::vector<std::wstring> RunOpenFilesDialog(HWND owner, const OpenFilesRequest& request);
std::optional<SavedFile> RunSaveFileDialog(HWND owner, const SaveFileRequest& request);
std::optional<std::wstring> RunFolderDialog(HWND owner, const FolderRequest& request);

}  // namespace winui
