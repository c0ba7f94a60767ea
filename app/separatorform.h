#pragma once
#include <windows.h>

#include <string>

#include "app/win/window.h"

namespace tabulora {

// The modeless dialog that picks the CSV separator and writes it to the separator button's
// caption ("\t" standing for a TAB).
class TFormSeparator : public winui::Window {
public:
    enum ControlId : int {
        RadioButton1 = 101,   // Tab
        RadioButton2,         // Comma
        RadioButton3,         // Semicolon
        RadioButton4,         // Space
        RadioButton5,         // Other
        Edit1,
        Button1 = IDOK,       // OK
        Button2 = IDCANCEL,   // Cancel; Esc presses it
    };

    // `owner` is the main window; `separatorButton` the button whose caption is the separator.
    TFormSeparator(HWND owner, HWND separatorButton);

    // Checks the radio button that matches `caption`; any other caption selects "Other" and
    // goes into the edit box.
    void Preselect(const std::wstring& caption);
    void Show();
    bool IsOpen() const { return IsWindowVisible(Handle()) != FALSE; }

    void Button1Click();
    void Button2Click();

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void FormCreate();
    void CheckRadio(int id);
    bool IsChecked(int id) const;
    void UpdateEditState();

    HWND separatorButton_;
};

}  // namespace tabulora
