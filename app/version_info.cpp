#include "app/version_info.h"

#include <cwchar>
#include <vector>

#include "platform/win32_error.h"

namespace tabulora {
namespace {

std::string OSErrorMessage(DWORD code) {
    if (code == 0) return "A call to an OS function failed";
    return "System Error.  Code: " + std::to_string(code) + ".\r\n" + SystemErrorText(code);
}

std::vector<BYTE> ReadVersionBlock(const std::wstring& fileName) {
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeW(fileName.c_str(), &ignored);
    if (size == 0) throw OSError(GetLastError());
    std::vector<BYTE> block(size);
    if (!GetFileVersionInfoW(fileName.c_str(), 0, size, block.data())) throw OSError(GetLastError());
    return block;
}

}  // namespace

OSError::OSError(DWORD code) : std::runtime_error(OSErrorMessage(code)), code_(code) {}

VersionStrings ReadVersionStrings(const std::wstring& fileName) {
    std::vector<BYTE> block = ReadVersionBlock(fileName);

    const WORD* translation = nullptr;
    UINT translationSize = 0;
    if (!VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation\\",
                        reinterpret_cast<void**>(const_cast<WORD**>(&translation)), &translationSize) ||
        translationSize < 2 * sizeof(WORD)) {
        throw OSError(GetLastError());
    }
    wchar_t key[16];
    swprintf(key, 16, L"%.4x%.4x", translation[0], translation[1]);
    const std::wstring prefix = std::wstring(L"\\StringFileInfo\\") + key;

    VersionStrings data;
    const struct {
        const wchar_t* valueName;
        std::wstring VersionStrings::*field;
    } fields[] = {
        {L"\\CompanyName", &VersionStrings::CompanyName},
        {L"\\FileDescription", &VersionStrings::FileDescription},
        {L"\\FileVersion", &VersionStrings::FileVersion},
        {L"\\InternalName", &VersionStrings::InternalName},
        {L"\\LegalCopyright", &VersionStrings::LegalCopyright},
        {L"\\LegalTrademarks", &VersionStrings::LegalTrademarks},
        {L"\\OriginalFileName", &VersionStrings::OriginalFileName},
        {L"\\ProductName", &VersionStrings::ProductName},
        {L"\\ProductVersion", &VersionStrings::ProductVersion},
        {L"\\Comments", &VersionStrings::Comments},
        {L"\\PrivateBuild", &VersionStrings::PrivateBuild},
        {L"\\SpecialBuild", &VersionStrings::SpecialBuild},
    };
    for (const auto& field : fields) {
        const std::wstring subBlock = prefix + field.valueName;
        wchar_t* value = nullptr;
        UINT length = 0;
        if (VerQueryValueW(block.data(), subBlock.c_str(), reinterpret_cast<void**>(&value), &length) && value) {
            data.*field.field = value;
        }
    }
    return data;
}

std::wstring ReadFileVersionText(const std::wstring& fileName) {
    DWORD major = 65535;
    DWORD minor = 65535;
    try {
        std::vector<BYTE> block = ReadVersionBlock(fileName);
        VS_FIXEDFILEINFO* fixed = nullptr;
        UINT size = 0;
        if (VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &size) && fixed &&
            size >= sizeof *fixed) {
            major = HIWORD(fixed->dwFileVersionMS);
            minor = LOWORD(fixed->dwFileVersionMS);
        }
    } catch (const OSError&) {
        // the version stays 65535.65535
    }
    return std::to_wstring(major) + L"." + std::to_wstring(minor);
}

}  // namespace tabulora
