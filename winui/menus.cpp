#include "winui/menus.h"

#include "winui/dpi.h"
#include "winui/images.h"

namespace winui {

HMENU BuildPopupMenu(std::span<const MenuItemSpec> items) {
    HMENU menu = CreatePopupMenu();
    for (const MenuItemSpec& item : items) {
        MENUITEMINFOW info{};
        info.cbSize = sizeof info;
        if (!item.caption) {
            info.fMask = MIIM_FTYPE;
            info.fType = MFT_SEPARATOR;
        } else {
            info.fMask = MIIM_ID | MIIM_STRING | MIIM_STATE;
            info.wID = item.id;
            info.dwTypeData = const_cast<wchar_t*>(item.caption);
            info.fState = item.state;
        }
        InsertMenuItemW(menu, static_cast<UINT>(GetMenuItemCount(menu)), TRUE, &info);
    }
    return menu;
}

void SetMenuItemText(HMENU menu, UINT id, const std::wstring& caption) {
    wchar_t current[256] = {};
    if (GetMenuStringW(menu, id, current, 256, MF_BYCOMMAND) > 0 && caption == current) return;
    MENUITEMINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_STRING;
    info.dwTypeData = const_cast<wchar_t*>(caption.c_str());
    SetMenuItemInfoW(menu, id, FALSE, &info);
}

void MenuImages::Attach(HMENU menu, std::span<const MenuItemSpec> items, UINT dpi) {
    size_ = Scale(16, dpi);
    for (const MenuItemSpec& item : items) {
        if (!item.caption || !item.image) continue;
        images_.push_back({item.id, LoadIconAtSize(item.image, size_)});
        MENUITEMINFOW info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_BITMAP;
        info.hbmpItem = HBMMENU_CALLBACK;
        SetMenuItemInfoW(menu, item.id, FALSE, &info);
    }
}

const MenuImages::Image* MenuImages::Find(UINT id) const {
    for (const Image& image : images_) {
        if (image.id == id) return &image;
    }
    return nullptr;
}

bool MenuImages::Measure(MEASUREITEMSTRUCT& item) const {
    if (item.CtlType != ODT_MENU || !Find(item.itemID)) return false;
    item.itemWidth = static_cast<UINT>(size_);
    item.itemHeight = static_cast<UINT>(size_);
    return true;
}

bool MenuImages::Draw(const DRAWITEMSTRUCT& item) const {
    if (item.CtlType != ODT_MENU) return false;
    const Image* image = Find(item.itemID);
    if (!image) return false;
    const RECT& area = item.rcItem;
    int x = area.left + (area.right - area.left - size_) / 2;
    int y = area.top + (area.bottom - area.top - size_) / 2;
    DrawIconEx(item.hDC, x, y, image->icon.Get(), size_, size_, 0, nullptr, DI_NORMAL);
    return true;
}

}  // namespace winui
