#include "base/maker_site.h"

#include <algorithm>
#include <cstdlib>

#include "base/text.h"

namespace tabulora {

MakerSite MakerSite::FromEnvironment() {
    const char* host = std::getenv("TABULORA_MAKER_HOST");
    return MakerSite(host && *host ? host : kDefaultMakerHost);
}

std::string MakerSite::HomePage() const { return "http://" + host_ + "/"; }

std::string MakerSite::OnlineHelpPage(std::string_view productName) const {
    std::string page = AsciiLower(productName);
    std::replace(page.begin(), page.end(), ' ', '-');
    return "http://" + host_ + "/help/" + page + "/";
}

std::string MakerSite::AcknowledgementsPage() const {
    return "https://" + host_ + "/blog/credits-and-acknowledgements/";
}

std::string MakerSite::UninstallHelpPage() const {
    return "http://" + host_ + "/blog/how-to-uninstall-brimtal-software/";
}

std::string MakerSite::UpdateCheckAddress() const { return host_ + "/php/check2.php"; }

std::string MakerSite::FeedbackAddress() const { return host_ + "/php/feedback.php"; }

}  // namespace tabulora
