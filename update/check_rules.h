#pragma once
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tabulora::update {

// At most this many valid answers are fetched per calendar day.
inline constexpr int kAnswersPerDay = 5;

// True when the server's answer may be used: it does not begin with "ERROR" and its fourth
// line holds the result field "0" or "1".
bool IsValidCheckAnswer(std::string_view answerText, const std::vector<std::string>& answerLines);

// The longest version text the check keeps, in characters.
inline constexpr size_t kMaxVersionLength = 64;

// The fields the check uses, read by line position; absent lines give empty texts. A version
// longer than kMaxVersionLength or an address longer than kMaxDownloadUrlLength characters is
// unusable and reads as empty, so it is neither stored nor shown.
struct CheckAnswerFields {
    std::string version;    // line 1
    std::string url;        // line 2
    std::string important;  // line 6
};
CheckAnswerFields ReadCheckAnswerFields(const std::vector<std::string>& answerLines);

// True when no request is to be made today: the last valid answer came today and the day
// already had kAnswersPerDay of them.
bool DailyLimitReached(std::string_view previousDay, int previousCount, std::string_view today);

// The number of valid answers today, this one included.
int NextDayCount(std::string_view previousDay, int previousCount, std::string_view today);

// Whether the new-version notice is to be shown for a valid answer.
struct NoticeInputs {
    std::string_view serverVersion;
    std::string_view appVersion;
    int showUpdate = 1;
    std::string_view previousDay;
    std::string_view today;
    int newDayCount = 1;
};
bool ShouldAnnounceNewVersion(const NoticeInputs& in);

}  // namespace tabulora::update
