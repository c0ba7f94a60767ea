#include <windows.h>

#include "update/text_utils.h"
#include "update/win_text.h"

namespace tabulora::update {

std::string Win32ErrorText(unsigned long code, const wchar_t* module) {
    DWORD flags = FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
    HMODULE source = module ? GetModuleHandleW(module) : nullptr;
    if (source) flags |= FORMAT_MESSAGE_FROM_HMODULE;
    wchar_t* buffer = nullptr;
    const DWORD length =
        FormatMessageW(flags, source, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::string text;
    if (length != 0 && buffer) text = std::string(TrimBlanksAndControls(WideToUtf8({buffer, length})));
    if (buffer) LocalFree(buffer);
    if (text.empty()) text = "Error";
    return text + " (" + std::to_string(code) + ")";
}

}  // namespace tabulora::update
