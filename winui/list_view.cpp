#include "winui/list_view.h"

#include <oleacc.h>

#include <utility>

#include "winui/accessibility.h"
#include "winui/dpi.h"

namespace winui {

void SetListColumns(HWND list, std::span<const ListColumn> columns, UINT dpi) {
    SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    while (SendMessageW(list, LVM_DELETECOLUMN, 0, 0)) {
    }
    for (size_t i = 0; i < columns.size(); ++i) {
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        column.pszText = const_cast<wchar_t*>(columns[i].header.c_str());
        column.cx = Scale(columns[i].width96, dpi);
        column.iSubItem = static_cast<int>(i);
        SendMessageW(list, LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&column));
    }
    SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
}

int ListColumnCount(HWND list) {
    HWND header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
    return header ? static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0)) : 0;
}

void SetVirtualItemCount(HWND list, size_t count) {
    SendMessageW(list, LVM_SETITEMCOUNT, count, LVSICF_NOSCROLL);
    InvalidateRect(list, nullptr, TRUE);
}

void MakeCheckList(HWND list) {
    const DWORD extended = LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER;
    SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, extended, extended);
}

int ItemCount(HWND list) { return static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0)); }

std::wstring ItemText(HWND list, int index, int column) {
    wchar_t text[1024] = {};
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = 1024;
    SendMessageW(list, LVM_GETITEMTEXTW, index, reinterpret_cast<LPARAM>(&item));
    return text;
}

bool IsItemChecked(HWND list, int index) {
    const auto state = static_cast<UINT>(SendMessageW(list, LVM_GETITEMSTATE, index, LVIS_STATEIMAGEMASK));
    return (state & LVIS_STATEIMAGEMASK) == INDEXTOSTATEIMAGEMASK(2);
}

void SetItemChecked(HWND list, int index, bool checked) {
    LVITEMW item{};
    item.stateMask = LVIS_STATEIMAGEMASK;
    item.state = INDEXTOSTATEIMAGEMASK(checked ? 2 : 1);
    SendMessageW(list, LVM_SETITEMSTATE, index, reinterpret_cast<LPARAM>(&item));
}

void SetCheckItems(HWND list, std::span<const CheckItem> items) {
    bool same = ItemCount(list) == static_cast<int>(items.size());
    for (size_t i = 0; same && i < items.size(); ++i) {
        const int index = static_cast<int>(i);
        same = ItemText(list, index) == items[i].text && IsItemChecked(list, index) == items[i].checked;
        for (size_t column = 0; same && column < items[i].more.size(); ++column)
            same = ItemText(list, index, static_cast<int>(column + 1)) == items[i].more[column];
    }
    if (same) return;
    const int selected = SelectedItem(list);
    SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
    for (size_t i = 0; i < items.size(); ++i) {
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.iItem = static_cast<int>(i);
        item.pszText = const_cast<wchar_t*>(items[i].text.c_str());
        const int index = static_cast<int>(SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
        for (size_t column = 0; column < items[i].more.size(); ++column) {
            LVITEMW sub{};
            sub.iSubItem = static_cast<int>(column + 1);
            sub.pszText = const_cast<wchar_t*>(items[i].more[column].c_str());
            SendMessageW(list, LVM_SETITEMTEXTW, index, reinterpret_cast<LPARAM>(&sub));
        }
        SetItemChecked(list, index, items[i].checked);
    }
    if (selected >= 0 && selected < static_cast<int>(items.size())) SelectItem(list, selected);
    SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
}

int SelectedItem(HWND list) {
    return static_cast<int>(SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

void SelectItem(HWND list, int index) {
    LVITEMW item{};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(list, LVM_SETITEMSTATE, index, reinterpret_cast<LPARAM>(&item));
    SendMessageW(list, LVM_ENSUREVISIBLE, index, FALSE);
}

void NameColumnHeaders(HWND list, std::wstring name) {
    const HWND header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
    if (!header) return;
    AccessibleDescription description;
    description.name = [name = std::move(name)] { return name; };
    description.role = ROLE_SYSTEM_LIST;
    DescribeForAccessibility(header, std::move(description));
}

bool IsCheckChange(const NMLISTVIEW& change) {
    if (!(change.uChanged & LVIF_STATE)) return false;
    return ((change.uNewState ^ change.uOldState) & LVIS_STATEIMAGEMASK) != 0 &&
           (change.uOldState & LVIS_STATEIMAGEMASK);
}

}  // namespace winui
