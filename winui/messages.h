#pragma once
#include <windows.h>

#include <string>
#include <string_view>

namespace winui {

// The application's title: the caption of the unhandled-error box.
void SetApplicationTitle(std::wstring title);
const std::wstring& ApplicationTitle();

// A modal box with a single OK button, through the installed side effects.
void ShowMessage(HWND owner, const std::wstring& text, const std::wstring& caption, UINT icon);

// The text shown for an unhandled error: a final "." is added unless the text already ends in a
// character whose code is at or below that of ".".
std::wstring UnhandledErrorText(std::wstring_view message);

// The application's handler for errors that no command caught: a box captioned with the
// application title, with the error icon.
void ShowUnhandledError(std::string_view utf8Message);

}  // namespace winui
