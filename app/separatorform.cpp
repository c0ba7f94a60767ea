#include "app/separatorform.h"

#include <utility>

namespace tabulora {
namespace {

using winui::ControlKind;
using winui::ControlSpec;

const winui::FontSpec kFonts[] = {{L"Tahoma", 13}};

const ControlSpec kControls[] = {
    {TFormSeparator::RadioButton1, ControlKind::RadioButton, L"Tab", {8, 8, 121, 20}, 0, WS_GROUP | WS_TABSTOP},
    {TFormSeparator::RadioButton2, ControlKind::RadioButton, L"Comma", {8, 30, 121, 20}},
    {TFormSeparator::RadioButton3, ControlKind::RadioButton, L"Semicolon", {8, 52, 121, 20}},
    {TFormSeparator::RadioButton4, ControlKind::RadioButton, L"Space", {8, 74, 121, 20}},
    {TFormSeparator::RadioButton5, ControlKind::RadioButton, L"Other", {8, 96, 121, 20}},
    {TFormSeparator::Edit1, ControlKind::Edit, L"", {8, 119, 121, 22}, 0, WS_GROUP},
    {TFormSeparator::Button1, ControlKind::Button, L"OK", {8, 151, 121, 25}},
    {TFormSeparator::Button2, ControlKind::Button, L"Cancel", {8, 183, 121, 25}},
};

constexpr std::pair<int, const wchar_t*> kFixedChoices[] = {
    {TFormSeparator::RadioButton1, L"\\t"},
    {TFormSeparator::RadioButton2, L","},
    {TFormSeparator::RadioButton3, L";"},
    {TFormSeparator::RadioButton4, L" "},
};

}  // namespace

TFormSeparator::TFormSeparator(HWND owner, HWND separatorButton) : separatorButton_(separatorButton) {
    CreateFrame({L"TFormSeparator", WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN, WS_EX_DLGMODALFRAME,
                 {138, 216}, owner});
    CreateControls(kFonts, kControls);
    FormCreate();
}

void TFormSeparator::FormCreate() {
    SetWindowTextW(Handle(), L"CSV Separator");
    SendMessageW(Control(Edit1), EM_LIMITTEXT, 1, 0);
}

void TFormSeparator::Preselect(const std::wstring& caption) {
    for (const auto& [id, text] : kFixedChoices) {
        if (caption == text) {
            CheckRadio(id);
            return;
        }
    }
    CheckRadio(RadioButton5);
    SetWindowTextW(Control(Edit1), caption.c_str());
}

void TFormSeparator::Show() {
    CentreOnScreen(GetWindow(Handle(), GW_OWNER));
    ShowWindow(Handle(), SW_SHOW);
}

void TFormSeparator::CheckRadio(int id) {
    CheckRadioButton(Handle(), RadioButton1, RadioButton5, id);
    UpdateEditState();
}

bool TFormSeparator::IsChecked(int id) const { return IsDlgButtonChecked(Handle(), id) == BST_CHECKED; }

// The edit box is usable exactly while "Other" is chosen.
void TFormSeparator::UpdateEditState() { EnableWindow(Control(Edit1), IsChecked(RadioButton5)); }

void TFormSeparator::Button1Click() {
    std::wstring caption;
    bool chosen = false;
    for (const auto& [id, text] : kFixedChoices) {
        if (IsChecked(id)) {
            caption = text;
            chosen = true;
            break;
        }
    }
    if (!chosen && IsChecked(RadioButton5)) {
        wchar_t other[2] = {};
        GetWindowTextW(Control(Edit1), other, 2);
        caption = other;
        chosen = true;
    }
    if (chosen) SetWindowTextW(separatorButton_, caption.c_str());
    ShowWindow(Handle(), SW_HIDE);
}

void TFormSeparator::Button2Click() { ShowWindow(Handle(), SW_HIDE); }

LRESULT TFormSeparator::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case Button1: Button1Click(); return 0;
        case Button2: Button2Click(); return 0;
        case RadioButton1:
        case RadioButton2:
        case RadioButton3:
        case RadioButton4:
        case RadioButton5: UpdateEditState(); return 0;
        }
        break;
    case WM_CLOSE:
        Button2Click();
        return 0;
    }
    return Window::HandleMessage(message, wParam, lParam);
}

}  // namespace tabulora
