#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/output_buffer.h"
#include "engine/scan.h"
#include "engine/text_codec.h"

namespace tabulora {

// A field is quoted when it holds the separator or a double quote; inner quotes are doubled.
// Nothing else (blanks, backslashes, other punctuation) causes quoting.
std::string QuoteCsvField(std::string_view field, std::string_view separator);

// Writes fields with the separator's quoting rule.
class CsvFieldWriter {
public:
    explicit CsvFieldWriter(std::string separator);
    const std::string& Separator() const { return separator_; }
    void AppendField(std::string& out, std::string_view field) const;
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

private:
    bool NeedsQuotes(std::string_view field) const;
    // A field holding a double quote or the separator's first byte.
    char* WriteSpecialField(char* out, std::string_view field) const;
    char* WriteQuoted(char* out, std::string_view field) const;
    std::string separator_;
    char separatorLead_;   // the separator's first byte, or the double quote when there is none
    bool special_[256] = {};   // the double quote and the separator's first byte
};

// The finished CSV: the header line (when wanted) and the row lines, in UTF-8. Rows completed
// before later columns appeared are padded with empty fields when the text is produced, so every
// row line carries one field per column.
class CsvDocument {
public:
    struct RowRun {         // consecutive row lines completed with the same column count
        size_t endOffset;   // end of the run in `rows`
        uint32_t columnCount;
    };

    bool hasHeader = false;
    std::string header;          // without line break
    OutputBuffer rows;           // row lines, each ended by CR LF
    std::vector<RowRun> runs;
    std::string separator;
    uint32_t columnCount = 0;
    uint64_t rowCount = 0;

    // Calls `emit` with consecutive pieces of the whole CSV text.
    template <class Emit>
    void ForEachPiece(Emit&& emit) const;
    std::string Text() const;
};

// Writes the CSV text to `path` through a temporary file in the same folder that replaces the
// target only when complete (see OutputFile: links followed, permissions kept, a target the user
// may not write refused). Throws FileError("Cannot create file "<path>". <reason>") on any
// failure; the temporary file is removed and an existing target keeps its content.
void WriteCsvFile(const CsvDocument& document, const std::string& path, TextEncoding encoding,
                  const AnsiCodec& ansi);

template <class Emit>
void CsvDocument::ForEachPiece(Emit&& emit) const {
    static constexpr std::string_view kLineBreak = "\r\n";
    if (hasHeader) {
        emit(std::string_view(header));
        emit(kLineBreak);
    }
    std::string padding;
    size_t begin = 0;
    for (const RowRun& run : runs) {
        std::string_view text(rows.Data() + begin, run.endOffset - begin);
        begin = run.endOffset;
        if (run.columnCount >= columnCount || separator.empty()) {
            emit(text);
            continue;
        }
        padding.clear();
        for (uint32_t i = run.columnCount; i < columnCount; ++i) padding += separator;
        // Cells never hold CR or LF, so every CR LF in a run ends a row line.
        for (size_t pos = 0; pos < text.size();) {
            size_t lineEnd = text.find("\r\n", pos);
            emit(text.substr(pos, lineEnd - pos));
            emit(std::string_view(padding));
            emit(kLineBreak);
            pos = lineEnd + 2;
        }
    }
}

}  // namespace tabulora
