#include "update/notice_link.h"

#include "base/text.h"
#include "engine/utf.h"

namespace tabulora::update {
namespace {

bool IsRefusedByte(unsigned char byte) {
    return byte <= 0x20 || byte == 0x7F || byte == '"' || byte == '<' || byte == '>' || byte == '\\';
}

// The host of "scheme://[userinfo@]host[:port][/path...]", possibly empty.
std::string_view HostOf(std::string_view rest) {
    std::string_view authority = rest.substr(0, rest.find_first_of("/?#"));
    if (const size_t at = authority.rfind('@'); at != std::string_view::npos) authority.remove_prefix(at + 1);
    if (authority.starts_with('[')) {
        const size_t close = authority.find(']');
        return close == std::string_view::npos ? std::string_view() : authority.substr(1, close - 1);
    }
    return authority.substr(0, authority.find(':'));
}

}  // namespace

bool IsSafeDownloadAddress(std::string_view address) {
    const std::string scheme = AsciiLower(address.substr(0, 8));
    size_t hostStart = 0;
    if (scheme.starts_with("http://")) {
        hostStart = 7;
    } else if (scheme.starts_with("https://")) {
        hostStart = 8;
    } else {
        return false;
    }
    for (const char c : address)
        if (IsRefusedByte(static_cast<unsigned char>(c))) return false;
    if (Utf8ToUtf16(address).size() > kMaxDownloadUrlLength) return false;
    return !HostOf(address.substr(hostStart)).empty();
}

std::string NoticeLinkTarget(std::string_view downloadUrl, const MakerSite& site) {
    return IsSafeDownloadAddress(downloadUrl) ? std::string(downloadUrl) : site.HomePage();
}

}  // namespace tabulora::update
