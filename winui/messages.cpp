#include "winui/messages.h"

#include "winui/side_effects.h"
#include "winui/text.h"

namespace winui {
namespace {
std::wstring applicationTitle;
}

void SetApplicationTitle(std::wstring title) { applicationTitle = std::move(title); }
const std::wstring& ApplicationTitle() { return applicationTitle; }

void ShowMessage(HWND owner, const std::wstring& text, const std::wstring& caption, UINT icon) {
    Effects().ShowMessage(owner, text, caption, MB_OK | icon);
}

std::wstring UnhandledErrorText(std::wstring_view message) {
    std::wstring text(message);
    if (text.empty() || text.back() > L'.') text += L'.';
    return text;
}

void ShowUnhandledError(std::string_view utf8Message) {
    HWND owner = GetActiveWindow();
    ShowMessage(owner, UnhandledErrorText(Utf8ToWide(utf8Message)), ApplicationTitle(), MB_ICONERROR);
}

}  // namespace winui
