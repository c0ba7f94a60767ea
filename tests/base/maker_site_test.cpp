#include <gtest/gtest.h>

#include "base/app_identity.h"
#include "base/maker_site.h"

namespace {

using tabulora::MakerSite;

TEST(MakerSite, BuildsEveryPageAndFormAddressOnItsHost) {
    const MakerSite site("maker.example:8080");
    EXPECT_EQ(site.HomePage(), "http://maker.example:8080/");
    EXPECT_EQ(site.AcknowledgementsPage(), "https://maker.example:8080/blog/credits-and-acknowledgements/");
    EXPECT_EQ(site.UninstallHelpPage(), "http://maker.example:8080/blog/how-to-uninstall-brimtal-software/");
    EXPECT_EQ(site.UpdateCheckAddress(), "maker.example:8080/php/check2.php");
    EXPECT_EQ(site.FeedbackAddress(), "maker.example:8080/php/feedback.php");
}

TEST(MakerSite, HelpPageLowerCasesOnlyAsciiLettersAndDashesSpaces) {
    const MakerSite site("tabulora.example");
    const struct {
        const char* product;
        const char* page;
    } cases[] = {
        {"Tabulora", "http://tabulora.example/help/tabulora/"},
        {"My Great APP", "http://tabulora.example/help/my-great-app/"},
        {"\xC3\x84rger Tool", "http://tabulora.example/help/\xC3\x84rger-tool/"},  // only A to Z change
    };
    for (const auto& c : cases) EXPECT_EQ(site.OnlineHelpPage(c.product), c.page) << c.product;
}

TEST(AppIdentity, TitleJoinsCompanyAndProduct) {
    const tabulora::AppIdentity identity = tabulora::MakeAppIdentity("BRIMTAL", "Tabulora", "1.1");
    EXPECT_EQ(identity.title, "BRIMTAL - Tabulora");
    EXPECT_EQ(identity.version, "1.1");
}

}  // namespace
