#pragma once
#include <windows.h>

#include <commctrl.h>

#include <span>
#include <string>
#include <vector>

namespace winui {

// A column of a report-view list: its header and width at 96 DPI.
struct ListColumn {
    std::wstring header;
    int width96;
};

// Replaces the columns of a report-view list view, widths scaled to `dpi`.
void SetListColumns(HWND list, std::span<const ListColumn> columns, UINT dpi);
int ListColumnCount(HWND list);

// A virtual list (LVS_OWNERDATA) of `count` items; it asks its parent for their texts
// (LVN_GETDISPINFO). The selection and the top item are kept where they still exist.
void SetVirtualItemCount(HWND list, size_t count);

// A check list: a report-view list with a check box before each item and one line of text.
// Rows are replaced whole; a list of rows the same as shown changes nothing (no notifications).
struct CheckItem {
    std::wstring text;
    bool checked = false;
    std::vector<std::wstring> more;  // the texts of the further columns
};
void MakeCheckList(HWND list);
void SetCheckItems(HWND list, std::span<const CheckItem> items);
bool IsItemChecked(HWND list, int index);
void SetItemChecked(HWND list, int index, bool checked);
int ItemCount(HWND list);
std::wstring ItemText(HWND list, int index, int column = 0);

// The one selected item (single-selection lists), or -1.
int SelectedItem(HWND list);
// Selects and focuses `index` and scrolls it into view.
void SelectItem(HWND list, int index);

// Gives the header control of a report-view list a name for screen readers (it has no text of
// its own to speak).
void NameColumnHeaders(HWND list, std::wstring name);

// Whether an LVN_ITEMCHANGED notification tells of an item's check box changing.
bool IsCheckChange(const NMLISTVIEW& change);

}  // namespace winui
