#pragma once
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace tabulora::update {

// The most bytes an answer may take on the wire: status lines (interim answers included),
// headers, chunk framing, trailers and body together. A longer answer fails the request.
inline constexpr size_t kMaxAnswerBytes = 1024 * 1024;

// What the head of an answer says: its status line and the fields that frame and type the body.
struct AnswerHead {
    int status = 0;
    std::string statusLine;
    std::string contentType;
    bool chunked = false;
    std::optional<size_t> contentLength;
};

// Reads the head of an answer: the status line, then header lines (CR LF or LF). Raises
// HttpError for a status line other than "HTTP/d.d", one space, exactly three digits from 100
// to 599 and then a space or the end; for a Transfer-Encoding other than exactly "chunked"
// (letter case aside); and for Content-Length values that are not numbers or do not agree.
AnswerHead ParseAnswerHead(std::string_view head);

// True for the statuses of a redirection, which the program never follows.
inline bool IsRedirection(int status) { return status >= 300 && status <= 399; }

// Reads an HTTP/1.x answer as its bytes arrive: status line, headers, then a body framed by
// Content-Length, chunked transfer coding, or the end of the connection. Interim answers (1xx)
// are skipped. Raises HttpError on a malformed answer or once more than `maxBytes` have been
// received, whatever they carried.
class HttpResponseReader {
public:
    explicit HttpResponseReader(size_t maxBytes = kMaxAnswerBytes) : maxBytes_(maxBytes) {}

    // Takes the next received bytes; true once the whole answer is in.
    bool Feed(std::string_view bytes);
    // The peer closed the connection; raises unless the answer is complete.
    void FinishAtClose();

    bool Complete() const { return state_ == State::Done; }
    int Status() const { return head_.status; }
    const std::string& StatusLine() const { return head_.statusLine; }
    const std::string& ContentType() const { return head_.contentType; }
    const std::string& Body() const { return body_; }

private:
    enum class State { Headers, FixedBody, BodyUntilClose, ChunkSize, ChunkData, ChunkEnd, Trailers, Done };

    void StartBody();
    bool TakeLine(std::string& line);
    [[noreturn]] void TooLarge() const;

    size_t maxBytes_;
    size_t received_ = 0;
    State state_ = State::Headers;
    std::string pending_;
    AnswerHead head_;
    std::string body_;
    size_t remaining_ = 0;
};

}  // namespace tabulora::update
