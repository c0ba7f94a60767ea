#include <gtest/gtest.h>

#include <chrono>

#include "local_servers.h"
#include "update/errors.h"
#include "update/http_response_reader.h"
#include "update/postform.h"

using namespace tabulora::update;
using namespace tabulora::update::testing;

namespace {

const RequestFields kFields{"cmd=check", "appname=BRIMTAL - Tabulora", "feedback=a=b&c+%"};
const char* const kBody = "cmd=check&appname=BRIMTAL+-+Tabulora&feedback=a%3Db%26c%2B%25";

// The request as the server saw it, split into its head lines and body.
struct SeenRequest {
    std::string head;
    std::string body;
};

SeenRequest Split(const std::string& raw) {
    const size_t end = raw.find("\r\n\r\n");
    EXPECT_NE(end, std::string::npos) << raw;
    if (end == std::string::npos) return {raw, ""};
    return {raw.substr(0, end + 2), raw.substr(end + 4)};
}

std::string HeaderValue(const std::string& head, const std::string& name) {
    const std::string key = "\r\n" + name + ": ";
    const size_t at = head.find(key);
    if (at == std::string::npos) return "(absent)";
    const size_t start = at + key.size();
    return head.substr(start, head.find("\r\n", start) - start);
}

std::string FailureOf(const std::string& url, int timeoutMs = 5000) {
    try {
        PostForm(url, kFields, timeoutMs);
    } catch (const HttpError& error) {
        return error.what();
    }
    return "(no error)";
}

}  // namespace

TEST(PostFormPlainHttp, SendsExactlyTheseBytes) {
    const std::string raw = PostForm(LocalUrl("http", Listener::Plain, "/echo"), kFields, 5000);
    EXPECT_EQ(raw, "POST /echo HTTP/1.1\r\nHost: " + LocalHost(Listener::Plain) +
                       "\r\nContent-Type: application/x-www-form-urlencoded\r\nContent-Length: " +
                       std::to_string(std::string(kBody).size()) + "\r\nConnection: close\r\n\r\n" + kBody);
    // An address without a scheme goes the same way.
    EXPECT_EQ(Split(PostForm(LocalHost(Listener::Plain) + "/echo", kFields, 5000)).body, kBody);
}

TEST(PostFormHttps, SendsTheFormWithCloseAndCharsetAndNoUserAgent) {
    for (const char* scheme : {"https", "HTTPS"}) {
        const SeenRequest seen = Split(PostForm(LocalUrl(scheme, Listener::Mixed, "/echo"), kFields, 5000));
        EXPECT_TRUE(seen.head.starts_with("POST /echo HTTP/1.1\r\n")) << seen.head;
        EXPECT_EQ(HeaderValue(seen.head, "Content-Type"), "application/x-www-form-urlencoded; charset=utf-8");
        EXPECT_EQ(HeaderValue(seen.head, "Connection"), "close");
        EXPECT_EQ(HeaderValue(seen.head, "Content-Length"), std::to_string(seen.body.size()));
        EXPECT_EQ(HeaderValue(seen.head, "User-Agent"), "(absent)");
        EXPECT_EQ(seen.body, kBody);
    }
}

TEST(PostForm, Status500IsAnAnswerOverHttpsButAFailureOverHttp) {
    EXPECT_EQ(PostForm(LocalUrl("https", Listener::Mixed, "/status500"), kFields, 5000), "server broke");
    EXPECT_EQ(FailureOf(LocalUrl("http", Listener::Plain, "/status500")), "HTTP/1.1 500 Internal Server Error");
}

