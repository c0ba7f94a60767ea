#include "engine/system_error_text.h"

#include <windows.h>

#include "engine/text_trim.h"
#include "engine/utf.h"

namespace tabulora {

std::string SystemErrorText(unsigned long code, const wchar_t* module) {
    DWORD flags = FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
    HMODULE source = module ? GetModuleHandleW(module) : nullptr;
    if (source) flags |= FORMAT_MESSAGE_FROM_HMODULE;
    wchar_t* buffer = nullptr;
    const DWORD length = FormatMessageW(flags, source, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text(buffer && length ? buffer : L"", buffer ? length : 0);
    if (buffer) LocalFree(buffer);
    return std::string(TrimBlanksAndControls(WideToUtf8(text)));
}

}  // namespace tabulora
