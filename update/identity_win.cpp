#include "update/identity_win.h"

#include "engine/utf.h"
#include "platform/win32_error.h"
#include "update/errors.h"
#include "update/identity.h"

namespace tabulora::update {
namespace {

// RtlGetVersion reports the true version; GetVersionEx is capped by the manifest.
bool ReadVersion(OSVERSIONINFOEXW& info) {
    using RtlGetVersionFunction = LONG(WINAPI*)(OSVERSIONINFOEXW*);
    info = {};
    info.dwOSVersionInfoSize = sizeof(info);
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    const auto rtlGetVersion =
        ntdll ? reinterpret_cast<RtlGetVersionFunction>(reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlGetVersion")))
              : nullptr;
    return rtlGetVersion && rtlGetVersion(&info) == 0;
}

std::wstring LocaleText(LCID locale, LCTYPE type) {
    wchar_t buffer[16] = {};
    const int length = GetLocaleInfoW(locale, type, buffer, static_cast<int>(std::size(buffer)));
    return length > 1 ? std::wstring(buffer, static_cast<size_t>(length - 1)) : std::wstring();
}

}  // namespace

std::string GetOSDescription() {
    OsVersionFacts facts;
    OSVERSIONINFOEXW info;
    if (ReadVersion(info)) {
        facts.major = info.dwMajorVersion;
        facts.minor = info.dwMinorVersion;
        facts.build = info.dwBuildNumber;
        facts.servicePackMajor = info.wServicePackMajor;
        facts.workstation = info.wProductType == VER_NT_WORKSTATION;
    }
    SYSTEM_INFO system{};
    GetNativeSystemInfo(&system);
    facts.x64 = system.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_AMD64;
    try {
        return FormatOsDescription(facts);
    } catch (const std::exception&) {
        return {};
    }
}

std::string GetUserLocaleName(LCID locale) {
    try {
        if (locale == 0) locale = MAKELCID(MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), SORT_DEFAULT);
        if (!IsValidLocale(locale, LCID_SUPPORTED)) return "xx";
        const std::wstring language = LocaleText(locale, LOCALE_SISO639LANGNAME);
        const std::wstring country = LocaleText(locale, LOCALE_SISO3166CTRYNAME);
        if (language.empty() || country.empty()) return "xx";
        return WideToUtf8(language) + "-" + WideToUtf8(country);
    } catch (const std::exception&) {
        return "xx";
    }
}

std::string GetMachineGuid() {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Cryptography", 0, KEY_QUERY_VALUE | KEY_WOW64_64KEY,
                      &key) != ERROR_SUCCESS)
        return {};
    wchar_t buffer[256] = {};
    DWORD size = sizeof(buffer) - sizeof(wchar_t);
    DWORD type = 0;
    const LONG status = RegQueryValueExW(key, L"MachineGuid", nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
    RegCloseKey(key);
    if (status == ERROR_FILE_NOT_FOUND) return {};
    if (status != ERROR_SUCCESS) throw SettingsError("Cannot read MachineGuid: " + Win32ErrorText(status));
    if (type != REG_SZ && type != REG_EXPAND_SZ) throw SettingsError("Invalid data type for MachineGuid");
    std::wstring guid(buffer, size / sizeof(wchar_t));
    while (!guid.empty() && guid.back() == L'\0') guid.pop_back();
    return WideToUtf8(guid);
}

}  // namespace tabulora::update
