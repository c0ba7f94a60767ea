#pragma once
#include <windows.h>

#include <span>
#include <string>
#include <vector>

#include "winui/handles.h"

namespace winui {

// One menu item; an item with a null caption is a separator.
struct MenuItemSpec {
    UINT id;
    const wchar_t* caption;
    const wchar_t* image = nullptr;  // icon resource name
    UINT state = 0;                  // MFS_CHECKED, MFS_DISABLED, ...
};

HMENU BuildPopupMenu(std::span<const MenuItemSpec> items);

// Changes the caption of the item `id` of `menu` when it differs; its state and image stay.
void SetMenuItemText(HMENU menu, UINT id, const std::wstring& caption);

// The icons beside menu items, drawn by the owning window (WM_MEASUREITEM, WM_DRAWITEM), so
// they keep their transparency everywhere; sized for the window's DPI.
class MenuImages {
public:
    // Marks the items of `menu` that name an image as drawn by the window, at `dpi`.
    void Attach(HMENU menu, std::span<const MenuItemSpec> items, UINT dpi);
    // Return true when the message was about one of these images.
    bool Measure(MEASUREITEMSTRUCT& item) const;
    bool Draw(const DRAWITEMSTRUCT& item) const;

private:
    struct Image {
        UINT id;
        UniqueIcon icon;
    };
    const Image* Find(UINT id) const;

    int size_ = 16;
    std::vector<Image> images_;
};

}  // namespace winui
