#include "winui/file_dialogs.h"

#include <shobjidl.h>

#include "winui/handles.h"

namespace winui {

// {6bdc01dd-3b47-4fb4-b4ca-6f3f021795a4}
const GUID kOpenFilesDialogGuid = {0x6bdc01dd, 0x3b47, 0x4fb4, {0xb4, 0xca, 0x6f, 0x3f, 0x02, 0x17, 0x95, 0xa4}};
// {8cbab809-dafb-4e09-80f8-8c48c440b430}
const GUID kSaveFileDialogGuid = {0x8cbab809, 0xdafb, 0x4e09, {0x80, 0xf8, 0x8c, 0x48, 0xc4, 0x40, 0xb4, 0x30}};
// {2256137b-15e1-4c18-af58-d6d4be80a6b0}
const GUID kFolderDialogGuid = {0x2256137b, 0x15e1, 0x4c18, {0xaf, 0x58, 0xd6, 0xd4, 0xbe, 0x80, 0xa6, 0xb0}};

namespace {

template <class Dialog>
ComPtr<Dialog> NewDialog(REFCLSID classId) {
    ComPtr<Dialog> dialog;
    CoCreateInstance(classId, nullptr, CLSCTX_INPROC_SERVER, __uuidof(Dialog), reinterpret_cast<void**>(dialog.Put()));
    return dialog;
}

void SetFilters(IFileDialog* dialog, const std::vector<FileFilter>& filters) {
    std::vector<COMDLG_FILTERSPEC> specs;
    for (const FileFilter& filter : filters) specs.push_back({filter.name.c_str(), filter.pattern.c_str()});
    if (specs.empty()) return;
    dialog->SetFileTypes(static_cast<UINT>(specs.size()), specs.data());
    dialog->SetFileTypeIndex(1);
}

void AddOptions(IFileDialog* dialog, FILEOPENDIALOGOPTIONS extra) {
    FILEOPENDIALOGOPTIONS options = 0;
    dialog->GetOptions(&options);
    dialog->SetOptions(options | extra);
}

std::optional<std::wstring> PathOf(IShellItem* item) {
    PWSTR path = nullptr;
    if (FAILED(item->GetDisplayName(SIGDN_FILESYSPATH, &path)) || !path) return std::nullopt;
    std::wstring result(path);
    CoTaskMemFree(path);
    return result;
}

std::optional<std::wstring> ChosenPath(IFileDialog* dialog) {
    ComPtr<IShellItem> item;
    if (FAILED(dialog->GetResult(item.Put()))) return std::nullopt;
    return PathOf(item.Get());
}

}  // namespace

std::vector<std::wstring> RunOpenFilesDialog(HWND owner, const OpenFilesRequest& request) {
    ComApartment com;
    auto dialog = NewDialog<IFileOpenDialog>(CLSID_FileOpenDialog);
    if (!dialog) return {};
    dialog->SetClientGuid(kOpenFilesDialogGuid);
    SetFilters(dialog.Get(), request.filters);
    dialog->SetDefaultExtension(request.defaultExtension.c_str());
    AddOptions(dialog.Get(), FOS_ALLOWMULTISELECT | FOS_FILEMUSTEXIST | FOS_PATHMUSTEXIST | FOS_FORCEFILESYSTEM);
    if (FAILED(dialog->Show(owner))) return {};

    std::vector<std::wstring> paths;
    ComPtr<IShellItemArray> items;
    if (FAILED(dialog->GetResults(items.Put()))) return {};
    DWORD count = 0;
    items->GetCount(&count);
    for (DWORD i = 0; i < count; ++i) {
        ComPtr<IShellItem> item;
        if (FAILED(items->GetItemAt(i, item.Put()))) continue;
        if (auto path = PathOf(item.Get())) paths.push_back(std::move(*path));
    }
    return paths;
}

std::optional<SavedFile> RunSaveFileDialog(HWND owner, const SaveFileRequest& request) {
    ComApartment com;
    auto dialog = NewDialog<IFileSaveDialog>(CLSID_FileSaveDialog);
    if (!dialog) return std::nullopt;
    dialog->SetClientGuid(kSaveFileDialogGuid);
    SetFilters(dialog.Get(), request.filters);
    dialog->SetDefaultExtension(request.defaultExtension.c_str());
    AddOptions(dialog.Get(), FOS_OVERWRITEPROMPT | FOS_PATHMUSTEXIST | FOS_FORCEFILESYSTEM);
    if (!request.initialFileName.empty()) dialog->SetFileName(request.initialFileName.c_str());
    if (FAILED(dialog->Show(owner))) return std::nullopt;
    std::optional<std::wstring> path = ChosenPath(dialog.Get());
    if (!path) return std::nullopt;
    // The type picked, counted from 1; the first when the dialog does not say.
    UINT type = 0;
    if (FAILED(dialog->GetFileTypeIndex(&type)) || type == 0 || type > request.filters.size()) type = 1;
    return SavedFile{std::move(*path), type - 1};
}

std::optional<std::wstring> RunFolderDialog(HWND owner, const FolderRequest& request) {
    ComApartment com;
    auto dialog = NewDialog<IFileOpenDialog>(CLSID_FileOpenDialog);
    if (!dialog) return std::nullopt;
    dialog->SetClientGuid(kFolderDialogGuid);
    AddOptions(dialog.Get(), FOS_PICKFOLDERS | FOS_FORCEFILESYSTEM | FOS_PATHMUSTEXIST | FOS_FILEMUSTEXIST);
    dialog->SetTitle(request.title.c_str());
    dialog->SetOkButtonLabel(request.okLabel.c_str());
    if (!request.initialFolder.empty()) {
        ComPtr<IShellItem> folder;
        if (SUCCEEDED(SHCreateItemFromParsingName(request.initialFolder.c_str(), nullptr, IID_IShellItem,
                                                  reinterpret_cast<void**>(folder.Put())))) {
            dialog->SetFolder(folder.Get());
        }
        dialog->SetFileName(request.initialFolder.c_str());
    }
    if (FAILED(dialog->Show(owner))) return std::nullopt;
    return ChosenPath(dialog.Get());
}

}  // namespace winui
