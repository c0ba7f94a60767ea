#include "engine/text_feeder.h"

#include <cstring>

#include "engine/line_breaks.h"

namespace tabulora {

void TextFeeder::Feed(const TextPiece& piece) {
    if (reader_.Done() || piece.size == 0) return;
    lastByteEndsLine_ = piece.data[piece.size - 1] == '\n' || piece.data[piece.size - 1] == '\r';
    if (retryAt_ == 0 && carry_.size() <= kPieceHeadroom) {
        char* begin = piece.data - carry_.size();
        std::memcpy(begin, carry_.data(), carry_.size());
        carry_.clear();
        Run(begin, piece.data + piece.size, piece.data, piece.breaksBefore, false, false);
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
    if (carry_.size() < retryAt_) return;
    Run(carry_.data(), carry_.data() + carry_.size(), carry_.data() + pieceInCarry_, pieceBreaks_, false, true);
}

void TextFeeder::Finish(uint64_t breaksAtEnd, bool cutByZero) {
    if (reader_.Done()) return;
    const bool textSeen = used_ > 0 || !carry_.empty();
    if (!textSeen && !cutByZero) return;   // an empty text holds no value at all
    textEnd_ = used_ + carry_.size();
    pieceInCarry_ = carry_.size();
    pieceBreaks_ = breaksAtEnd;
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
    used_ += used;
    const size_t rest = static_cast<size_t>(end - begin) - used;
    if (inCarry)
        carry_.erase(0, used);
    else
        carry_.assign(begin + used, rest);
    retryAt_ = rest > kPieceHeadroom ? 2 * rest : 0;
}

// The line of the stop from the line breaks counted up to the start of the last piece, counting
// forwards or backwards in the text at hand to the stop.
void TextFeeder::NoteStop(const char* begin, const char* end, const char* pieceStart, uint64_t pieceBreaks) {
    const uint64_t offset = reader_.StopOffset();
    if (offset >= textEnd_) {
        // At the end of the text: its last line, not the one a final line break would begin.
        stopLine_ = pieceBreaks + (lastByteEndsLine_ ? 0 : 1);
        return;
    }
    const char* stop = begin + (offset - used_);
    if (stop > end) stop = end;
    const uint64_t breaks = stop >= pieceStart ? pieceBreaks + CountLineBreaks(pieceStart, stop)
                                               : pieceBreaks - CountLineBreaks(stop, pieceStart);
    stopLine_ = breaks + 1;
}

}  // namespace tabulora
