#include "update/check_rules.h"

#include <climits>

#include "base/text.h"
#include "engine/utf.h"
#include "update/httpform.h"
#include "update/notice_link.h"

namespace tabulora::update {
namespace {

std::string_view LineAt(const std::vector<std::string>& lines, size_t number) {
    return number <= lines.size() ? std::string_view(lines[number - 1]) : std::string_view();
}

// The value, or an empty text when it is longer than `maxLength` characters.
std::string Bounded(std::string value, size_t maxLength) {
    // Characters as the program counts them: UTF-16 code units.
    if (value.size() > maxLength && Utf8ToUtf16(value).size() > maxLength) return {};
    return value;
}

}  // namespace

bool IsValidCheckAnswer(std::string_view answerText, const std::vector<std::string>& answerLines) {
    if (answerText.starts_with("ERROR")) return false;
    const std::string result = GetTagValue(LineAt(answerLines, 4), "result");
    return result == "0" || result == "1";
}

CheckAnswerFields ReadCheckAnswerFields(const std::vector<std::string>& answerLines) {
    return {Bounded(GetTagValue(LineAt(answerLines, 1), "version"), kMaxVersionLength),
            Bounded(GetTagValue(LineAt(answerLines, 2), "url"), kMaxDownloadUrlLength),
            GetTagValue(LineAt(answerLines, 6), "important")};
}

bool DailyLimitReached(std::string_view previousDay, int previousCount, std::string_view today) {
    return previousDay == today && previousCount >= kAnswersPerDay;
}

int NextDayCount(std::string_view previousDay, int previousCount, std::string_view today) {
    if (previousDay != today) return 1;
    // A count at the top of the range stays there rather than wrapping to a negative number.
    return previousCount == INT_MAX ? INT_MAX : previousCount + 1;
}

bool ShouldAnnounceNewVersion(const NoticeInputs& in) {
    if (in.serverVersion == in.appVersion) return false;
    // Any differing version counts as new, as long as it is made of digits and points.
    std::string digits;
    for (const char c : in.serverVersion)
        if (c != '.') digits += c;
    int number = 0;
    if (!TryParseInt32(digits, number)) return false;
    if (in.showUpdate != 1) return false;
    return in.previousDay != in.today || in.newDayCount < kAnswersPerDay;
}

}  // namespace tabulora::update
