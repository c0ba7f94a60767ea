#include "engine/record_table.h"

#include <cstring>

#include "engine/cell_escapes.h"
#include "engine/scan.h"

namespace tabulora {
namespace {

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= 0x20; }

std::string_view Trim(const char* begin, const char* end) {
    while (begin < end && IsBlank(*begin)) ++begin;
    while (end > begin && IsBlank(end[-1])) --end;
    return std::string_view(begin, end - begin);
}

// memcpy without a library call for the short values that cells usually hold: overlapping words.
void CopyBytes(char* to, const char* from, size_t size) {
    uint64_t first, last;
    if (size >= 8 && size <= 16) {
        std::memcpy(&first, from, 8);
        std::memcpy(&last, from + size - 8, 8);
        std::memcpy(to, &first, 8);
        std::memcpy(to + size - 8, &last, 8);
    } else if (size < 8) {
        for (size_t i = 0; i < size; ++i) to[i] = from[i];
    } else {
        std::memcpy(to, from, size);
    }
}

// The text itself when it holds no backslash, else its decoded form in `scratch`.
std::string_view Unescaped(std::string_view text, std::string& scratch) {
    if (std::memchr(text.data(), '\\', text.size()) == nullptr) return text;
    scratch.clear();
    DecodeCellEscapes(text, scratch);
    return scratch;
}

}  // namespace

RecordTableBuilder::RecordTableBuilder(std::string separator, RowSink& rows)
    : fields_(std::move(separator)), rows_(rows) {}

void RecordTableBuilder::AddLine(std::string_view line) {
    size_t tabs = 0;
    while (tabs < line.size() && line[tabs] == '\t') ++tabs;
    AddIndentedLine(tabs, line.substr(tabs));
}

void RecordTableBuilder::AddIndentedLine(size_t tabs, std::string_view line) {
    const std::string_view text = Trim(line.data(), line.data() + line.size());
    if (text.empty()) return;

    if (text[0] != '"') {
        // The closing brace of a record ends its row.
        const bool closesRecord = text == "}" || text == "},";
        if (closesRecord && recordDepth_ > 0 && static_cast<long>(tabs) == recordDepth_ - 1 && rowHasCell_)
            AppendRowLine();
        return;
    }

    // A keyed line: a double-quoted name, blanks, a colon and the value.
    const char* end = text.data() + text.size();
    const char* p = text.data() + 1;
    for (;;) {
        p = scan::FindAny(p, end, '"', '\\', '\\');
        if (p == end || *p == '"') break;
        if (end - p < 2) return;   // a backslash skips the next character
        p += 2;
    }
    if (p == end) return;
    const std::string_view name(text.data() + 1, p - text.data() - 1);
    ++p;
    while (p < end && IsBlank(*p)) ++p;
    if (p == end || *p != ':') return;

    std::string_view value = Trim(p + 1, end);
    if (!value.empty() && value.back() == ',') value = Trim(value.data(), value.data() + value.size() - 1);
    if (!value.empty() && value.front() == '"' && value.back() == '"')
        value = value.size() == 1 ? std::string_view() : value.substr(1, value.size() - 2);
    AddMember(tabs, name, value);
}

// Only members at the record depth, the depth of the first one, become cells. The first column's
// name recurring in a row that already holds it starts the next record.
inline void RecordTableBuilder::AddCell(size_t tabs, std::string_view name, std::string_view value) {
    if (recordDepth_ < 0) recordDepth_ = static_cast<long>(tabs);
    if (static_cast<long>(tabs) != recordDepth_) return;
    const uint32_t column = columns_.AddColumn(name);
    if (column == 0 && CellSet(0)) AppendRowLine();
    if (column >= row_.size()) row_.resize(column + 1);
    Cell& cell = row_[column];
    cell.generation = rowGeneration_;
    cell.offset = rowText_.Size();
    cell.length = static_cast<uint32_t>(value.size());
    CopyBytes(rowText_.Reserve(value.size() + CsvFieldWriter::kFieldSlack), value.data(), value.size());
    rowText_.Commit(value.size());
    rowHasCell_ = true;
}

void RecordTableBuilder::Line(size_t tabs, std::string_view text, bool mayHoldBreaks) {
    if (!mayHoldBreaks) {
        AddIndentedLine(tabs, text);
        return;
    }
    // Raw line breaks copied from a string split the line; the indentation belongs to the first piece.
    const std::string indented = std::string(tabs, '\t') + std::string(text);
    LineSplitter lines(*this);
    lines.Write(indented.data(), indented.size());
    lines.Finish();
}