TEST(PostForm, DecodesTheBodyWithTheNamedCharsetOrTheTransportDefault) {
    const std::string cafe = "caf\xC3\xA9";
    EXPECT_EQ(PostForm(LocalUrl("http", Listener::Plain, "/charset/latin1"), {}, 5000), cafe);
    EXPECT_EQ(PostForm(LocalUrl("http", Listener::Plain, "/charset/none"), {}, 5000), cafe);
    EXPECT_EQ(PostForm(LocalUrl("http", Listener::Plain, "/charset/utf8"), {}, 5000), cafe);
    EXPECT_EQ(PostForm(LocalUrl("https", Listener::Mixed, "/charset/latin1"), {}, 5000), cafe);
    EXPECT_EQ(PostForm(LocalUrl("https", Listener::Mixed, "/charset/utf8"), {}, 5000), cafe);
    // Without a charset HTTPS reads UTF-8; the lone 0xE9 is not UTF-8.
    EXPECT_EQ(PostForm(LocalUrl("https", Listener::Mixed, "/charset/none"), {}, 5000), "caf\xEF\xBF\xBD");
}

TEST(PostForm, AcceptsOneMebibyteAndFailsBeyond) {
    const std::string limit = std::to_string(kMaxAnswerBytes);
    const std::string over = std::to_string(kMaxAnswerBytes + 1);
    for (const char* scheme : {"http", "https"}) {
        const Listener listener = std::string(scheme) == "http" ? Listener::Plain : Listener::Mixed;
        EXPECT_EQ(PostForm(LocalUrl(scheme, listener, "/big/" + limit), {}, 10000).size(), kMaxAnswerBytes);
        EXPECT_NE(FailureOf(LocalUrl(scheme, listener, "/big/" + over), 10000).find("larger than"),
                  std::string::npos) << scheme;
    }
}

TEST(PostForm, FailsWhenNothingListensOrTheCertificateIsNotTrusted) {
    for (const char* scheme : {"http", "https"})
        EXPECT_NE(FailureOf(LocalUrl(scheme, Listener::Closed, "/echo")), "(no error)") << scheme;
    EXPECT_NE(FailureOf(LocalUrl("https", Listener::Untrusted, "/echo")), "(no error)");
    EXPECT_NE(FailureOf(LocalUrl("https", Listener::Plain, "/echo")), "(no error)");
    // The same untrusted listener answers plain HTTP.
    EXPECT_EQ(Split(PostForm(LocalUrl("http", Listener::Untrusted, "/echo"), kFields, 5000)).body, kBody);
}

TEST(PostForm, GivesUpOnASilentServerAfterTheTimeout) {
    using namespace std::chrono;
    for (const char* scheme : {"http", "https"}) {
        const Listener listener = std::string(scheme) == "http" ? Listener::Plain : Listener::Mixed;
        const auto start = steady_clock::now();
        EXPECT_NE(FailureOf(LocalUrl(scheme, listener, "/silent"), 1500), "(no error)") << scheme;
        const auto elapsed = duration_cast<milliseconds>(steady_clock::now() - start).count();
        EXPECT_GE(elapsed, 1000) << scheme;
        EXPECT_LT(elapsed, 12000) << scheme;
    }
}

TEST(PostFormTwice, FallsBackToPlainHttpWhenHttpsFails) {
    struct Case {
        Listener listener;
        bool answered;
        Transport by;
        int failures;
    } cases[] = {
        {Listener::Mixed, true, Transport::Https, 0},
        {Listener::Untrusted, true, Transport::Http, 1},
        {Listener::Plain, true, Transport::Http, 1},
        {Listener::Closed, false, Transport::Https, 2},
    };
    for (const Case& c : cases) {
        std::vector<Transport> failed;
        const ExchangeResult result = PostFormTwice(
            LocalHost(c.listener) + "/echo", kFields, 5000, PostForm,
            [&](Transport transport, const std::string& message) {
                EXPECT_FALSE(message.empty());
                failed.push_back(transport);
            });
        EXPECT_EQ(result.answer.has_value(), c.answered);
        if (c.answered) {
            EXPECT_EQ(Split(*result.answer).body, kBody);
            EXPECT_EQ(result.answeredBy, c.by);
        }
        const std::vector<Transport> expected{Transport::Https, Transport::Http};
        EXPECT_EQ(failed, std::vector<Transport>(expected.begin(), expected.begin() + c.failures));
    }
}
