#include <gtest/gtest.h>

#include "update/notice_link.h"

using namespace tabulora::update;

TEST(NoticeLink, OpensOnlyWebAddressesAndOtherwiseTheHomePage) {
    const std::string home = "http://maker.example:8080/";
    const struct {
        const char* downloadUrl;
        bool opened;
    } cases[] = {
        {"http://maker.example/get/Tabulora-2.2.exe", true},
        {"https://maker.example/get", true},
        {"HTTPS://MAKER.EXAMPLE/GET", true},
        {"hTtP://maker.example/", true},
        {"", false},
        {"file:///c:/x", false},
        {"C:\\x.exe", false},
        {"\\\\server\\share", false},
        {"calc", false},
        {"http:/maker.example", false},
        {"httpx://maker.example", false},
        {" http://maker.example", false},   // leading blank: not a web address as written
        {"ftp://maker.example/get", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(NoticeLinkTarget(c.downloadUrl, tabulora::MakerSite("maker.example:8080")), c.opened ? c.downloadUrl : home)
            << c.downloadUrl;
    }
}
