#include "update/notice_link.h"

#include "update/text_utils.h"

namespace tabulora::update {
namespace {

bool IsWebAddress(std::string_view address) {
    const std::string lower = AsciiLower(address.substr(0, 8));
    return lower.starts_with("http://") || lower.starts_with("https://");
}

}  // namespace

std::string MakerHomePage(std::string_view makerHost) {
    return "http://" + std::string(makerHost) + "/";
}

std::string NoticeLinkTarget(std::string_view downloadUrl, std::string_view makerHost) {
    return IsWebAddress(downloadUrl) ? std::string(downloadUrl) : MakerHomePage(makerHost);
}

}  // namespace tabulora::update
