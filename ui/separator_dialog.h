#pragma once
#include <windows.h>

#include <string>

#include "winui/window.h"

namespace tabulora::ui {

// The modeless dialog that picks the CSV separator and writes it to the separator button's
// caption ("\t" standing for a TAB).
class SeparatorDialog : public winui::Window {
public:
    enum ControlId : int {
        TabRadio = 101,   // Tab
        CommaRadio,         // Comma
        SemicolonRadio,         // Semicolon
        SpaceRadio,         // Space
        OtherRadio,         // Other
        OtherEdit,
        OkButton = IDOK,       // OK
        CancelButton = IDCANCEL,   // Cancel; Esc presses it
    };

    // `owner` is the main window; `separatorButton` the button whose caption is the separator.
    SeparatorDialog(HWND owner, HWND separatorButton);

    // Checks the radio button that matches `caption`; any other caption selects "Other" and
    // goes into the edit box.
    void Preselect(const std::wstring& caption);
    void Show();
    bool IsOpen() const { return IsWindowVisible(Handle()) != FALSE; }

    void Accept();
    void Cancel();

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void SetUp();
    void CheckRadio(int id);
    bool IsChecked(int id) const;
    void UpdateEditState();

    HWND separatorButton_;
};

}  // namespace tabulora::ui
