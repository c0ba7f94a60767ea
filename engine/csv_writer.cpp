#include "engine/csv_writer.h"

#include <cstring>

#include "engine/json_chars.h"
#include "engine/scan.h"

namespace tabulora {

namespace {

// -?(0|[1-9][0-9]*)(.[0-9]+)?([eE][+-]?[0-9]+)?
bool IsJsonNumber(std::string_view text) {
    size_t i = 0;
    const size_t n = text.size();
    auto digits = [&] {
        const size_t start = i;
        while (i < n && IsDigit(text[i])) ++i;
        return i > start;
    };
    if (i < n && text[i] == '-') ++i;
    if (i < n && text[i] == '0') {
        ++i;
    } else if (!digits()) {
        return false;
    }
    if (i < n && text[i] == '.') {
        ++i;
        if (!digits()) return false;
    }
    if (i < n && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < n && (text[i] == '+' || text[i] == '-')) ++i;
        if (!digits()) return false;
    }
    return i == n;
}

}  // namespace

CsvFieldWriter::CsvFieldWriter(std::string separator, bool formulaGuard)
    : separator_(std::move(separator)),
      formulaGuard_(formulaGuard),
      separatorLead_(separator_.empty() ? '"' : separator_[0]) {
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
    std::memcpy(out, field.data(), field.size());  // only the first byte of a longer separator
    return out + field.size();
}

char* CsvFieldWriter::WriteQuoted(char* out, std::string_view field) const {
    *out++ = '"';
    out = WriteFieldPart(out, field, true);
    *out++ = '"';
    return out;
}

// A long part in runs up to each double quote, copied at once, and the quote twice.
char* CsvFieldWriter::WriteLongFieldPart(char* out, std::string_view part, bool quoted) {
    if (!quoted) {
        std::memcpy(out, part.data(), part.size());
        return out + part.size();
    }
    const char* p = part.data();
    const char* const end = p + part.size();
    while (p < end) {
        const void* quote = std::memchr(p, '"', end - p);
        const char* const runEnd = quote ? static_cast<const char*>(quote) + 1 : end;
        std::memcpy(out, p, runEnd - p);
        out += runEnd - p;
        if (quote) *out++ = '"';
        p = runEnd;
    }
    return out;
}

CsvFieldWriter::Framing CsvFieldWriter::FramingOf(std::string_view field, bool guard) const {
    Framing framing;
    framing.guarded = guard && LooksLikeFormula(field);
    framing.quoted = (framing.guarded && separator_ == "'") || NeedsQuotes(field);
    return framing;
}

void CsvFieldWriter::AppendField(std::string& out, std::string_view field) const {
    const size_t start = out.size();
    out.resize(start + 2 * field.size() + 3);
    char* end = formulaGuard_ ? WriteGuardedField(out.data() + start, field) : WriteField(out.data() + start, field);
    out.resize(end - out.data());
}

bool CsvFieldWriter::LooksLikeFormula(std::string_view field) {
    if (field.empty()) return false;
    switch (field[0]) {
    case '=':
    case '+':
    case '@':
    case '\t':
    case '\r': return true;
    case '-': return !IsJsonNumber(field);
    default: return false;
    }
}

char* CsvFieldWriter::WriteGuardedField(char* out, std::string_view field) const {
    if (!LooksLikeFormula(field)) return WriteField(out, field);
    // The apostrophe is the separator itself only when the separator is an apostrophe.
    const bool quoted = separator_ == "'" || NeedsQuotes(field);
    if (quoted) *out++ = '"';
    *out++ = '\'';
    out = WriteFieldPart(out, field, quoted);
    if (quoted) *out++ = '"';
    return out;
}

}  // namespace tabulora
