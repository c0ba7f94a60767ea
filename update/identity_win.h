#pragma once
#include <windows.h>

#include <string>

namespace tabulora::update {

// For example "Windows 10 (Version 10.0, Build 19045, 64-bit Edition)". Never raises.
std::string GetOSDescription();

// "language-COUNTRY" (ISO 639 and ISO 3166 names) of the locale, or "xx" when the locale is
// not supported or the lookup fails; 0 stands for US English. Never raises.
std::string GetUserLocaleName(LCID locale);

// The machine GUID from the 64-bit registry view, empty when absent; raises SettingsError
// when it is stored in a form other than text.
std::string GetMachineGuid();

}  // namespace tabulora::update
