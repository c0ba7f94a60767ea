#pragma once
#include <windows.h>

#include <string>
#include <vector>

namespace winui {

// Opens a file manager window on `folder` with `items` (files in that folder, full paths)
// selected (SHOpenFolderAndSelectItems); an item the shell cannot find is left out. With no
// items it opens the folder itself. Returns whether the shell took the request.
bool ShowItemsInFolder(HWND owner, const std::wstring& folder, const std::vector<std::wstring>& items);

}  // namespace winui
