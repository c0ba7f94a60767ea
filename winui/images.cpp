#include "winui/images.h"

#include <commctrl.h>

namespace winui {

UniqueIcon LoadIconAtSize(const wchar_t* name, int size) {
    return UniqueIcon(static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), name, IMAGE_ICON, size, size, 0)));
}

UniqueImageList ButtonImageList(const wchar_t* name, int size) {
    UniqueImageList list(ImageList_Create(size, size, ILC_COLOR32, 1, 0));
    UniqueIcon icon = LoadIconAtSize(name, size);
    if (list && icon) ImageList_AddIcon(list.Get(), icon.Get());
    return list;
}

void SetButtonImage(HWND button, HIMAGELIST image, int margin) {
    BUTTON_IMAGELIST list{};
    list.himl = image;
    list.margin = {margin, 0, 0, 0};
    list.uAlign = BUTTON_IMAGELIST_ALIGN_LEFT;
    SendMessageW(button, BCM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(&list));
    InvalidateRect(button, nullptr, TRUE);
}

}  // namespace winui
