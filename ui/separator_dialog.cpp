#include "ui/separator_dialog.h"

#include <utility>

namespace tabulora::ui {
namespace {

using winui::ControlKind;
using winui::ControlSpec;

const winui::FontSpec kFonts[] = {{L"Tahoma", 13}};

const ControlSpec kControls[] = {
    {SeparatorDialog::TabRadio, ControlKind::RadioButton, L"Tab", {8, 8, 121, 20}, 0, WS_GROUP | WS_TABSTOP},
    {SeparatorDialog::CommaRadio, ControlKind::RadioButton, L"Comma", {8, 30, 121, 20}},
    {SeparatorDialog::SemicolonRadio, ControlKind::RadioButton, L"Semicolon", {8, 52, 121, 20}},
    {SeparatorDialog::SpaceRadio, ControlKind::RadioButton, L"Space", {8, 74, 121, 20}},
    {SeparatorDialog::OtherRadio, ControlKind::RadioButton, L"Other", {8, 96, 121, 20}},
    {SeparatorDialog::OtherEdit, ControlKind::Edit, L"", {8, 119, 121, 22}, 0, WS_GROUP},
    {SeparatorDialog::OkButton, ControlKind::Button, L"OK", {8, 151, 121, 25}},
    {SeparatorDialog::CancelButton, ControlKind::Button, L"Cancel", {8, 183, 121, 25}},
};

constexpr std::pair<int, const wchar_t*> kFixedChoices[] = {
    {SeparatorDialog::TabRadio, L"\t"},
    {SeparatorDialog::CommaRadio, L","},
    {SeparatorDialog::SemicolonRadio, L";"},
    {SeparatorDialog::SpaceRadio, L" "},
};

}  // namespace

SeparatorDialog::SeparatorDialog(HWND owner, ChosenHandler onChosen) : onChosen_(std::move(onChosen)) {
    CreateFrame({L"TabuloraSeparatorDialog",
                 WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN,
                 WS_EX_DLGMODALFRAME,
                 {138, 216},
                 owner});
    CreateControls(kFonts, kControls);
    SetUp();
}

void SeparatorDialog::SetUp() {
    SetWindowTextW(Handle(), L"CSV Separator");
    SendMessageW(Control(OtherEdit), EM_LIMITTEXT, 1, 0);
    // No label stands before the box: its radio button's caption alone would not say what it holds.
    Describe(OtherEdit, {.name = [] { return std::wstring(L"Other separator character"); }});
}

void SeparatorDialog::Preselect(const std::wstring& separator) {
    for (const auto& [id, fixed] : kFixedChoices) {
        if (separator == fixed) {
            CheckRadio(id);
            return;
        }
    }
    CheckRadio(OtherRadio);
    SetWindowTextW(Control(OtherEdit), separator.c_str());
}

void SeparatorDialog::Show() {
    CentreOnScreen(GetWindow(Handle(), GW_OWNER));
    ShowWindow(Handle(), SW_SHOW);
}

void SeparatorDialog::CheckRadio(int id) {
    CheckRadioButton(Handle(), TabRadio, OtherRadio, id);
    UpdateEditState();
    MoveTabStopToChecked();
}

// Tab enters the choices at the checked one; the arrow keys move between them.
void SeparatorDialog::MoveTabStopToChecked() {
    for (int id = TabRadio; id <= OtherRadio; ++id) {
        const HWND radio = Control(id);
        const LONG_PTR style = GetWindowLongPtrW(radio, GWL_STYLE);
        SetWindowLongPtrW(radio, GWL_STYLE, IsChecked(id) ? (style | WS_TABSTOP) : (style & ~WS_TABSTOP));
    }
}

bool SeparatorDialog::IsChecked(int id) const { return IsDlgButtonChecked(Handle(), id) == BST_CHECKED; }

// The edit box is usable exactly while "Other" is chosen.
void SeparatorDialog::UpdateEditState() { EnableWindow(Control(OtherEdit), IsChecked(OtherRadio)); }

void SeparatorDialog::Accept() {
    std::wstring separator;
    bool chosen = false;
    for (const auto& [id, fixed] : kFixedChoices) {
        if (IsChecked(id)) {
            separator = fixed;
            chosen = true;
            break;
        }
    }
    if (!chosen && IsChecked(OtherRadio)) {
        wchar_t other[2] = {};
        GetWindowTextW(Control(OtherEdit), other, 2);
        separator = other;
        chosen = true;
    }
    if (chosen && onChosen_) onChosen_(separator);
    ShowWindow(Handle(), SW_HIDE);
}

void SeparatorDialog::Cancel() { ShowWindow(Handle(), SW_HIDE); }

// Enter reaches the window as IDOK from the dialog manager, since no button is the default.
// On a focused button it presses that button, as Enter does on any focused push button;
// anywhere else it does nothing.
void SeparatorDialog::PressFocusedButton() {
    const HWND focus = GetFocus();
    if (focus && (focus == Control(OkButton) || focus == Control(CancelButton))) SendMessageW(focus, BM_CLICK, 0, 0);
}

LRESULT SeparatorDialog::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case OkButton: Accept(); return 0;
        case CancelButton: Cancel(); return 0;
        case IDOK: PressFocusedButton(); return 0;
        case TabRadio:
        case CommaRadio:
        case SemicolonRadio:
        case SpaceRadio:
        case OtherRadio:
            UpdateEditState();
            MoveTabStopToChecked();
            return 0;
        }
        break;
    case WM_CLOSE: Cancel(); return 0;
    }
    return Window::HandleMessage(message, wParam, lParam);
}

}  // namespace tabulora::ui