void RecordTableBuilder::MemberLine(size_t tabs, std::string_view name, std::string_view value, bool escapes) {
    if (value == "{") return;   // the line of a member that opens an object
    if (name.empty() || value.empty()) return;
    AddCell(tabs, name, escapes ? Unescaped(value, scratchValue_) : value);
}

// A member whose name and value have been taken out of their line.
void RecordTableBuilder::AddMember(size_t tabs, std::string_view name, std::string_view value) {
    if (value == "{") value = {};   // a member that opens an object
    if (name.empty() || value.empty()) return;
    AddCell(tabs, Unescaped(name, scratchName_), Unescaped(value, scratchValue_));
}

// Writes the completed row's CSV line and starts an empty row.
void RecordTableBuilder::AppendRowLine() {
    const std::string& separator = fields_.Separator();
    const uint32_t columnCount = columns_.Size();
    // Room for every cell quoted with all its bytes doubled, the separators and the line break,
    // and for the bytes written past a field's end.
    char* const start = rows_.Reserve(rowText_.Size() * 2 + columnCount * (separator.size() + 2) + 2 +
                                      CsvFieldWriter::kFieldSlack);
    char* out = start;
    for (uint32_t column = 0; column < columnCount; ++column) {
        if (column > 0) {
            if (separator.size() == 1) {
                *out++ = separator[0];
            } else {
                std::memcpy(out, separator.data(), separator.size());
                out += separator.size();
            }
        }
        if (CellSet(column)) {
            const Cell& cell = row_[column];
            out = fields_.WriteFieldWithSlack(out, std::string_view(rowText_.Data() + cell.offset, cell.length));
        }
    }
    *out++ = '\r';
    *out++ = '\n';
    rows_.Commit(out - start);
    rows_.EndRow(columnCount);
    ++rowCount_;

    rowText_.Clear();
    rowHasCell_ = false;
    if (++rowGeneration_ == 0) {   // after 2^32 rows: forget old generations explicitly
        for (Cell& cell : row_) cell.generation = 0;
        rowGeneration_ = 1;
    }
}

void RecordTableBuilder::Finish() {
    // The last row counts when it holds a cell; a text without any row still gives one line.
    if (rowHasCell_ || rowCount_ == 0) AppendRowLine();
}

std::string RecordTableBuilder::HeaderLine() const {
    std::string header;
    for (uint32_t column = 0; column < columns_.Size(); ++column) {
        if (column > 0) header += fields_.Separator();
        fields_.AppendField(header, columns_.Names()[column]);
    }
    return header;
}

RecordTableBuilder::Mark RecordTableBuilder::MarkState() const {
    return Mark{columns_.Size(), rowCount_, recordDepth_, row_, std::string(rowText_.Data(), rowText_.Size()),
                rowGeneration_, rowHasCell_};
}

void RecordTableBuilder::Restore(const Mark& mark) {
    columns_.Truncate(mark.columnCount);
    rowCount_ = mark.rowCount;
    recordDepth_ = mark.recordDepth;
    row_ = mark.row;
    rowText_.Clear();
    std::memcpy(rowText_.Reserve(mark.rowText.size() + CsvFieldWriter::kFieldSlack), mark.rowText.data(), mark.rowText.size());
    rowText_.Commit(mark.rowText.size());
    rowGeneration_ = mark.rowGeneration;
    rowHasCell_ = mark.rowHasCell;
}

void LineSplitter::Write(const char* data, size_t size) {
    const char* p = data;
    const char* end = data + size;
    if (pendingCR_) {
        pendingCR_ = false;
        if (p < end && *p == '\n') ++p;
    }
    while (p < end) {
        const char* lineEnd = scan::FindAny(p, end, '\n', '\r', '\r');
        if (lineEnd == end) {
            pending_.append(p, end);
            return;
        }
        if (pending_.empty()) {
            builder_.AddLine(std::string_view(p, lineEnd - p));
        } else {
            pending_.append(p, lineEnd);
            builder_.AddLine(pending_);
            pending_.clear();
        }
        p = lineEnd + 1;
        if (*lineEnd == '\r') {
            if (p == end)
                pendingCR_ = true;
            else if (*p == '\n')
                ++p;
        }
    }
}

void LineSplitter::Finish() {
    if (!pending_.empty()) builder_.AddLine(pending_);
    pending_.clear();
    pendingCR_ = false;
}

}  // namespace tabulora
