#include "winui/browser.h"

#include <windows.h>

#include "winui/side_effects.h"
#include "winui/text.h"

namespace winui {

void OpenInBrowser(const std::string& address) {
    try {
        Effects().OpenWithShell(GetDesktopWindow(), L"open", Utf8ToWide(address), L"", SW_HIDE);
    } catch (...) {
        // nothing to report: the user can open the page by hand
    }
}

}  // namespace winui
