#pragma once
#include <windows.h>

#include <span>
#include <string>

namespace winui {

// A drop-down list (CBS_DROPDOWNLIST): replaces its entries and selects `selected` (-1: none).
// The same entries as shown change nothing but the selection.
void SetComboItems(HWND combo, std::span<const std::wstring> items, int selected);
// The selected entry, or -1.
int ComboSelection(HWND combo);
void SelectComboItem(HWND combo, int index);
int ComboItemCount(HWND combo);
std::wstring ComboItemText(HWND combo, int index);

}  // namespace winui
