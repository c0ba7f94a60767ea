#include "engine/csv_writer.h"

#include <cstring>

#include "engine/file_io.h"
#include "engine/scan.h"

namespace tabulora {

CsvFieldWriter::CsvFieldWriter(std::string separator)
    : separator_(std::move(separator)), separatorLead_(separator_.empty() ? '"' : separator_[0]) {
    special_[static_cast<unsigned char>('"')] = true;
    if (!separator_.empty()) special_[static_cast<unsigned char>(separator_[0])] = true;
}

bool CsvFieldWriter::NeedsQuotes(std::string_view field) const {
    const char* end = field.data() + field.size();
    const char separatorLead = separator_.empty() ? '"' : separator_[0];
    for (const char* p = field.data();; ++p) {
        p = scan::FindAny(p, end, '"', separatorLead, separatorLead);
        if (p == end) return false;
        if (*p == '"') return true;
        // The separator may be several UTF-8 bytes; its first byte alone is no match.
        if (std::string_view(p, end - p).substr(0, separator_.size()) == separator_) return true;
    }
}

char* CsvFieldWriter::WriteField(char* out, std::string_view field) const {
    // Most fields need no quotes. Short ones are copied and checked in one pass, long ones are
    // checked sixteen bytes at a time.
    bool special = true;
    if (field.size() < 16) {
        special = false;
        for (size_t i = 0; i < field.size(); ++i) {
            out[i] = field[i];
            special |= special_[static_cast<unsigned char>(field[i])];
        }
    }
    if (!special || !NeedsQuotes(field)) {
        if (field.size() >= 16) std::memcpy(out, field.data(), field.size());
        return out + field.size();
    }
    return WriteQuoted(out, field);
}

char* CsvFieldWriter::WriteSpecialField(char* out, std::string_view field) const {
    if (NeedsQuotes(field)) return WriteQuoted(out, field);
    std::memcpy(out, field.data(), field.size());   // only the first byte of a longer separator
    return out + field.size();
}

char* CsvFieldWriter::WriteQuoted(char* out, std::string_view field) const {
    *out++ = '"';
    for (const char c : field) {
        if (c == '"') *out++ = '"';
        *out++ = c;
    }
    *out++ = '"';
    return out;
}

void CsvFieldWriter::AppendField(std::string& out, std::string_view field) const {
    const size_t start = out.size();
    out.resize(start + 2 * field.size() + 2);
    out.resize(WriteField(out.data() + start, field) - out.data());
}

std::string QuoteCsvField(std::string_view field, std::string_view separator) {
    std::string out;
    CsvFieldWriter(std::string(separator)).AppendField(out, field);
    return out;
}

std::string CsvDocument::Text() const {
    std::string text;
    ForEachPiece([&text](std::string_view piece) { text.append(piece); });
    return text;
}

void WriteCsvFile(const CsvDocument& document, const std::string& path, TextEncoding encoding,
                  const AnsiCodec& ansi) {
    OutputFile file(path);
    std::string buffer;
    constexpr size_t kWriteSize = 1 << 20;
    buffer.reserve(kWriteSize);
    auto flush = [&] {
        if (encoding == TextEncoding::Utf8)
            file.Write(buffer);
        else
            file.Write(ansi.FromUtf8(buffer));
        buffer.clear();
    };
    // Pieces are gathered into large writes that end at line breaks, so that no character is split
    // by the ANSI conversion.
    document.ForEachPiece([&](std::string_view piece) {
        buffer.append(piece);
        if (buffer.size() >= kWriteSize && buffer.back() == '\n') flush();
    });
    flush();
    file.CommitReplacing();
}

}  // namespace tabulora
