#pragma once
#include <windows.h>

#include <functional>
#include <string>

namespace winui {

// What a control tells a screen reader beyond what the system's standard accessible object
// derives from it. Every part is optional: an empty function or a zero keeps the standard answer.
struct AccessibleDescription {
    std::function<std::wstring()> name{};
    long role = 0;  // ROLE_SYSTEM_...
    // Added to the standard states (STATE_SYSTEM_CHECKED, STATE_SYSTEM_HASPOPUP, ...).
    std::function<long()> extraStates{};
    std::function<std::wstring()> value{};
    std::wstring defaultAction{};
    std::function<void()> doDefaultAction{};
};

// Answers WM_GETOBJECT for the control's client area with the standard accessible object, the
// parts of `description` put in its place. A second call replaces the description. Ends with the
// control.
void DescribeForAccessibility(HWND control, AccessibleDescription description);

// The text of the static label right before `control` among its siblings, without its "&"
// marks; empty when the previous sibling is not a label. This is the name Windows gives an edit
// box that has no text of its own to speak.
std::wstring LabelBefore(HWND control);

// Whether the user has a high-contrast theme on. TABULORA_HIGH_CONTRAST=1 in the environment
// also says so, for systems whose SystemParametersInfo does not report the setting.
bool HighContrastOn();

}  // namespace winui
