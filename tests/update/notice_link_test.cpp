#include <gtest/gtest.h>

#include "update/notice_link.h"

using namespace tabulora::update;

TEST(NoticeLink, OpensOnlySafeWebAddressesAndOtherwiseTheHomePage) {
    const std::string home = "http://maker.example:8080/";
    const std::string longest = "https://maker.example/" + std::string(kMaxDownloadUrlLength - 22, 'a');
    const struct {
        std::string downloadUrl;
        bool opened;
    } cases[] = {
        {"http://maker.example/get/Tabulora-2.2.exe", true},
        {"https://maker.example/get", true},
        {"HTTPS://MAKER.EXAMPLE/GET", true},
        {"hTtP://maker.example/", true},
        {"https://maker.example", true},
        {"https://user@maker.example:443/get?v=2.2&x=%22#top", true},
        {"https://[2001:db8::1]/get", true},
        {"https://maker.example/T\xC3\xA9l\xC3\xA9"
         "charger",
         true},  // non-ASCII is not refused
        {longest, true},
        {longest + "a", false},
        {"", false},
        {"file:///c:/x", false},
        {"C:\\x.exe", false},
        {"\\\\server\\share", false},
        {"calc", false},
        {"http:/maker.example", false},
        {"httpx://maker.example", false},
        {" http://maker.example", false},  // leading blank: not a web address as written
        {"ftp://maker.example/get", false},
        // No host.
        {"http://", false},
        {"https:///get", false},
        {"https://:443/get", false},
        {"https://user@/get", false},
        {"https://?q", false},
        {"https://[]/get", false},
        // Bytes that could end or bend the address on the browser's command line.
        {"https://maker.example/a b", false},
        {"https://maker.example/a\tb", false},
        {"https://maker.example/a\nb", false},
        {std::string("https://maker.example/a\0b", 25), false},
        {"https://maker.example/a\x7F", false},
        {"https://maker.example/\" --new-window \"x", false},
        {"https://maker.example/<script>", false},
        {"https://maker.example/a>b", false},
        {"https://maker.example\\..\\x", false},
        {"https://maker.example/\x1F", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(NoticeLinkTarget(c.downloadUrl, tabulora::MakerSite("maker.example:8080")),
                  c.opened ? c.downloadUrl : home)
            << c.downloadUrl;
    }
}
