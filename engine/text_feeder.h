#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "engine/json_reader.h"
#include "engine/line_position.h"

namespace tabulora {

// Room that a piece's buffer keeps in front of its text, so that the few bytes the reader
// left unread at the end of the previous piece can be put before it without moving the piece.
inline constexpr size_t kPieceHeadroom = 64 * 1024;

// A piece of decoded text (no zero bytes) in a buffer with kPieceHeadroom writable bytes before
// `data` and one writable byte after its end.
struct TextPiece {
    char* data;
    size_t size;
    uint64_t breaksBefore;  // line breaks that end in the text before `data` (LineBreakCounter)
};

// Hands one text to a JSON reader piece by piece. The bytes the reader leaves unread at the
// end of a piece (a token cut by the piece boundary) go in front of the next piece; a token that
// is longer than the headroom is collected until twice as much text has come, so that reading it
// again costs no more than reading it once.
//
// With `asLines` the text is taken as the program reads a file, as its lines each followed by
// CR LF: a text that is not empty gets a final line break (which lets a member whose colon ends
// the file still be read), and raw line breaks inside member names read as CR LF (the
// reader's textAsLines). Elsewhere a raw line break is a blank, or splits a string value's
// line for the table just as CR LF would.
class TextFeeder {
public:
    TextFeeder(PieceReader& reader, bool asLines) : reader_(reader), asLines_(asLines) {}

    void Feed(const TextPiece& piece);
    // A piece without headroom; it is copied.
    void FeedCopy(std::string_view text, uint64_t breaksBefore);
    // The text has ended: `breaksAtEnd` line breaks in all; `cutByZero` when a zero byte ended it
    // (the file goes on, so no line break follows).
    void Finish(uint64_t breaksAtEnd, bool cutByZero);

    // Where the reader stopped or, when it did not, where a zero byte cut the text (line 0 when
    // neither). A stop at the end of the text stands after the last character of its last line.
    const TextPlace& StopPlace() const { return stop_; }

private:
    void Run(char* begin, char* end, char* pieceStart, uint64_t pieceBreaks, bool final, bool inCarry);
    void NoteStop(const char* begin, const char* end, const char* pieceStart, uint64_t pieceBreaks);
    TextPlace PlaceAt(uint64_t offset, const char* begin, const char* end, const char* pieceStart,
                      uint64_t pieceBreaks) const;
    void NoteTextEnd(const char* begin, const char* textEnd, uint64_t breaks, bool onLastLine);
    std::string TextBefore(const char* begin, const char* at, const char* pieceStart) const;
    void KeepTail(std::string_view piece);

    PieceReader& reader_;
    bool asLines_;
    std::string carry_;        // unread bytes, or a long token being collected
    size_t retryAt_ = 0;       // collecting: read again once carry_ holds this many bytes
    size_t pieceInCarry_ = 0;  // collecting: where the last piece begins in carry_
    uint64_t pieceBreaks_ = 0;
    uint64_t used_ = 0;              // bytes the reader has used
    uint64_t textEnd_ = UINT64_MAX;  // length of the text once known, before any added line break
    bool lastByteEndsLine_ = false;
    LinePosition usedPlace_;  // where the first byte not yet used stands on its line
    std::string tail_;        // the last bytes of the text before the last piece
    TextPlace stop_;
    // Where the string that the reader reports in parts begins, noted while it was at hand.
    uint64_t partedStringStart_ = UINT64_MAX;
    TextPlace partedStringPlace_;
};

}  // namespace tabulora
