#include "winui/combo_box.h"

namespace winui {

int ComboItemCount(HWND combo) { return static_cast<int>(SendMessageW(combo, CB_GETCOUNT, 0, 0)); }

std::wstring ComboItemText(HWND combo, int index) {
    const LRESULT length = SendMessageW(combo, CB_GETLBTEXTLEN, index, 0);
    if (length == CB_ERR) return {};
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    SendMessageW(combo, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<size_t>(length));
    return text;
}

void SetComboItems(HWND combo, std::span<const std::wstring> items, int selected) {
    bool same = ComboItemCount(combo) == static_cast<int>(items.size());
    for (size_t i = 0; same && i < items.size(); ++i) same = ComboItemText(combo, static_cast<int>(i)) == items[i];
    if (!same) {
        SendMessageW(combo, CB_RESETCONTENT, 0, 0);
        for (const std::wstring& item : items)
            SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
    }
    SelectComboItem(combo, selected);
}

int ComboSelection(HWND combo) {
    const LRESULT index = SendMessageW(combo, CB_GETCURSEL, 0, 0);
    return index == CB_ERR ? -1 : static_cast<int>(index);
}

void SelectComboItem(HWND combo, int index) { SendMessageW(combo, CB_SETCURSEL, index, 0); }

}  // namespace winui
