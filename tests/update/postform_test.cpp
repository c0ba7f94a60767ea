#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <iostream>

#include "base/text.h"
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

// How an attempt failed, and how long it took.
struct Outcome {
    std::string failure;
    double seconds = 0;
};

Outcome Attempt(const std::string& url, int timeoutMs) {
    const auto start = std::chrono::steady_clock::now();
    Outcome outcome;
    outcome.failure = FailureOf(url, timeoutMs);
    outcome.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::cout << "  " << url << ": " << outcome.failure << " after " << outcome.seconds << " s\n";
    return outcome;
}

// Each scheme with the listener that speaks it for the paths of local_servers.py.
const struct {
    const char* scheme;
    Listener listener;
} kTransports[] = {{"http", Listener::Plain}, {"https", Listener::Mixed}};

// An attempt with a timeout of 2 s may take two timeouts: one to connect, one for the answer.
constexpr int kShortTimeoutMs = 2000;
constexpr double kGenerousLimitS = 12;

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

TEST(PostForm, AcceptsOneMebibyteInAllAndFailsBeyond) {
    // The head of these answers takes well under 200 bytes; the limit counts it too.
    const size_t within = kMaxAnswerBytes - 200;
    for (const auto& t : kTransports) {
        EXPECT_EQ(PostForm(LocalUrl(t.scheme, t.listener, "/big/" + std::to_string(within)), {}, 10000).size(), within);
        EXPECT_NE(FailureOf(LocalUrl(t.scheme, t.listener, "/big/" + std::to_string(kMaxAnswerBytes)), 10000)
                      .find("larger than"),
                  std::string::npos)
            << t.scheme;
    }
}

TEST(PostForm, AFloodOfInterimAnswersFailsAtTheLimit) {
    const Outcome plain = Attempt(LocalUrl("http", Listener::Plain, "/flood/continue"), 10000);
    EXPECT_NE(plain.failure.find("larger than"), std::string::npos) << plain.failure;
    // WinHTTP skips interim answers itself; the deadline still ends the attempt.
    const Outcome secure = Attempt(LocalUrl("https", Listener::Mixed, "/flood/continue"), kShortTimeoutMs);
    EXPECT_NE(secure.failure, "(no error)");
    EXPECT_LT(secure.seconds, kGenerousLimitS);
}

TEST(PostForm, ATricklingServerFailsAtTheAnswerDeadline) {
    // It sends a header line every 200 ms, for two minutes: something always arrives.
    for (const char* scheme : {"http", "https"}) {
        const Outcome outcome = Attempt(LocalUrl(scheme, Listener::Trickle, "/php/check2.php"), kShortTimeoutMs);
        EXPECT_NE(outcome.failure.find("timed out"), std::string::npos) << scheme << ": " << outcome.failure;
        EXPECT_GE(outcome.seconds, 1.5) << scheme;
        EXPECT_LT(outcome.seconds, kGenerousLimitS) << scheme;
    }
}

TEST(PostForm, AServerThatNeverSaysAWordFailsInTime) {
    // TCP connects; the TLS handshake, or the answer over plain HTTP, never comes.
    for (const char* scheme : {"http", "https"}) {
        const Outcome outcome = Attempt(LocalUrl(scheme, Listener::Silent, "/php/check2.php"), kShortTimeoutMs);
        EXPECT_NE(outcome.failure.find("timed out"), std::string::npos) << scheme << ": " << outcome.failure;
        EXPECT_LT(outcome.seconds, kGenerousLimitS) << scheme;
    }
}

TEST(PostForm, ANameLookupThatNeverEndsFailsAtTheConnectDeadline) {
    // Set by local_servers.py --slow-name-lookup, whose name server never answers.
    const char* name = std::getenv("TABULORA_TEST_SLOW_NAME");
    if (!name || !*name) GTEST_SKIP() << "needs local_servers.py --slow-name-lookup";
    for (const char* scheme : {"http", "https"}) {
        const Outcome outcome = Attempt(std::string(scheme) + "://" + name + "/php/check2.php", kShortTimeoutMs);
        EXPECT_NE(outcome.failure, "(no error)") << scheme;
        EXPECT_LT(outcome.seconds, kGenerousLimitS) << scheme;
    }
}

TEST(PostForm, RedirectionsFailTheAttemptAndAreNeverFollowed) {
    const int before = RecorderRequestsSoFar();
    ASSERT_GE(before, 0);
    for (const auto& t : kTransports) {
        for (const char* status : {"301", "302", "303", "307", "308"}) {
            const std::string failure = FailureOf(LocalUrl(t.scheme, t.listener, std::string("/redirect/") + status));
            EXPECT_NE(failure.find("Redirection refused: HTTP/1.1 " + std::string(status)), std::string::npos)
                << t.scheme << " " << status << ": " << failure;
        }
    }
    EXPECT_EQ(RecorderRequestsSoFar(), before) << "a redirection was followed";
    // The recorder itself answers, so a followed redirection would have been seen there.
    EXPECT_EQ(GetTagValue(tabulora::SplitLines(PostForm(LocalUrl("https", Listener::Recorder, "/"), {}, 5000))[0],
                          "version"),
              "9.9");
    EXPECT_EQ(RecorderRequestsSoFar(), before + 1);
}

TEST(PostForm, MalformedAnswersFailOnBothTransports) {
    for (const auto& t : kTransports) {
        for (const char* answer : {"status2000", "two-lengths", "not-chunked"}) {
            EXPECT_NE(FailureOf(LocalUrl(t.scheme, t.listener, std::string("/raw/") + answer)), "(no error)")
                << t.scheme << " " << answer;
        }
        // The same length twice is one length.
        EXPECT_EQ(PostForm(LocalUrl(t.scheme, t.listener, "/raw/same-length-twice"), kFields, 5000), "ok") << t.scheme;
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
        const ExchangeResult result = PostFormTwice(LocalHost(c.listener) + "/echo", kFields, 5000, PostForm,
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
