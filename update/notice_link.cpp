#include "update/notice_link.h"

#include "base/text.h"

namespace tabulora::update {
namespace {

bool IsWebAddress(std::string_view address) {
    const std::string lower = AsciiLower(address.substr(0, 8));
    return lower.starts_with("http://") || lower.starts_with("https://");
}

}  // namespace

std::string NoticeLinkTarget(std::string_view downloadUrl, const MakerSite& site) {
    return IsWebAddress(downloadUrl) ? std::string(downloadUrl) : site.HomePage();
}

}  // namespace tabulora::update
