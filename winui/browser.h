#pragma once
#include <string>

namespace winui {

// Hands a web address to the default browser through the shell. Opening a page is a
// convenience: a failure is not reported.
void OpenInBrowser(const std::string& address);

}  // namespace winui
