#include "engine/line_position.h"

#include "engine/scan.h"
#include "engine/utf.h"

namespace tabulora {
namespace {

constexpr int kCharactersAround = 40;
constexpr int kCharactersBefore = 20;

bool IsLineBreak(char c) { return c == '\r' || c == '\n'; }

// The bytes of the character that `lead` begins.
size_t SequenceLength(char lead) {
    const auto c = static_cast<unsigned char>(lead);
    return c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
}

}  // namespace

void LinePosition::Advance(const char* p, const char* end) {
    if (p == end) return;
    const char* lastBreak = scan::FindLastLineBreak(p, end);
    if (!lastBreak) {
        column_ += CountUtf8Characters(p, end);
        afterCR_ = false;
        return;
    }
    // The LF of a CR LF ends no line of its own.
    const bool pairsWithCR = *lastBreak == '\n' && (lastBreak > p ? lastBreak[-1] == '\r' : afterCR_);
    if (!(pairsWithCR && lastBreak == p)) {
        const char* lineEnd = pairsWithCR ? lastBreak - 1 : lastBreak;
        const char* lineStart = scan::FindLastLineBreak(p, lineEnd);
        endedLine_ = lineStart ? CountUtf8Characters(lineStart + 1, lineEnd)
                               : column_ + CountUtf8Characters(p, lineEnd);
    }
    column_ = CountUtf8Characters(lastBreak + 1, end);
    afterCR_ = end[-1] == '\r';
}

std::string LineAround(std::string_view before, std::string_view after) {
    size_t start = before.size();
    int taken = 0;
    while (taken < kCharactersBefore && start > 0 && !IsLineBreak(before[start - 1])) {
        --start;
        if (!ContinuesUtf8Character(before[start])) ++taken;
    }
    // A character that `before` begins in the middle of is not shown.
    while (start < before.size() && ContinuesUtf8Character(before[start])) ++start;
    size_t stop = 0;
    for (; stop < after.size() && !IsLineBreak(after[stop]); ++stop) {
        if (!ContinuesUtf8Character(after[stop]) && taken++ == kCharactersAround) break;
    }
    // Nor one that `after` ends in the middle of.
    size_t last = stop;
    while (last > 0 && ContinuesUtf8Character(after[last - 1])) --last;
    if (last > 0 && last - 1 + SequenceLength(after[last - 1]) > stop) stop = last - 1;
    return std::string(before.substr(start)) + std::string(after.substr(0, stop));
}

TextPlace PlaceInText(std::string_view text, size_t offset) {
    const std::string_view before = text.substr(0, offset);
    TextPlace place;
    place.line = 1;
    size_t lineStart = 0;
    for (size_t i = 0; i < before.size(); ++i) {
        if (!IsLineBreak(before[i])) continue;
        // A CR LF is one line break.
        if (before[i] == '\r' && i + 1 < before.size() && before[i + 1] == '\n') ++i;
        ++place.line;
        lineStart = i + 1;
    }
    place.column = CountUtf8Characters(text.data() + lineStart, text.data() + offset) + 1;
    place.context = LineAround(text.substr(lineStart, offset - lineStart), text.substr(offset));
    return place;
}

std::string WithControlsEscaped(std::string_view text) {
    std::string out;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\t') {
            out += "\\t";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\n') {
            out += "\\n";
        } else if (byte < 0x20 || byte == 0x7F) {
            static constexpr char kHex[] = "0123456789ABCDEF";
            out += "\\u00";
            out += kHex[byte >> 4];
            out += kHex[byte & 0xF];
        } else {
            out += c;
        }
    }
    return out;
}

}  // namespace tabulora
