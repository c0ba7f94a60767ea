#include "update/http_response_reader.h"

#include <charconv>

#include "update/errors.h"
#include "base/text.h"

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

}  // namespace

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

void HttpResponseReader::AppendBody(std::string_view bytes) {
    if (body_.size() + bytes.size() > maxBody_)
        throw HttpError("The answer is larger than " + std::to_string(maxBody_) + " bytes");
    body_.append(bytes);
}

void HttpResponseReader::ParseHead(std::string_view head) {
    const size_t lineEnd = head.find('\n');
    statusLine_ = std::string(head.substr(0, lineEnd));
    if (!statusLine_.empty() && statusLine_.back() == '\r') statusLine_.pop_back();
    // "HTTP/1.1 200 OK": the code is the three digits after the first space.
    const size_t space = statusLine_.find(' ');
    size_t code = 0;
    if (!statusLine_.starts_with("HTTP/") || space == std::string::npos ||
        !ParseSize(std::string_view(statusLine_).substr(space + 1, 3), 10, code) || code < 100 ||
        code > 999)
        throw HttpError("Invalid answer status line: " + statusLine_.substr(0, 200));
    status_ = static_cast<int>(code);

    bool chunked = false;
    bool hasLength = false;
    size_t length = 0;
    for (const std::string& line : SplitLines(head.substr(lineEnd == std::string_view::npos ? head.size() : lineEnd + 1))) {
        const size_t colon = line.find(':');
        if (colon == std::string::npos) continue;
        const std::string name = AsciiLower(TrimSpaces(std::string_view(line).substr(0, colon)));
        const std::string_view value = TrimSpaces(std::string_view(line).substr(colon + 1));
        if (name == "content-type") {
            contentType_ = std::string(value);
        } else if (name == "transfer-encoding") {
            chunked = AsciiLower(value).find("chunked") != std::string::npos;
        } else if (name == "content-length") {
            if (!ParseSize(value, 10, length)) throw HttpError("Invalid Content-Length in the answer");
            hasLength = true;
        }
    }
    if (status_ < 200) {
        // An interim answer ("100 Continue"): the real one follows.
        contentType_.clear();
        state_ = State::Headers;
    } else if (status_ == 204 || status_ == 304) {
        state_ = State::Done;
    } else if (chunked) {
        state_ = State::ChunkSize;
    } else if (hasLength) {
        if (length > maxBody_)
            throw HttpError("The answer is larger than " + std::to_string(maxBody_) + " bytes");
        remaining_ = length;
        state_ = length == 0 ? State::Done : State::FixedBody;
    } else {
        state_ = State::BodyUntilClose;
    }
}

bool HttpResponseReader::Feed(std::string_view bytes) {
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
            const std::string head = pending_.substr(0, end);
            pending_.erase(0, end + separator);
            ParseHead(head);
            break;
        }
        case State::FixedBody: {
            const size_t take = std::min(remaining_, pending_.size());
            AppendBody(std::string_view(pending_).substr(0, take));
            pending_.erase(0, take);
            remaining_ -= take;
            if (remaining_ > 0) return false;
            state_ = State::Done;
            break;
        }
        case State::BodyUntilClose:
            AppendBody(pending_);
            pending_.clear();
            return false;
        case State::ChunkSize: {
            if (!TakeLine(line)) return false;
            const std::string_view sizeText = TrimSpaces(std::string_view(line).substr(0, line.find(';')));
            if (!ParseSize(sizeText, 16, remaining_)) throw HttpError("Invalid chunk size in the answer");
            if (remaining_ > maxBody_)
                throw HttpError("The answer is larger than " + std::to_string(maxBody_) + " bytes");
            state_ = remaining_ == 0 ? State::Trailers : State::ChunkData;
            break;
        }
        case State::ChunkData: {
            const size_t take = std::min(remaining_, pending_.size());
            AppendBody(std::string_view(pending_).substr(0, take));
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
        case State::Done:
            break;
        }
    }
    return true;
}

void HttpResponseReader::FinishAtClose() {
    if (state_ == State::BodyUntilClose) state_ = State::Done;
    if (state_ != State::Done) throw HttpError("The connection closed before the whole answer arrived");
}

}  // namespace tabulora::update
