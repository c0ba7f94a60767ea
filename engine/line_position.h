#pragma once
// Places in a text as a person counts them: lines as the program's text lists see them (CR LF, a
// lone CR or a lone LF ends a line), columns in characters.
#include <cstdint>
#include <string>
#include <string_view>

namespace tabulora {

// A place in a text, for messages: 1-based line and column, and the text of its line around it
// (LineAround).
struct TextPlace {
    uint64_t line = 0;
    uint64_t column = 0;
    std::string context;
};

// How far along its line the end of a UTF-8 text stands, for a text that arrives in consecutive
// parts. Only the part after the last line break is counted, so following a text costs little
// when its lines are short.
class LinePosition {
public:
    // The text goes on with [p, end).
    void Advance(const char* p, const char* end);
    // Characters of the line so far, after the last line break.
    uint64_t Column() const { return column_; }
    // Characters of the line that the last line break ended.
    uint64_t EndedLineLength() const { return endedLine_; }

private:
    uint64_t column_ = 0;
    uint64_t endedLine_ = 0;
    bool afterCR_ = false;  // a LF that follows belongs to the same line break
};

// Up to 40 characters of the line around a place, for a message that shows where it is: up to 20
// before it (from the end of `before`, the text that leads up to the place) and the rest after
// it (from `after`, the text that follows), neither going past a line break or its text's end.
std::string LineAround(std::string_view before, std::string_view after);

// The place of the byte at `offset` in a whole UTF-8 text, with the text around it.
TextPlace PlaceInText(std::string_view text, size_t offset);

// Control characters as \t, \r, \n or \u00XX, so that a message stays on one line and shows them.
std::string WithControlsEscaped(std::string_view text);

}  // namespace tabulora
