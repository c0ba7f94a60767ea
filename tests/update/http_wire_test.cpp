#include <gtest/gtest.h>

#include "update/body_decode.h"
#include "update/errors.h"
#include "update/http_response_reader.h"
#include "update/plain_http_request.h"

using namespace tabulora::update;

namespace {

// Feeds the answer in pieces of `step` bytes, then reports the end of the connection unless
// the reader already saw the whole answer.
HttpResponseReader ReadInPieces(const std::string& raw, size_t step, size_t maxBytes = kMaxAnswerBytes) {
    HttpResponseReader reader(maxBytes);
    bool complete = false;
    for (size_t i = 0; i < raw.size() && !complete; i += step) complete = reader.Feed(raw.substr(i, step));
    if (!complete) reader.FinishAtClose();
    return reader;
}

}  // namespace

TEST(HttpResponseReader, FramesTheBodyHoweverTheBytesArrive) {
    const struct {
        const char* name;
        std::string raw;
        int status;
        const char* body;
    } cases[] = {
        {"length", "HTTP/1.1 200 OK\r\nContent-Length: 5\r\nContent-Type: text/plain\r\n\r\nhello", 200, "hello"},
        {"length ignores extra", "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nhello", 200, "he"},
        {"chunked",
         "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n3;x=1\r\nhel\r\nA\r\nlo, world!\r\n0\r\nT: v\r\n\r\n",
         200, "hello, world!"},
        {"until close", "HTTP/1.0 500 Internal Server Error\r\n\r\nbroken\r\n", 500, "broken\r\n"},
        {"bare LF head", "HTTP/1.1 200 OK\nContent-Length: 2\n\nok", 200, "ok"},
        {"no content", "HTTP/1.1 204 No Content\r\n\r\n", 204, ""},
        {"interim first", "HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok", 200, "ok"},
        {"empty", "HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n", 200, ""},
    };
    for (const auto& c : cases) {
        for (const size_t step : {c.raw.size(), size_t{1}, size_t{7}}) {
            const HttpResponseReader reader = ReadInPieces(c.raw, step);
            EXPECT_EQ(reader.Status(), c.status) << c.name << " step " << step;
            EXPECT_EQ(reader.Body(), c.body) << c.name << " step " << step;
        }
    }
    const HttpResponseReader typed = ReadInPieces(cases[0].raw, 3);
    EXPECT_EQ(typed.ContentType(), "text/plain");
    EXPECT_EQ(ReadInPieces(cases[3].raw, 4).StatusLine(), "HTTP/1.0 500 Internal Server Error");
}

