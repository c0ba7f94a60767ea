#include "update/http_response_reader.h"

#include <charconv>

#include "base/text.h"
#include "update/errors.h"

namespace tabulora::update {
namespace {

constexpr size_t kMaxHeadBytes = 64 * 1024;

std::string_view TrimSpaces(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

bool ParseSize(std::string_view text, int base, size_t& value) {
    if (text.empty()) return false;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    return error == std::errc() && end == text.data() + text.size();
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// "HTTP/1.1 200 OK": the version, one space, exactly three digits, then a space or the end.
bool ParseStatusLine(std::string_view line, int& status) {
    if (line.size() < 12 || !line.starts_with("HTTP/") || !IsDigit(line[5]) || line[6] != '.' || !IsDigit(line[7]) ||
        line[8] != ' ')
        return false;
    const std::string_view code = line.substr(9, 3);
    if (!IsDigit(code[0]) || !IsDigit(code[1]) || !IsDigit(code[2])) return false;
    if (line.size() > 12 && line[12] != ' ') return false;
    status = (code[0] - '0') * 100 + (code[1] - '0') * 10 + (code[2] - '0');
    return status >= 100 && status <= 599;
}

// One Content-Length field: a number, or a list of equal numbers ("5, 5").
void TakeContentLength(std::string_view value, std::optional<size_t>& length) {
    for (;;) {
        const size_t comma = value.find(',');
        size_t number = 0;
        if (!ParseSize(TrimSpaces(value.substr(0, comma)), 10, number))
            throw HttpError("Invalid Content-Length in the answer");
        if (length && *length != number) throw HttpError("The answer gives conflicting Content-Length values");
        length = number;
        if (comma == std::string_view::npos) return;
        value.remove_prefix(comma + 1);
    }
}

}  // namespace

AnswerHead ParseAnswerHead(std::string_view head) {
    AnswerHead result;
    const size_t lineEnd = head.find('\n');
    result.statusLine = std::string(head.substr(0, lineEnd));
    if (!result.statusLine.empty() && result.statusLine.back() == '\r') result.statusLine.pop_back();
    if (!ParseStatusLine(result.statusLine, result.status))
        throw HttpError("Invalid answer status line: " + result.statusLine.substr(0, 200));

    std::optional<std::string> transferEncoding;
    const std::string_view fields = head.substr(lineEnd == std::string_view::npos ? head.size() : lineEnd + 1);
    for (const std::string& line : SplitLines(fields)) {
        const size_t colon = line.find(':');
        if (colon == std::string::npos) continue;
        const std::string name = AsciiLower(TrimSpaces(std::string_view(line).substr(0, colon)));
        const std::string_view value = TrimSpaces(std::string_view(line).substr(colon + 1));
        if (name == "content-type") {
            result.contentType = std::string(value);
        } else if (name == "transfer-encoding") {
            // Several fields make one list, as if joined by commas.
            transferEncoding = transferEncoding ? *transferEncoding + ", " + std::string(value) : std::string(value);
        } else if (name == "content-length") {
            TakeContentLength(value, result.contentLength);
        }
    }
    if (transferEncoding) {
        // The only coding this reader can undo; any other leaves bytes it cannot read.
        if (AsciiLower(*transferEncoding) != "chunked")
            throw HttpError("Unsupported Transfer-Encoding in the answer: " + transferEncoding->substr(0, 100));
        result.chunked = true;
    }
    return result;
}

void HttpResponseReader::TooLarge() const {
    throw HttpError("The answer is larger than " + std::to_string(maxBytes_) + " bytes");
}

bool HttpResponseReader::TakeLine(std::string& line) {
    const size_t end = pending_.find('\n');
    if (end == std::string::npos) {
        if (pending_.size() > kMaxHeadBytes) throw HttpError("The answer holds an overlong line");
        return false;
    }
    line.assign(pending_, 0, end);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    pending_.erase(0, end + 1);
    return true;
}

void HttpResponseReader::StartBody() {
    if (head_.status < 200) {
        // An interim answer ("100 Continue"): the real one follows.
        head_ = {};
        state_ = State::Headers;
    } else if (head_.status == 204 || head_.status == 304) {
        state_ = State::Done;
    } else if (head_.chunked) {
        state_ = State::ChunkSize;
    } else if (head_.contentLength) {
        if (*head_.contentLength > maxBytes_) TooLarge();
        remaining_ = *head_.contentLength;
        state_ = remaining_ == 0 ? State::Done : State::FixedBody;
    } else {
        state_ = State::BodyUntilClose;
    }
}

bool HttpResponseReader::Feed(std::string_view bytes) {
    // Every byte counts: a server must not keep the reader busy with interim answers, headers,
    // chunk extensions or trailers any more than with body bytes.
    if (bytes.size() > maxBytes_ - received_) TooLarge();
    received_ += bytes.size();
    pending_.append(bytes);
    std::string line;
    while (state_ != State::Done) {
        switch (state_) {
        case State::Headers: {
            size_t end = pending_.find("\r\n\r\n");
            size_t separator = 4;
            if (const size_t bare = pending_.find("\n\n"); bare < end) {
                end = bare;
                separator = 2;
            }
            if (end == std::string::npos) {
                if (pending_.size() > kMaxHeadBytes) throw HttpError("The answer's headers are too long");
                return false;
            }
            head_ = ParseAnswerHead(std::string_view(pending_).substr(0, end));
            pending_.erase(0, end + separator);
            StartBody();
            break;
        }
        case State::FixedBody: {
            const size_t take = std::min(remaining_, pending_.size());
            body_.append(pending_, 0, take);
            pending_.erase(0, take);
            remaining_ -= take;
            if (remaining_ > 0) return false;
            state_ = State::Done;
            break;
        }
        case State::BodyUntilClose:
            body_.append(pending_);
            pending_.clear();
            return false;
        case State::ChunkSize: {
            if (!TakeLine(line)) return false;
            const std::string_view sizeText = TrimSpaces(std::string_view(line).substr(0, line.find(';')));
            if (!ParseSize(sizeText, 16, remaining_)) throw HttpError("Invalid chunk size in the answer");
            if (remaining_ > maxBytes_) TooLarge();
            state_ = remaining_ == 0 ? State::Trailers : State::ChunkData;
            break;
        }
        case State::ChunkData: {
            const size_t take = std::min(remaining_, pending_.size());
            body_.append(pending_, 0, take);
            pending_.erase(0, take);
            remaining_ -= take;
            if (remaining_ > 0) return false;
            state_ = State::ChunkEnd;
            break;
        }
        case State::ChunkEnd:
            if (!TakeLine(line)) return false;
            if (!line.empty()) throw HttpError("Invalid chunk end in the answer");
            state_ = State::ChunkSize;
            break;
        case State::Trailers:
            if (!TakeLine(line)) return false;
            if (line.empty()) state_ = State::Done;
            break;
        case State::Done: break;
        }
    }
    return true;
}

void HttpResponseReader::FinishAtClose() {
    if (state_ == State::BodyUntilClose) state_ = State::Done;
    if (state_ != State::Done) throw HttpError("The connection closed before the whole answer arrived");
}

}  // namespace tabulora::update
