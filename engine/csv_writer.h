#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "engine/scan.h"

namespace tabulora {

// Writes fields with the separator's quoting rule: a field is quoted when it holds the separator
// or a double quote, and inner quotes are doubled. Nothing else (blanks, backslashes, other
// punctuation) causes quoting.
class CsvFieldWriter {
public:
    // With `formulaGuard`, AppendField guards fields that look like formulas (see WriteGuardedField).
    explicit CsvFieldWriter(std::string separator, bool formulaGuard = false);
    const std::string& Separator() const { return separator_; }
    void AppendField(std::string& out, std::string_view field) const;

    // A field that a spreadsheet would take for a formula: it begins with = + - @ TAB or CR and
    // is not a JSON number as a whole (-5 is a number, not a formula).
    static bool LooksLikeFormula(std::string_view field);
    // Writes the field with an apostrophe before it when it looks like a formula, so that a
    // spreadsheet shows it as text; quoting then applies to the whole. Room: 2 * size + 3 bytes.
    char* WriteGuardedField(char* out, std::string_view field) const;

    // Writes the field at `out`, which has room for 2 * size + 2 bytes; returns its end.
    char* WriteField(char* out, std::string_view field) const;
    // The same, sixteen bytes at a time, for a field followed by kFieldSlack readable bytes into
    // room for kFieldSlack bytes more (inline: it runs for every cell).
    char* WriteFieldWithSlack(char* out, std::string_view field) const {
#ifdef TABULORA_SSE2
        // Copies and checks each block of sixteen in one go; the bytes past the end are copied
        // too (the next field overwrites them) but not checked.
        const __m128i quote = scan::Splat('"'), lead = scan::Splat(separatorLead_);
        for (size_t done = 0; done < field.size(); done += 16) {
            const __m128i block = scan::Load(field.data() + done);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + done), block);
            unsigned mask = scan::Mask(_mm_or_si128(_mm_cmpeq_epi8(block, quote), _mm_cmpeq_epi8(block, lead)));
            if (field.size() - done < 16) mask &= (1u << (field.size() - done)) - 1;
            if (mask) return WriteSpecialField(out, field);
        }
        return out + field.size();
#else
        return WriteField(out, field);
#endif
    }
    static constexpr size_t kFieldSlack = 16;

    // A field written in parts, too long to be written at once: whether it is quoted and whether an
    // apostrophe guards it (with `guard`), decided on the whole field as the writers above decide.
    struct Framing {
        bool quoted = false;
        bool guarded = false;
    };
    Framing FramingOf(std::string_view field, bool guard) const;
    // A part of such a field, with its double quotes doubled when the field is quoted; room: 2 * size.
    // Inline: every quoted field is written through it.
    static char* WriteFieldPart(char* out, std::string_view part, bool quoted) {
        if (quoted && part.size() < 256) {  // the common short field, byte by byte
            for (const char c : part) {
                if (c == '"') *out++ = '"';
                *out++ = c;
            }
            return out;
        }
        return WriteLongFieldPart(out, part, quoted);
    }

private:
    static char* WriteLongFieldPart(char* out, std::string_view part, bool quoted);
    bool NeedsQuotes(std::string_view field) const;
    // A field holding a double quote or the separator's first byte.
    char* WriteSpecialField(char* out, std::string_view field) const;
    char* WriteQuoted(char* out, std::string_view field) const;
    std::string separator_;
    bool formulaGuard_;
    char separatorLead_;      // the separator's first byte, or the double quote when there is none
    bool special_[256] = {};  // the double quote and the separator's first byte
};

}  // namespace tabulora
