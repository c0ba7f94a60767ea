#include <gtest/gtest.h>

#include "base/text.h"
#include "update/check.h"
#include "update/check_rules.h"
#include "update/notice_link.h"

using namespace tabulora;
using namespace tabulora::update;

namespace {

bool Valid(const std::string& answer) { return IsValidCheckAnswer(answer, SplitLines(answer)); }

}  // namespace

TEST(CheckAnswer, ValidOnlyWithoutErrorPrefixAndWithResultZeroOrOneOnLineFour) {
    const struct {
        const char* answer;
        bool valid;
    } cases[] = {
        {"<version>2.1</version>\r\n<url>u</url>\r\n\r\n<result>0</result>", true},
        {"<version>2.1</version>\n<url>u</url>\nx\n<result>1</result>\n\n<important></important>", true},
        {"<version>2.1</version>\r<url>u</url>\r\r<result>1</result>", true},
        {"ERROR: unknown product\r\n\r\n\r\n<result>0</result>", false},
        {"ERROR", false},
        {"<version>2.1</version>\r\n<url>u</url>\r\n<result>0</result>", false},  // three lines
        {"<version>2.1</version>\r\n<url>u</url>\r\n\r\n<result>2</result>", false},
        {"<version>2.1</version>\r\n<url>u</url>\r\n\r\n<result> 1</result>", false},
        {"<version>2.1</version>\r\n<url>u</url>\r\n\r\n<Result>1</Result>", false},
        {"", false},
        {"error\r\n\r\n\r\n<result>0</result>", true},  // the prefix test is case-sensitive
    };
    for (const auto& c : cases) EXPECT_EQ(Valid(c.answer), c.valid) << c.answer;
}

TEST(CheckAnswer, FieldsAreReadByLinePosition) {
    const CheckAnswerFields full = ReadCheckAnswerFields(
        SplitLines("<version>2.1</version>\r\n<url>https://x/d</url>\r\n<url>no</url>\r\n<result>0</result>\r\n\r\n"
                   "<important>Read me</important>\r\n<important>not this</important>"));
    EXPECT_EQ(full.version, "2.1");
    EXPECT_EQ(full.url, "https://x/d");
    EXPECT_EQ(full.important, "Read me");

    const CheckAnswerFields shortAnswer =
        ReadCheckAnswerFields(SplitLines("2.1\r\n<url>u</url>\r\n\r\n<result>0</result>"));
    EXPECT_EQ(shortAnswer.version, "");  // no version tag
    EXPECT_EQ(shortAnswer.url, "u");
    EXPECT_EQ(shortAnswer.important, "");  // fewer than six lines
}

TEST(CheckAnswer, AnOverlongVersionOrAddressReadsAsEmptyAndLeavesTheOtherFields) {
    const auto fields = [](const std::string& version, const std::string& url) {
        return ReadCheckAnswerFields(SplitLines("<version>" + version + "</version>\r\n<url>" + url +
                                                "</url>\r\n\r\n<result>0</result>\r\n\r\n<important>Hi</important>"));
    };
    const std::string version64(kMaxVersionLength, '1');
    const std::string url2048 = "https://x/" + std::string(kMaxDownloadUrlLength - 10, 'u');
    CheckAnswerFields atLimit = fields(version64, url2048);
    EXPECT_EQ(atLimit.version, version64);
    EXPECT_EQ(atLimit.url, url2048);

    CheckAnswerFields longVersion = fields(version64 + "1", "https://x/d");
    EXPECT_EQ(longVersion.version, "");
    EXPECT_EQ(longVersion.url, "https://x/d");
    EXPECT_EQ(longVersion.important, "Hi");

    CheckAnswerFields longUrl = fields("2.2", url2048 + "u");
    EXPECT_EQ(longUrl.version, "2.2");
    EXPECT_EQ(longUrl.url, "");
    EXPECT_EQ(longUrl.important, "Hi");

    // Characters, not bytes: 64 two-byte characters are within the limit, 65 are not.
    std::string wide;
    for (size_t i = 0; i < kMaxVersionLength; ++i) wide += "\xC3\xA9";
    EXPECT_EQ(fields(wide, "").version, wide);
    EXPECT_EQ(fields(wide + "\xC3\xA9", "").version, "");
}

TEST(DailyLimit, FiveValidAnswersADay) {
    EXPECT_FALSE(DailyLimitReached("", 0, "1/2/2026"));
    EXPECT_FALSE(DailyLimitReached("1/2/2026", 4, "1/2/2026"));
    EXPECT_TRUE(DailyLimitReached("1/2/2026", 5, "1/2/2026"));
    EXPECT_TRUE(DailyLimitReached("1/2/2026", 7, "1/2/2026"));
    EXPECT_FALSE(DailyLimitReached("1/1/2026", 7, "1/2/2026"));

    EXPECT_EQ(NextDayCount("1/2/2026", 4, "1/2/2026"), 5);
    EXPECT_EQ(NextDayCount("1/1/2026", 7, "1/2/2026"), 1);
    EXPECT_EQ(NextDayCount("", 0, "1/2/2026"), 1);
}

TEST(NoticeDecision, AnyDifferingNumericVersionWithNoticesOnAndUnderTheDailyCount) {
    const char* today = "1/2/2026";
    const struct {
        const char* server;
        const char* app;
        int showUpdate;
        const char* previousDay;
        int newDayCount;
        bool notice;
    } cases[] = {
        {"2.1", "2.0", 1, "", 1, true},
        {"1.10", "1.1", 1, "", 1, true},            // texts differ, 110 is a number
        {"2.0 beta", "1.1", 1, "", 1, false},       // not a number without the points
        {"1.0", "2.1", 1, "", 1, true},             // older but different: shown
        {"2.1", "2.1", 1, "", 1, false},            // same version
        {"", "2.1", 1, "", 1, false},               // no version in the answer
        {"2.2", "2.1", 0, "", 1, false},            // notices off
        {"2.2", "2.1", 2, "", 1, false},            // only exactly 1 means on
        {"2.2", "2.1", 1, today, 4, true},          // fourth answer of the day
        {"2.2", "2.1", 1, today, 5, false},         // fifth answer of the day
        {"2.2", "2.1", 1, "1/1/2026", 1, true},     // a later day
        {"99999999999.0", "2.1", 1, "", 1, false},  // does not fit in 32 bits
    };
    for (const auto& c : cases) {
        const NoticeInputs in{c.server, c.app, c.showUpdate, c.previousDay, today, c.newDayCount};
        EXPECT_EQ(ShouldAnnounceNewVersion(in), c.notice) << c.server << " vs " << c.app;
    }
}

TEST(CheckErrors, BlankMessagesAreIgnoredOthersJoinedByTwoCrs) {
    CheckResults results;
    results.AddCheckError(" \r\n\t");
    EXPECT_FALSE(results.CheckFailed);
    EXPECT_EQ(results.CheckErrors, "");
    results.AddCheckError("Error: GUID generate problem!");
    results.AddCheckError("HTTPS Response:\rrefused");
    EXPECT_TRUE(results.CheckFailed);
    EXPECT_EQ(results.CheckErrors, "Error: GUID generate problem!\r\rHTTPS Response:\rrefused");
    results.ClearCheckErrors();
    EXPECT_FALSE(results.CheckFailed);
    EXPECT_EQ(results.CheckErrors, "");
}
