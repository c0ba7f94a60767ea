#pragma once
#include <cstddef>
#include <string>
#include <string_view>

namespace tabulora::update {

// The largest answer body accepted; a longer one fails the request.
inline constexpr size_t kMaxAnswerBytes = 1024 * 1024;

// Reads an HTTP/1.x answer as its bytes arrive: status line, headers, then a body framed by
// Content-Length, chunked transfer coding, or the end of the connection. Raises HttpError on a
// malformed answer or one whose body exceeds the limit.
class HttpResponseReader {
public:
    explicit HttpResponseReader(size_t maxBodyBytes = kMaxAnswerBytes) : maxBody_(maxBodyBytes) {}

    // Takes the next received bytes; true once the whole answer is in.
    bool Feed(std::string_view bytes);
    // The peer closed the connection; raises unless the answer is complete.
    void FinishAtClose();

    bool Complete() const { return state_ == State::Done; }
    int Status() const { return status_; }
    const std::string& StatusLine() const { return statusLine_; }
    const std::string& ContentType() const { return contentType_; }
    const std::string& Body() const { return body_; }

private:
    enum class State { Headers, FixedBody, BodyUntilClose, ChunkSize, ChunkData, ChunkEnd, Trailers, Done };

    void ParseHead(std::string_view head);
    void AppendBody(std::string_view bytes);
    bool TakeLine(std::string& line);

    size_t maxBody_;
    State state_ = State::Headers;
    std::string pending_;
    std::string statusLine_;
    std::string contentType_;
    std::string body_;
    int status_ = 0;
    size_t remaining_ = 0;
};

}  // namespace tabulora::update
