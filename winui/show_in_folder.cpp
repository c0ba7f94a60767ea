#include "winui/show_in_folder.h"

#include <shellapi.h>
#include <shlobj.h>

#include <memory>

#include "winui/handles.h"

namespace winui {
namespace {

struct FreeItemList {
    void operator()(ITEMIDLIST* list) const { CoTaskMemFree(list); }
};
using UniqueItemList = std::unique_ptr<ITEMIDLIST, FreeItemList>;

UniqueItemList ParseName(const std::wstring& path) {
    PIDLIST_ABSOLUTE list = nullptr;
    if (FAILED(SHParseDisplayName(path.c_str(), nullptr, &list, 0, nullptr))) return nullptr;
    return UniqueItemList(list);
}

}  // namespace

bool ShowItemsInFolder(HWND owner, const std::wstring& folder, const std::vector<std::wstring>& items) {
    ComApartment com;
    const UniqueItemList folderList = ParseName(folder);
    if (!folderList) return false;
    std::vector<UniqueItemList> found;
    std::vector<PCUITEMID_CHILD> children;  // the last part of each, relative to the folder
    for (const std::wstring& item : items) {
        if (UniqueItemList list = ParseName(item)) {
            children.push_back(ILFindLastID(list.get()));
            found.push_back(std::move(list));
        }
    }
    if (children.empty()) {
        // With no item the call would select the folder in its parent instead of opening it.
        const HINSTANCE result = ShellExecuteW(owner, nullptr, folder.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
        return reinterpret_cast<INT_PTR>(result) > 32;
    }
    return SUCCEEDED(SHOpenFolderAndSelectItems(folderList.get(), static_cast<UINT>(children.size()), children.data(),
                                                0));
}

}  // namespace winui
