#include "app/regional.h"

#include <windows.h>

namespace tabulora {

std::wstring ListSeparatorCaption() {
    wchar_t separator[8] = {};
    if (GetLocaleInfoW(GetThreadLocale(), LOCALE_SLIST, separator, 8) < 2) return L",";
    if (separator[0] == L'\t') return L"\\t";
    return std::wstring(1, separator[0]);
}

}  // namespace tabulora