TEST(HttpResponseReader, RejectsBrokenTruncatedAndOversizedAnswers) {
    const std::string mib(kMaxAnswerBytes, 'x');
    const struct {
        const char* name;
        std::string raw;
    } cases[] = {
        {"not http", "SSH-2.0-OpenSSH\r\n\r\n"},
        {"bad status", "HTTP/1.1 OK\r\n\r\n"},
        {"closed early", "HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nshort"},
        {"closed in head", "HTTP/1.1 200 OK\r\nContent-Le"},
        {"bad length", "HTTP/1.1 200 OK\r\nContent-Length: -1\r\n\r\n"},
        {"bad chunk", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nzz\r\n"},
        {"chunk not ended", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n3\r\nhel"},
        {"declared too long", "HTTP/1.1 200 OK\r\nContent-Length: 1048577\r\n\r\n"},
        {"too long until close", "HTTP/1.1 200 OK\r\n\r\n" + mib},
        {"too long chunked", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n100000\r\n" + mib + "\r\n0\r\n\r\n"},
    };
    for (const auto& c : cases) EXPECT_THROW(ReadInPieces(c.raw, 4096), HttpError) << c.name;

    // The limit holds the whole answer as received, head included.
    const std::string head = "HTTP/1.1 200 OK\r\n\r\n";
    EXPECT_EQ(ReadInPieces(head + mib.substr(head.size()), 65536).Body().size(), kMaxAnswerBytes - head.size());
}

TEST(HttpResponseReader, EveryByteReceivedCountsTowardsTheLimit) {
    // With a limit of 1000 bytes, answers whose body is tiny but whose other parts are not.
    const std::string continues = [] {
        std::string many;
        for (int i = 0; i < 50; ++i) many += "HTTP/1.1 100 Continue\r\n\r\n";
        return many;
    }();
    const std::string chunkExtensions = [] {
        std::string chunks = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n";
        for (int i = 0; i < 50; ++i) chunks += "1;name=" + std::string(20, 'v') + "\r\nx\r\n";
        return chunks + "0\r\n\r\n";
    }();
    const std::string trailers = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n1\r\nx\r\n0\r\n" +
                                 std::string(1000, 'T') + ": v\r\n\r\n";
    const std::string headers = "HTTP/1.1 200 OK\r\nX-Filler: " + std::string(1000, 'h') +
                                "\r\nContent-Length: 1\r\n\r\nx";
    const std::string ok = "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok";
    for (const std::string* raw : {&continues, &chunkExtensions, &trailers, &headers}) {
        for (const size_t step : {size_t{1}, size_t{64}, raw->size()}) {
            EXPECT_THROW(ReadInPieces(*raw + ok, step, 1000), HttpError) << raw->substr(0, 60) << " step " << step;
        }
    }
    // The same kinds of answer within the limit are read, up to the very last byte allowed.
    const std::string fewContinues = "HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 100 Continue\r\n\r\n" + ok;
    EXPECT_EQ(ReadInPieces(fewContinues, 5, fewContinues.size()).Body(), "ok");
    EXPECT_THROW(ReadInPieces(fewContinues, 5, fewContinues.size() - 1), HttpError);
}

TEST(AnswerHead, StatusLineIsVersionSpaceThreeDigitsThenSpaceOrEnd) {
    const struct {
        const char* line;
        int status;  // 0: invalid
    } cases[] = {
        {"HTTP/1.1 200 OK", 200}, {"HTTP/1.0 404 Not Found", 404}, {"HTTP/1.1 200", 200},
        {"HTTP/1.1 200 ", 200},   {"HTTP/1.1 100 Continue", 100},  {"HTTP/1.1 599 Odd", 599},
        {"HTTP/1.1 2000", 0},     {"HTTP/1.1 2000 OK", 0},         {"HTTP/1.1 200OK", 0},
        {"HTTP/1.1 20", 0},       {"HTTP/1.1 20x OK", 0},          {"HTTP/1.1  200 OK", 0},
        {"HTTP/1.1 099 Low", 0},  {"HTTP/1.1 600 High", 0},        {"HTTP/11 200 OK", 0},
        {"http/1.1 200 OK", 0},   {"HTTP/1.1 -20 OK", 0},          {"", 0},
    };
    for (const auto& c : cases) {
        const std::string head = std::string(c.line) + "\r\nContent-Length: 0";
        if (c.status) {
            EXPECT_EQ(ParseAnswerHead(head).status, c.status) << c.line;
        } else {
            EXPECT_THROW(ParseAnswerHead(head), HttpError) << c.line;
        }
    }
}

TEST(AnswerHead, OnlyChunkedIsChunkedAndLengthsMustAgree) {
    const struct {
        const char* fields;
        bool valid;
        bool chunked;
        int length;  // -1: none
    } cases[] = {
        {"Transfer-Encoding: chunked", true, true, -1},
        {"transfer-encoding:   CHUNKED  ", true, true, -1},
        {"Transfer-Encoding: Chunked\r\nContent-Length: 9", true, true, 9},  // the coding frames the body
        {"Transfer-Encoding: xchunked", false, false, -1},
        {"Transfer-Encoding: chunkedx", false, false, -1},
        {"Transfer-Encoding: gzip, chunked", false, false, -1},
        {"Transfer-Encoding: chunked, gzip", false, false, -1},
        {"Transfer-Encoding: chunked\r\nTransfer-Encoding: chunked", false, false, -1},
        {"Transfer-Encoding: identity", false, false, -1},
        {"Transfer-Encoding:", false, false, -1},
        {"X-Transfer-Encoding: gzip", true, false, -1},
        {"Content-Length: 2", true, false, 2},
        {"Content-Length: 2\r\nContent-Length: 2", true, false, 2},
        {"Content-Length: 2, 2", true, false, 2},
        {"Content-Length: 2\r\nContent-Length: 4", false, false, -1},
        {"Content-Length: 2, 3", false, false, -1},
        {"Content-Length: 2\r\ncontent-length: 02", true, false, 2},
        {"Content-Length: +2", false, false, -1},
        {"Content-Length: 2 2", false, false, -1},
        {"Content-Length: 99999999999999999999999", false, false, -1},
    };
    for (const auto& c : cases) {
        const std::string head = std::string("HTTP/1.1 200 OK\r\n") + c.fields;
        if (!c.valid) {
            EXPECT_THROW(ParseAnswerHead(head), HttpError) << c.fields;
            continue;
        }
        const AnswerHead parsed = ParseAnswerHead(head);
        EXPECT_EQ(parsed.chunked, c.chunked) << c.fields;
        EXPECT_EQ(parsed.contentLength.has_value(), c.length >= 0) << c.fields;
        if (c.length >= 0 && parsed.contentLength) {
            EXPECT_EQ(*parsed.contentLength, size_t(c.length)) << c.fields;
        }
    }
    // Read to the end: a coding that only looks like chunked is not taken for it.
    EXPECT_THROW(ReadInPieces("HTTP/1.1 200 OK\r\nTransfer-Encoding: xchunked\r\n\r\n2\r\nok\r\n0\r\n\r\n", 3),
                 HttpError);
}

TEST(PlainHttpRequest, TargetsAndExactRequestBytes) {
    const struct {
        const char* url;
        const char* host;
        const char* port;
        const char* path;
        const char* hostHeader;
    } cases[] = {
        {"http://127.0.0.1:8080/php/check2.php", "127.0.0.1", "8080", "/php/check2.php", "127.0.0.1:8080"},
        {"HTTP://Example.com/a?b=c#frag", "Example.com", "80", "/a?b=c", "Example.com"},
        {"tabulora.example/php/check2.php", "tabulora.example", "80", "/php/check2.php", "tabulora.example"},
        {"http://host", "host", "80", "/", "host"},
        {"http://host?q", "host", "80", "/?q", "host"},
        {"http://[::1]:81/x", "::1", "81", "/x", "[::1]:81"},
    };
    for (const auto& c : cases) {
        const HttpTarget target = ParseHttpTarget(c.url);
        EXPECT_EQ(target.host, c.host) << c.url;
        EXPECT_EQ(target.port, c.port) << c.url;
        EXPECT_EQ(target.path, c.path) << c.url;
        EXPECT_EQ(target.hostHeader, c.hostHeader) << c.url;
    }
    for (const char* bad : {"ftp://host/x", "http:///x", "http://host:0/", "http://host:99999/", "http://host:x/"})
        EXPECT_THROW(ParseHttpTarget(bad), HttpError) << bad;

    EXPECT_EQ(BuildFormPostRequest(ParseHttpTarget("http://h:81/p"), "a=1&b=2"),
              "POST /p HTTP/1.1\r\nHost: h:81\r\nContent-Type: application/x-www-form-urlencoded\r\n"
              "Content-Length: 7\r\nConnection: close\r\n\r\na=1&b=2");
}

TEST(BodyDecode, UsesTheNamedCharsetOrTheTransportDefault) {
    EXPECT_EQ(CharsetOfContentType("text/plain", BodyCharset::Latin1), BodyCharset::Latin1);
    EXPECT_EQ(CharsetOfContentType("text/plain", BodyCharset::Utf8), BodyCharset::Utf8);
    EXPECT_EQ(CharsetOfContentType("text/plain; Charset=\"UTF-8\"", BodyCharset::Latin1), BodyCharset::Utf8);
    EXPECT_EQ(CharsetOfContentType("text/html;charset=ISO-8859-1;x=y", BodyCharset::Utf8), BodyCharset::Latin1);
    EXPECT_EQ(CharsetOfContentType("text/plain; charset=windows-1252", BodyCharset::Utf8), BodyCharset::Windows1252);
    EXPECT_EQ(CharsetOfContentType("text/plain; charset=koi8-r", BodyCharset::Utf8), BodyCharset::Utf8);

    EXPECT_EQ(DecodeBody("caf\xE9", BodyCharset::Latin1), "caf\xC3\xA9");
    EXPECT_EQ(DecodeBody("\x80\x81", BodyCharset::Windows1252), "\xE2\x82\xAC\xC2\x81");
    EXPECT_EQ(DecodeBody("caf\xC3\xA9", BodyCharset::Utf8), "caf\xC3\xA9");
    EXPECT_EQ(DecodeBody("a\xE9"
                         "b",
                         BodyCharset::Utf8),
              "a\xEF\xBF\xBD"
              "b");
    // Overlong forms and encoded surrogates are not valid UTF-8.
    EXPECT_EQ(DecodeBody("\xC0\xAF", BodyCharset::Utf8), "\xEF\xBF\xBD\xEF\xBF\xBD");
    EXPECT_EQ(DecodeBody("\xED\xA0\x80", BodyCharset::Utf8), "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD");
    EXPECT_EQ(DecodeBody("\xF0\x9F\x98\x80", BodyCharset::Utf8), "\xF0\x9F\x98\x80");
}
