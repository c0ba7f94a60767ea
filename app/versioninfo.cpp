#include "app/versioninfo.h"

#include <cwchar>
#include <vector>

#include "app/win/text.h"

namespace tabulora {
namespace {

std::string OSErrorMessage(DWORD code) {
    if (code == 0) return "A call to an OS function failed";
    return "System Error.  Code: " + std::to_string(code) + ".\r\n" + winui::WideToUtf8(SystemErrorText(code));
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

std::wstring SystemErrorText(DWORD code) {
    wchar_t* buffer = nullptr;
    DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                      FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ARGUMENT_ARRAY,
                                  nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text(buffer ? buffer : L"", length);
    LocalFree(buffer);
    while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' ')) text.pop_back();
    return text;
}

TEXEVersionData ReadEXEVersionData(const std::wstring& fileName) {
    std::vector<BYTE> block = ReadVersionBlock(fileName);

    const WORD* translation = nullptr;
    UINT translationSize = 0;
    if (!VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation\\", reinterpret_cast<void**>(const_cast<WORD**>(&translation)),
                        &translationSize) ||
        translationSize < 2 * sizeof(WORD)) {
        throw OSError(GetLastError());
    }
    wchar_t key[16];
    swprintf(key, 16, L"%.4x%.4x", translation[0], translation[1]);
    const std::wstring prefix = std::wstring(L"\\StringFileInfo\\") + key;

    TEXEVersionData data;
    const struct {
        const wchar_t* valueName;
        std::wstring TEXEVersionData::*field;
    } fields[] = {
        {L"\\CompanyName", &TEXEVersionData::CompanyName},
        {L"\\FileDescription", &TEXEVersionData::FileDescription},
        {L"\\FileVersion", &TEXEVersionData::FileVersion},
        {L"\\InternalName", &TEXEVersionData::InternalName},
        {L"\\LegalCopyright", &TEXEVersionData::LegalCopyright},
        {L"\\LegalTrademarks", &TEXEVersionData::LegalTrademarks},
        {L"\\OriginalFileName", &TEXEVersionData::OriginalFileName},
        {L"\\ProductName", &TEXEVersionData::ProductName},
        {L"\\ProductVersion", &TEXEVersionData::ProductVersion},
        {L"\\Comments", &TEXEVersionData::Comments},
        {L"\\PrivateBuild", &TEXEVersionData::PrivateBuild},
        {L"\\SpecialBuild", &TEXEVersionData::SpecialBuild},
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
