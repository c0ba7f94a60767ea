#include "engine/text_feeder.h"

#include <cstring>

#include "engine/line_breaks.h"

namespace tabulora {
namespace {

// Enough text before a place for the 20 characters of a message, each up to 4 bytes, and a CR LF.
constexpr size_t kTailBytes = 96;

}  // namespace

void TextFeeder::Feed(const TextPiece& piece) {
    if (reader_.Done() || piece.size == 0) return;
    lastByteEndsLine_ = piece.data[piece.size - 1] == '\n' || piece.data[piece.size - 1] == '\r';
    if (retryAt_ == 0 && carry_.size() <= kPieceHeadroom) {
        char* begin = piece.data - carry_.size();
        std::memcpy(begin, carry_.data(), carry_.size());
        carry_.clear();
        Run(begin, piece.data + piece.size, piece.data, piece.breaksBefore, false, false);
        KeepTail(std::string_view(piece.data, piece.size));
        return;
    }
    FeedCopy(std::string_view(piece.data, piece.size), piece.breaksBefore);
}

void TextFeeder::FeedCopy(std::string_view text, uint64_t breaksBefore) {
    if (reader_.Done() || text.empty()) return;
    lastByteEndsLine_ = text.back() == '\n' || text.back() == '\r';
    pieceInCarry_ = carry_.size();
    pieceBreaks_ = breaksBefore;
    carry_.append(text);
    if (carry_.size() >= retryAt_)
        Run(carry_.data(), carry_.data() + carry_.size(), carry_.data() + pieceInCarry_, pieceBreaks_, false, true);
    KeepTail(text);
}

void TextFeeder::Finish(uint64_t breaksAtEnd, bool cutByZero) {
    if (reader_.Done()) return;
    const bool textSeen = used_ > 0 || !carry_.empty();
    if (!textSeen && !cutByZero) return;  // an empty text holds no value at all
    textEnd_ = used_ + carry_.size();
    pieceInCarry_ = carry_.size();
    pieceBreaks_ = breaksAtEnd;
    if (cutByZero) NoteTextEnd(carry_.data(), carry_.data() + carry_.size(), breaksAtEnd, false);
    if (asLines_ && textSeen && !cutByZero) carry_ += "\r\n";
    Run(carry_.data(), carry_.data() + carry_.size(), carry_.data() + pieceInCarry_, pieceBreaks_, true, true);
}

void TextFeeder::Run(char* begin, char* end, char* pieceStart, uint64_t pieceBreaks, bool final, bool inCarry) {
    *end = '\0';
    const size_t used = reader_.Feed(begin, end, final);
    if (reader_.Done()) {
        if (reader_.Stop() != StopReason::None) NoteStop(begin, end, pieceStart, pieceBreaks);
        used_ += end - begin;
        carry_.clear();
        retryAt_ = 0;
        return;
    }
    const uint64_t partedStart = reader_.PartedStringStart();
    if (partedStart != UINT64_MAX && partedStart != partedStringStart_) {
        partedStringStart_ = partedStart;
        partedStringPlace_ = PlaceAt(partedStart, begin, end, pieceStart, pieceBreaks);
    }
    used_ += used;
    usedPlace_.Advance(begin, begin + used);
    const size_t rest = static_cast<size_t>(end - begin) - used;
    if (inCarry)
        carry_.erase(0, used);
    else
        carry_.assign(begin + used, rest);
    retryAt_ = rest > kPieceHeadroom ? 2 * rest : 0;
}

// The line of the stop from the line breaks counted up to the start of the last piece, counting
// forwards or backwards in the text at hand to the stop; its column from where the first unused
// byte stands.
void TextFeeder::NoteStop(const char* begin, const char* end, const char* pieceStart, uint64_t pieceBreaks) {
    const uint64_t offset = reader_.StopOffset();
    if (offset >= textEnd_) {
        // At the end of the text: its last line, not the one a final line break would begin.
        NoteTextEnd(begin, pieceStart, pieceBreaks, lastByteEndsLine_);
        return;
    }
    if (offset < used_) {  // a string reported in parts, which began before the text at hand
        stop_ = partedStringPlace_;
        return;
    }
    stop_ = PlaceAt(offset, begin, end, pieceStart, pieceBreaks);
}

// The place of the byte at `offset`, which lies in the text at hand, [begin, end).
TextPlace TextFeeder::PlaceAt(uint64_t offset, const char* begin, const char* end, const char* pieceStart,
                              uint64_t pieceBreaks) const {
    const char* stop = begin + (offset - used_);
    if (stop > end) stop = end;
    const uint64_t breaks = stop >= pieceStart ? pieceBreaks + CountLineBreaks(pieceStart, stop)
                                               : pieceBreaks - CountLineBreaks(stop, pieceStart);
    LinePosition place = usedPlace_;
    place.Advance(begin, stop);
    // What follows the stop is only what has come so far: the end of the buffer at hand cuts a
    // long line's context short.
    return TextPlace{breaks + 1, place.Column() + 1,
                     LineAround(TextBefore(begin, stop, pieceStart), std::string_view(stop, end - stop))};
}

// The end of the text, [begin, textEnd) being its bytes not yet used. `onLastLine`: the place is
// after the last character of the line that the final line break ends, else after the final
// line break.
void TextFeeder::NoteTextEnd(const char* begin, const char* textEnd, uint64_t breaks, bool onLastLine) {
    LinePosition place = usedPlace_;
    place.Advance(begin, textEnd);
    std::string before = TextBefore(begin, textEnd, textEnd);
    if (!onLastLine) {
        stop_ = TextPlace{breaks + 1, place.Column() + 1, LineAround(before, {})};
        return;
    }
    if (!before.empty() && before.back() == '\n') before.pop_back();
    if (!before.empty() && before.back() == '\r') before.pop_back();
    stop_ = TextPlace{breaks, place.EndedLineLength() + 1, LineAround(before, {})};
}

// The last bytes of the text before `at`: from the piece at hand, or from the tail of the text
// before the piece when it holds them. The carry [begin, pieceStart) ends the tail.
std::string TextFeeder::TextBefore(const char* begin, const char* at, const char* pieceStart) const {
    if (at >= pieceStart) {
        const size_t inPiece = static_cast<size_t>(at - pieceStart);
        if (inPiece >= kTailBytes) return std::string(at - kTailBytes, at);
        return tail_ + std::string(pieceStart, at);
    }
    const size_t carried = static_cast<size_t>(pieceStart - at);
    if (carried <= tail_.size()) return tail_.substr(0, tail_.size() - carried);
    return std::string(begin, at);
}

void TextFeeder::KeepTail(std::string_view piece) {
    if (piece.size() > kTailBytes) piece.remove_prefix(piece.size() - kTailBytes);
    tail_.append(piece);
    if (tail_.size() > 2 * kTailBytes) tail_.erase(0, tail_.size() - kTailBytes);
}

}  // namespace tabulora
