#include "platform/win32_error.h"

#include "engine/system_error_text.h"

namespace tabulora {

std::string Win32ErrorText(unsigned long code, const wchar_t* module) {
    std::string text = SystemErrorText(code, module);
    if (text.empty()) text = "Error";
    return text + " (" + std::to_string(code) + ")";
}

}  // namespace tabulora
