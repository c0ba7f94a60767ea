#include "app/program_identity.h"

#include "app/version_info.h"
#include "engine/utf.h"
#include "winui/messages.h"

namespace tabulora {

AppIdentity ReadProgramIdentity(const std::wstring& path) {
    std::wstring company, product;
    try {
        const VersionStrings strings = ReadVersionStrings(path);
        company = strings.CompanyName;
        product = strings.ProductName;
    } catch (const OSError& error) {
        winui::ShowUnhandledError(error.what());
    }
    return MakeAppIdentity(WideToUtf8(company), WideToUtf8(product), WideToUtf8(ReadFileVersionText(path)));
}

}  // namespace tabulora
