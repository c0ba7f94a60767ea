#include "engine/line_breaks.h"

#include <cstring>

#include "engine/scan.h"

namespace tabulora {
namespace {

uint64_t CountByte(const char* p, const char* end, char byte) {
    uint64_t count = 0;
#ifdef TABULORA_SSE2
    // Up to 255 blocks of matches summed per byte lane, then the lanes added up.
    const __m128i target = scan::Splat(byte), one = _mm_set1_epi8(1);
    while (end - p >= 16) {
        __m128i lanes = _mm_setzero_si128();
        for (int blocks = 0; blocks < 255 && end - p >= 16; ++blocks, p += 16)
            lanes = _mm_add_epi8(lanes, _mm_and_si128(_mm_cmpeq_epi8(scan::Load(p), target), one));
        const __m128i sums = _mm_sad_epu8(lanes, _mm_setzero_si128());
        count += static_cast<uint64_t>(_mm_cvtsi128_si32(sums)) + static_cast<uint64_t>(_mm_extract_epi16(sums, 4));
    }
#endif
    for (; p < end; ++p) count += *p == byte;
    return count;
}

}  // namespace

bool HasLineBreak(std::string_view text) { return text.find_first_of("\r\n") != std::string_view::npos; }

void AppendWithCrLf(std::string_view text, std::string& out) {
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r') {
            out += "\r\n";
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else if (c == '\n') {
            out += "\r\n";
        } else {
            out += c;
        }
    }
}

uint64_t CountLineBreaks(const char* p, const char* end) {
    uint64_t breaks = CountByte(p, end, '\n');
    for (const char* cr = p; (cr = static_cast<const char*>(std::memchr(cr, '\r', end - cr))) != nullptr; ++cr)
        breaks += cr[1] != '\n';
    return breaks;
}

void LineBreakCounter::Add(std::string_view piece) {
    if (piece.empty()) return;
    const char* p = piece.data();
    const char* last = p + piece.size() - 1;
    breaks_ = BreaksBefore(*p);
    // A CR in the last place waits for the next piece.
    breaks_ += CountLineBreaks(p, last);
    if (*last == '\n') ++breaks_;
    pendingCR_ = *last == '\r';
}

}  // namespace tabulora
