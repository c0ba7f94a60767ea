#pragma once
// Line breaks as the text lists of the program see them: CR LF, a lone CR and a lone LF each end
// a line.
#include <cstdint>
#include <string>
#include <string_view>

namespace tabulora {

bool HasLineBreak(std::string_view text);

// Appends `text` with every line break written as CR LF.
void AppendWithCrLf(std::string_view text, std::string& out);

// The line breaks that end in [p, end): every LF, and every CR whose next byte is not LF. The byte
// after a CR at end - 1 is read at `end`, which must be readable.
uint64_t CountLineBreaks(const char* p, const char* end);

// Counts the line breaks of a text that arrives in pieces.
class LineBreakCounter {
public:
    void Add(std::string_view piece);
    // The breaks that end before a piece that begins with `firstByte`.
    uint64_t BreaksBefore(char firstByte) const { return breaks_ + (pendingCR_ && firstByte != '\n'); }
    // The breaks of the whole text, when the text ends here.
    uint64_t BreaksAtEnd() const { return breaks_ + pendingCR_; }

private:
    uint64_t breaks_ = 0;
    bool pendingCR_ = false;  // the last piece ended with CR: the next byte decides about it
};

}  // namespace tabulora
