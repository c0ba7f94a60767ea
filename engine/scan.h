#pragma once
// Byte scans of the hot path, sixteen bytes at a time where SSE2 is available (every x86-64).
// All scans are bounded by `end`: nothing at or after it is read.
#include <cstddef>
#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#define TABULORA_SSE2 1
#endif

namespace tabulora::scan {

#ifdef TABULORA_SSE2
inline int FirstBit(unsigned mask) { return __builtin_ctz(mask); }
inline __m128i Load(const char* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
inline __m128i Splat(char c) { return _mm_set1_epi8(c); }
inline unsigned Mask(__m128i bytes) { return static_cast<unsigned>(_mm_movemask_epi8(bytes)); }
#endif

// The first byte in [p, end) equal to a, b or c; `end` when there is none.
inline const char* FindAny(const char* p, const char* end, char a, char b, char c) {
#ifdef TABULORA_SSE2
    const __m128i va = Splat(a), vb = Splat(b), vc = Splat(c);
    for (; end - p >= 16; p += 16) {
        const __m128i v = Load(p);
        const unsigned mask =
            Mask(_mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, va), _mm_cmpeq_epi8(v, vb)), _mm_cmpeq_epi8(v, vc)));
        if (mask) return p + FirstBit(mask);
    }
#endif
    for (; p < end; ++p)
        if (*p == a || *p == b || *p == c) return p;
    return end;
}

// The first byte in [p, end) that is below 0x20, a double quote or a backslash; `end` when none.
inline const char* FindEscapeNeeded(const char* p, const char* end) {
#ifdef TABULORA_SSE2
    const __m128i quote = Splat('"'), backslash = Splat('\\'), bias = Splat(static_cast<char>(0x80)),
                  limit = Splat(static_cast<char>(0x80 + 0x20));
    for (; end - p >= 16; p += 16) {
        const __m128i v = Load(p);
        // Unsigned "below 0x20" through a signed compare of the biased bytes.
        const __m128i control = _mm_cmplt_epi8(_mm_xor_si128(v, bias), limit);
        const unsigned mask =
            Mask(_mm_or_si128(control, _mm_or_si128(_mm_cmpeq_epi8(v, quote), _mm_cmpeq_epi8(v, backslash))));
        if (mask) return p + FirstBit(mask);
    }
#endif
    for (; p < end; ++p) {
        const auto c = static_cast<unsigned char>(*p);
        if (c < 0x20 || c == '"' || c == '\\') return p;
    }
    return end;
}

// The first byte in [p, end) that is not between 0x01 and 0x20; `end` when none.
inline const char* SkipBlanks(const char* p, const char* end) {
    // Between tokens there is most often nothing, a single space, or a line break and the
    // indentation of the next line: a few bytes, skipped one by one.
    for (const char* few = p + 8 < end ? p + 8 : end; p < few; ++p) {
        const auto c = static_cast<unsigned char>(*p);
        if (c == 0 || c > 0x20) return p;
    }
#ifdef TABULORA_SSE2
    const __m128i bias = Splat(static_cast<char>(0x80)), low = Splat(static_cast<char>(0x80 + 0x01)),
                  high = Splat(static_cast<char>(0x80 + 0x20));
    for (; end - p >= 16; p += 16) {
        const __m128i v = _mm_xor_si128(Load(p), bias);
        const __m128i blank = _mm_andnot_si128(_mm_or_si128(_mm_cmplt_epi8(v, low), _mm_cmpgt_epi8(v, high)),
                                               _mm_set1_epi8(-1));
        const unsigned notBlank = Mask(blank) ^ 0xFFFF;
        if (notBlank) return p + FirstBit(notBlank);
    }
#endif
    for (; p < end; ++p) {
        const auto c = static_cast<unsigned char>(*p);
        if (c == 0 || c > 0x20) return p;
    }
    return end;
}

// The last CR or LF in [p, end); nullptr when there is none.
inline const char* FindLastLineBreak(const char* p, const char* end) {
#ifdef TABULORA_SSE2
    const __m128i cr = Splat('\r'), lf = Splat('\n');
    for (; end - p >= 16; end -= 16) {
        const __m128i v = Load(end - 16);
        const unsigned mask = Mask(_mm_or_si128(_mm_cmpeq_epi8(v, cr), _mm_cmpeq_epi8(v, lf)));
        if (mask) return end - 16 + (31 - __builtin_clz(mask));
    }
#endif
    while (end > p) {
        --end;
        if (*end == '\r' || *end == '\n') return end;
    }
    return nullptr;
}

// True when every byte of [p, end) is below 0x80.
inline bool IsAscii(const char* p, const char* end) {
#ifdef TABULORA_SSE2
    for (; end - p >= 16; p += 16)
        if (Mask(Load(p))) return false;
#endif
    for (; p < end; ++p)
        if (static_cast<unsigned char>(*p) >= 0x80) return false;
    return true;
}

}  // namespace tabulora::scan
