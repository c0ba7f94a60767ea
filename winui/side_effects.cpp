#include "winui/side_effects.h"

#include <shellapi.h>
#include <shlobj.h>

#include "winui/file_dialogs.h"
#include "winui/show_in_folder.h"
#include "winui/title_bar.h"

namespace winui {
namespace {

class Win32SideEffects final : public SideEffects {
public:
    int ShowMessage(HWND owner, const std::wstring& text, const std::wstring& caption, UINT type) override {
        ThemedMessageBoxes themed;
        return MessageBoxW(owner, text.c_str(), caption.c_str(), type);
    }
    std::vector<std::wstring> ChooseFilesToOpen(HWND owner, const OpenFilesRequest& request) override {
        return RunOpenFilesDialog(owner, request);
    }
    std::optional<SavedFile> ChooseFileToSave(HWND owner, const SaveFileRequest& request) override {
        return RunSaveFileDialog(owner, request);
    }
    std::optional<std::wstring> ChooseFolder(HWND owner, const FolderRequest& request) override {
        return RunFolderDialog(owner, request);
    }
    bool OpenWithShell(HWND parent, const std::wstring& verb, const std::wstring& file, const std::wstring& parameters,
                       int showCommand) override {
        // An empty verb is the file's default action, as a null verb.
        HINSTANCE result = ShellExecuteW(parent, verb.empty() ? nullptr : verb.c_str(), file.c_str(),
                                         parameters.empty() ? nullptr : parameters.c_str(), nullptr, showCommand);
        return reinterpret_cast<INT_PTR>(result) > 32;
    }
    void AddToRecentDocuments(const std::wstring& path) override { SHAddToRecentDocs(SHARD_PATHW, path.c_str()); }
    bool ShowInFolder(HWND owner, const std::wstring& folder, const std::vector<std::wstring>& items) override {
        return ShowItemsInFolder(owner, folder, items);
    }
    UINT TrackMenu(HMENU menu, POINT screenPoint, HWND owner) override {
        return static_cast<UINT>(TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_LEFTBUTTON | TPM_RETURNCMD,
                                                screenPoint.x, screenPoint.y, 0, owner, nullptr));
    }
    uint32_t TickCount() override { return GetTickCount(); }
    void Beep(UINT type) override { MessageBeep(type); }
};

Win32SideEffects win32Effects;
SideEffects* installed = nullptr;

}  // namespace

SideEffects& Effects() { return installed ? *installed : win32Effects; }

SideEffects* InstallEffects(SideEffects* effects) {
    SideEffects* previous = installed;
    installed = effects;
    return previous;
}

}  // namespace winui
