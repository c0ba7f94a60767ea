#pragma once
// JSON Lines with bad lines left out: each line (ended by LF or CR LF) must hold exactly one JSON
// value (see strict_json.h) or be blank; any other line is skipped, so that one broken record
// does not end the reading of the rest.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/text_feeder.h"

namespace tabulora {

class ByteSink;

// How many skipped line numbers are kept to be named in a warning.
inline constexpr size_t kSkippedLinesNamed = 5;

struct SkippedLines {
    uint64_t count = 0;
    std::vector<uint64_t> first;  // 1-based numbers of the first kSkippedLinesNamed of them
};

// "data.jsonl: 3 bad lines skipped (lines 2, 7, 9)"; the first kSkippedLinesNamed numbers,
// then ", ...".
std::string SkippedLinesMessage(std::string_view name, const SkippedLines& skipped);

// The verdicts on the lines that lie whole inside one piece of text, made before the filter
// meets them (on the read-ahead thread, which has time to spare): the lines from just after the
// piece's first line break to just after its last one, and of them the offsets where a bad line
// begins. The line before the first break may continue an earlier piece: the filter judges it.
struct LineVerdicts {
    size_t begin = 0;
    size_t end = 0;  // begin == end: no line judged
    std::vector<size_t> bad;

    void Judge(const char* text, size_t size);
};

// Splits one input's text into lines as it comes, piece by piece, and hands the good lines to
// `feeder` and the bad ones, exactly as they were with their line break, to `rejects` (when
// given). Good lines pass straight from the piece; only a line cut by a piece boundary is
// copied, so memory grows with the longest line, not with the text (such a line is held whole
// until it is judged: a long value in it takes twice its size).
class JsonLinesFilter {
public:
    JsonLinesFilter(TextFeeder& feeder, ByteSink* rejects) : feeder_(feeder), rejects_(rejects) {}

    // A piece of text with the room around it that TextPiece describes, and when given the
    // verdicts made on its lines beforehand.
    void Feed(char* data, size_t size, const LineVerdicts* verdicts = nullptr);
    // The text has ended; its last line may lack a line break.
    void Finish();

    // The line breaks of the text so far (LF only).
    uint64_t LineBreaks() const { return line_ - 1; }
    const SkippedLines& Skipped() const { return skipped_; }

private:
    void FeedGood(char* begin, char* end, uint64_t firstLine);
    void TakeHeldLine();
    void FeedHeldLine();
    void Skip(std::string_view line);

    TextFeeder& feeder_;
    ByteSink* rejects_;
    std::string held_;   // the start of the line at hand, when an earlier piece began it
    uint64_t line_ = 1;  // 1-based number of the line at hand
    SkippedLines skipped_;
};

}  // namespace tabulora
