#pragma once
#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "winui/dialog_requests.h"

namespace winui {

// Everything the windows do that blocks on the user or reaches outside the program. The default
// calls Win32; tests install their own and answer without any modal loop.
class SideEffects {
public:
    virtual ~SideEffects() = default;
    // A modal message box; returns the button pressed (IDOK, ...).
    virtual int ShowMessage(HWND owner, const std::wstring& text, const std::wstring& caption, UINT type) = 0;
    // Chosen paths in the dialog's order; empty when cancelled.
    virtual std::vector<std::wstring> ChooseFilesToOpen(HWND owner, const OpenFilesRequest& request) = 0;
    // The chosen path and file type; empty when cancelled.
    virtual std::optional<SavedFile> ChooseFileToSave(HWND owner, const SaveFileRequest& request) = 0;
    virtual std::optional<std::wstring> ChooseFolder(HWND owner, const FolderRequest& request) = 0;
    // ShellExecuteW; returns whether the shell accepted the request.
    virtual bool OpenWithShell(HWND parent, const std::wstring& verb, const std::wstring& file,
                               const std::wstring& parameters, int showCommand) = 0;
    // Puts a file the user loaded or the program wrote on the shell's recent list
    // (SHAddToRecentDocs): the taskbar's jump list, Explorer's Recent, the dialogs' suggestions.
    virtual void AddToRecentDocuments(const std::wstring& path) = 0;
    // Opens the file manager on `folder` with `items` (files in it) selected; on the folder
    // itself when `items` is empty. Returns whether the shell took the request.
    virtual bool ShowInFolder(HWND owner, const std::wstring& folder, const std::vector<std::wstring>& items) = 0;
    // Shows a popup menu modally; returns the chosen command id or 0.
    virtual UINT TrackMenu(HMENU menu, POINT screenPoint, HWND owner) = 0;
    // Milliseconds since start-up, 32-bit and wrapping.
    virtual uint32_t TickCount() = 0;
    virtual void Beep(UINT type) = 0;
};

// The side effects in force: the Win32 ones unless a test has installed others.
SideEffects& Effects();
// Installs `effects` (null restores the Win32 ones) and returns the previous installation.
SideEffects* InstallEffects(SideEffects* effects);

}  // namespace winui
