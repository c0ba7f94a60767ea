#include "app/regional.h"

#include <windows.h>

namespace tabulora {

std::wstring ListSeparator() {
    wchar_t separator[8] = {};
    if (GetLocaleInfoW(GetThreadLocale(), LOCALE_SLIST, separator, 8) < 2) return L",";
    return std::wstring(1, separator[0]);
}

}  // namespace tabulora
