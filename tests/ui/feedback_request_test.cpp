#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ui/feedback_request.h"
#include "update/errors.h"

using namespace tabulora::ui;
using tabulora::update::HttpError;
using tabulora::update::RequestFields;

namespace {

const tabulora::AppIdentity kApp = tabulora::MakeAppIdentity("BRIMTAL", "Tabulora", "1.1");
const std::string kAddress = "maker.example/php/feedback.php";

}  // namespace

TEST(BuildFeedbackRequest, BuildsTheFieldsInOrder) {
    const struct {
        FeedbackChoice choice;
        const char* memo;
        const char* email;
        RequestFields fields;
    } cases[] = {
        {FeedbackChoice::Like,
         "Great",
         "",
         {"cmd=feedback", "appname=BRIMTAL - Tabulora", "version=1.1", "feedback=I like it!\rGreat"}},
        {FeedbackChoice::Dislike,
         "Too slow",
         "me@example.com",
         {"cmd=feedback", "appname=BRIMTAL - Tabulora", "version=1.1", "feedback=I dislike it!\rToo slow",
          "email=me@example.com"}},
        {FeedbackChoice::None,
         "Just a note",
         "  me@example.com\t\r\n",
         {"cmd=feedback", "appname=BRIMTAL - Tabulora", "version=1.1", "feedback=Just a note", "email=me@example.com"}},
        {FeedbackChoice::None,
         "x",
         " \t ",
         {"cmd=feedback", "appname=BRIMTAL - Tabulora", "version=1.1", "feedback=x"}},
    };
    for (const auto& c : cases) {
        const FeedbackRequest request = BuildFeedbackRequest(c.choice, c.memo, c.email, kApp);
        EXPECT_EQ(request.check, FeedbackCheck::Ready) << c.memo;
        EXPECT_EQ(request.fields, c.fields) << c.memo;
    }
}

TEST(BuildFeedbackRequest, TrimsOnlyBlanksAndControlsAroundTheMessage) {
    const struct {
        const char* memo;
        const char* feedback;
    } cases[] = {
        {"\r\n\t  Great \x01\x7F", "feedback=Great \x01\x7F"},  // DEL is above U+0020: kept
        {"  first\r\n\r\nsecond\r\n", "feedback=first\r\n\r\nsecond"},
        {"\xC2\xA0text\xC2\xA0", "feedback=\xC2\xA0text\xC2\xA0"},  // no-break spaces are kept
    };
    for (const auto& c : cases) {
        const FeedbackRequest request = BuildFeedbackRequest(FeedbackChoice::None, c.memo, "", kApp);
        ASSERT_EQ(request.fields.size(), 4u) << c.memo;
        EXPECT_EQ(request.fields[3], c.feedback);
    }
}

TEST(BuildFeedbackRequest, StopsAtABlankMessageThenAtABadAddress) {
    const struct {
        const char* memo;
        const char* email;
        FeedbackCheck check;
    } cases[] = {
        {"", "", FeedbackCheck::EmptyMessage},
        {"   \r\n\r\n \t ", "", FeedbackCheck::EmptyMessage},
        {" \r\n", "not an address", FeedbackCheck::EmptyMessage},  // the message is checked first
        {"Hello", "not an address", FeedbackCheck::InvalidEmail},
        {"Hello", " me@example. ", FeedbackCheck::InvalidEmail},
        {"Hello", "me@ex\xC3\xA4mple.com", FeedbackCheck::InvalidEmail},
    };
    for (const auto& c : cases) {
        const FeedbackRequest request = BuildFeedbackRequest(FeedbackChoice::Like, c.memo, c.email, kApp);
        EXPECT_EQ(request.check, c.check) << c.memo << " / " << c.email;
        EXPECT_TRUE(request.fields.empty());
    }
}

TEST(IsFeedbackDelivered, OnlyAnExactOkAfterTrimming) {
    const struct {
        const char* answer;
        bool delivered;
    } cases[] = {
        {"OK", true},   {"OK\r\n", true}, {" OK ", true}, {"\r\nOK\n", true},    {"\tOK\r", true},
        {"ok", false},  {"Ok", false},    {"OK.", false}, {"OK\r\nmore", false}, {"OK\nmore", false},
        {"O K", false}, {"", false},      {"KO", false},
    };
    for (const auto& c : cases) EXPECT_EQ(IsFeedbackDelivered(c.answer), c.delivered) << c.answer;
}

namespace {

// A stand-in for PostForm: answers from a script, one step per call, and records the calls.
struct ScriptedPost {
    struct Step {
        bool raises;
        std::string answer;
    };
    std::vector<Step> steps;
    std::vector<std::string> urls;
    std::vector<int> timeouts;
    RequestFields lastFields;

    tabulora::update::PostFunction Function() {
        return [this](const std::string& url, const RequestFields& fields, int timeoutMs) {
            urls.push_back(url);
            timeouts.push_back(timeoutMs);
            lastFields = fields;
            const Step step = steps.at(urls.size() - 1);
            if (step.raises) throw HttpError("connection refused");
            return step.answer;
        };
    }
};

}  // namespace

TEST(SendFeedback, TriesHttpsThenHttpAndAppliesTheOkRule) {
    const std::string https = "https://" + kAddress;
    const std::string http = "http://" + kAddress;
    const struct {
        std::vector<ScriptedPost::Step> steps;
        std::vector<std::string> urls;
        bool delivered;
    } cases[] = {
        {{{false, "OK"}}, {https}, true},
        {{{true, ""}, {false, "OK\r\n"}}, {https, http}, true},
        {{{true, ""}, {true, ""}}, {https, http}, false},
        {{{false, "ok"}}, {https}, false},  // a wrong answer is not retried over HTTP
        {{{true, ""}, {false, "Error"}}, {https, http}, false},
    };
    const RequestFields fields{"cmd=feedback", "feedback=x"};
    for (const auto& c : cases) {
        ScriptedPost post;
        post.steps = c.steps;
        EXPECT_EQ(SendFeedback(kAddress, fields, post.Function()), c.delivered);
        EXPECT_EQ(post.urls, c.urls);
        EXPECT_EQ(post.timeouts, std::vector<int>(c.urls.size(), 3000));
        EXPECT_EQ(post.lastFields, fields);
    }
}

TEST(SendFeedback, AnyErrorCountsAsNotDelivered) {
    const auto throwsNonStandard = [](const std::string&, const RequestFields&, int) -> std::string { throw 42; };
    EXPECT_FALSE(SendFeedback(kAddress, {"cmd=feedback"}, throwsNonStandard));
}
