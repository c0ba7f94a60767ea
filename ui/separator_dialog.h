#pragma once
#include <windows.h>

#include <functional>
#include <string>

#include "winui/window.h"

namespace tabulora::ui {

// The modeless dialog that picks the CSV separator. OK hands the chosen separator (a TAB as
// itself) to its owner; Cancel, Esc and the close box hand over nothing. OK is no default
// button: Enter presses a button only while that button has the focus.
class SeparatorDialog : public winui::Window {
public:
    enum ControlId : int {
        TabRadio = 101,  // Tab
        CommaRadio,      // Comma
        SemicolonRadio,  // Semicolon
        SpaceRadio,      // Space
        OtherRadio,      // Other
        OtherEdit,
        OkButton,                 // OK; not IDOK, which the dialog manager sends for Enter
        CancelButton = IDCANCEL,  // Cancel; Esc presses it
    };

    using ChosenHandler = std::function<void(const std::wstring& separator)>;

    // `owner` is the main window; `onChosen` receives the separator when OK is pressed.
    SeparatorDialog(HWND owner, ChosenHandler onChosen);

    // Checks the radio button of `separator`; any other separator selects "Other" and goes into
    // the edit box.
    void Preselect(const std::wstring& separator);
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
    void MoveTabStopToChecked();
    void PressFocusedButton();

    ChosenHandler onChosen_;
};

}  // namespace tabulora::ui
