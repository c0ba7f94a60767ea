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

// Splits `"name" : value` (after the name's quote, blanks and a colon) into the name as written
// between its quotes and the value, trimmed. False when the text is no such line.
bool SplitMemberLine(std::string_view text, std::string_view& name, std::string_view& value) {
    if (text.empty() || text[0] != '"') return false;
    const char* end = text.data() + text.size();
    const char* p = text.data() + 1;
    for (;;) {
        p = scan::FindAny(p, end, '"', '\\', '\\');
        if (p == end || *p == '"') break;
        if (end - p < 2) return false;   // a backslash skips the next character
        p += 2;
    }
    if (p == end) return false;
    name = std::string_view(text.data() + 1, p - text.data() - 1);
    ++p;
    while (p < end && IsBlank(*p)) ++p;
    if (p == end || *p != ':') return false;
    value = Trim(p + 1, end);
    return true;
}

// The text itself when it holds no backslash, else its decoded form in `scratch`.
std::string_view Unescaped(std::string_view text, std::string& scratch) {
    if (std::memchr(text.data(), '\\', text.size()) == nullptr) return text;
    scratch.clear();
    DecodeCellEscapes(text, scratch);
    return scratch;
}

}  // namespace

RecordTableBuilder::RecordTableBuilder(const CsvOptions& options, RowSink& rows)
    : fields_(options.separator, options.formulaGuard),
      rows_(rows),
      flatten_(options.flattenNested),
      formulaGuard_(options.formulaGuard) {}

void RecordTableBuilder::AddLine(std::string_view line) {
    size_t tabs = 0;
    while (tabs < line.size() && line[tabs] == '\t') ++tabs;
    AddIndentedLine(tabs, line.substr(tabs));
}

void RecordTableBuilder::AddIndentedLine(size_t tabs, std::string_view line) {
    const std::string_view text = Trim(line.data(), line.data() + line.size());
    if (text.empty()) return;

    if (text[0] != '"') {
        if (text == "}" || text == "},") CloseObject(tabs);
        return;
    }

    // A keyed line: a double-quoted name, blanks, a colon and the value.
    std::string_view name, value;
    if (!SplitMemberLine(text, name, value)) return;
    if (!value.empty() && value.back() == ',') value = Trim(value.data(), value.data() + value.size() - 1);
    const bool quoted = !value.empty() && value.front() == '"' && value.back() == '"';
    if (quoted) value = value.size() == 1 ? std::string_view() : value.substr(1, value.size() - 2);
    AddMember(tabs, name, value, quoted);
}

// A closing brace: the end of a nested object on the path, or of a record, whose row it ends.
void RecordTableBuilder::CloseObject(size_t tabs) {
    if (flatten_) {
        if (recordDepth_ < 0) {
            if (pending_.empty()) return;
            if (!HasPendingMembers(tabs)) {
                pending_.push_back({tabs, false, 0, 0});
                return;
            }
            // An object of array members is a record: their depth is the record depth, and this
            // brace ends the first row.
            DecideDepth(tabs + 1);
        }
        while (!pathStarts_.empty() && static_cast<long>(tabs) < cellDepth_) {
            path_.resize(pathStarts_.back());
            pathStarts_.pop_back();
            --cellDepth_;
        }
    }
    if (recordDepth_ > 0 && static_cast<long>(tabs) == recordDepth_ - 1 && rowHasCell_) AppendRowLine();
}

// Flattening: a member that opens an object. Inside a record its members are cells named by the
// path to them.
void RecordTableBuilder::OpenObject(size_t tabs, std::string_view name) {
    if (recordDepth_ < 0) DecideDepth(tabs);
    if (static_cast<long>(tabs) != cellDepth_) return;
    pathStarts_.push_back(path_.size());
    path_.append(name);
    path_ += '.';
    ++cellDepth_;
}

// Whether the object whose closing brace stands at `tabs` has array members waiting: members at
// the next depth since the last brace that closed an object at its depth or above.
bool RecordTableBuilder::HasPendingMembers(size_t tabs) const {
    for (auto entry = pending_.rbegin(); entry != pending_.rend(); ++entry) {
        if (!entry->array && entry->tabs <= tabs) return false;
        if (entry->array && entry->tabs == tabs + 1) return true;
    }
    return false;
}

void RecordTableBuilder::ForgetPath() {
    path_.clear();
    pathStarts_.clear();
    cellDepth_ = recordDepth_;
}

// The first member line that may be a cell fixes the record depth; array members met before it
// are taken in now.
void RecordTableBuilder::DecideDepth(size_t tabs) {
    recordDepth_ = cellDepth_ = static_cast<long>(tabs);
    if (!pending_.empty()) TakeInPending();
}

void RecordTableBuilder::TakeInPending() {
    size_t offset = 0;
    for (const Pending& entry : pending_) {
        if (!entry.array) {
            CloseObject(entry.tabs);
            continue;
        }
        const std::string_view name(pendingText_.data() + offset, entry.nameSize);
        const std::string_view value(pendingText_.data() + offset + entry.nameSize, entry.valueSize);
        offset += entry.nameSize + entry.valueSize;
        AddCell(entry.tabs, name, value);
    }
    pending_.clear();
    pendingText_.clear();
}

// Only members at the record depth, the depth of the first one, become cells (when flattening,
// also those of the objects on the path, one level deeper for each). The first column's name
// recurring in a row that already holds it starts the next record.
inline void RecordTableBuilder::AddCell(size_t tabs, std::string_view name, std::string_view value) {
    if (recordDepth_ < 0) DecideDepth(tabs);
    if (static_cast<long>(tabs) != cellDepth_) return;
    if (!path_.empty()) {
        pathName_.assign(path_);
        pathName_.append(name);
        name = pathName_;
    }
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
    if (name.empty() || value.empty()) return;
    // Without flattening, a string value "{" goes like the line of a member that opens an object.
    if (!flatten_ && value == "{") return;
    AddCell(tabs, name, escapes ? Unescaped(value, scratchValue_) : value);
}

// A member whose name and value have been taken out of their line; `quoted` when the value was a
// string.
void RecordTableBuilder::AddMember(size_t tabs, std::string_view name, std::string_view value, bool quoted) {
    if (name.empty() || value.empty()) return;
    if (value == "{" && !(flatten_ && quoted)) {   // a member that opens an object
        if (flatten_) OpenObject(tabs, Unescaped(name, scratchName_));
        return;
    }
    AddCell(tabs, Unescaped(name, scratchName_), Unescaped(value, scratchValue_));
}

ReformattedLines::ArrayUse RecordTableBuilder::ArrayMemberBegins(size_t tabs) {
    if (recordDepth_ < 0) return ArrayUse::Both;
    return static_cast<long>(tabs) == cellDepth_ ? ArrayUse::Cell : ArrayUse::Lines;
}

// An array member's compact text is a cell as it stands.
void RecordTableBuilder::ArrayMember(size_t tabs, std::string_view line) {
    std::string_view name, value;
    if (!SplitMemberLine(line, name, value) || name.empty() || value.empty()) return;
    name = Unescaped(name, scratchName_);
    if (recordDepth_ >= 0) {
        AddCell(tabs, name, value);
        return;
    }
    pending_.push_back({tabs, true, name.size(), value.size()});
    pendingText_.append(name);
    pendingText_.append(value);
}

// A top-level value has ended: it leaves no nested object open, and when nothing in it decided the
// record depth (its reading stopped inside an object), its first array member does.
void RecordTableBuilder::ValueEnd() {
    if (!flatten_) return;
    if (recordDepth_ < 0) {
        for (const Pending& entry : pending_) {
            if (entry.array) {
                DecideDepth(entry.tabs);
                break;
            }
        }
        pending_.clear();
        pendingText_.clear();
    }
    ForgetPath();
}

// Writes the completed row's CSV line and starts an empty row.
template <bool kGuard>
void RecordTableBuilder::AppendRowLineOf() {
    const std::string& separator = fields_.Separator();
    const uint32_t columnCount = columns_.Size();
    // Room for every cell quoted with all its bytes doubled (and an apostrophe before it), the
    // separators and the line break, and for the bytes written past a field's end.
    char* const start = rows_.Reserve(rowText_.Size() * 2 + columnCount * (separator.size() + 3) + 2 +
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
            const std::string_view text(rowText_.Data() + cell.offset, cell.length);
            if (kGuard && CsvFieldWriter::LooksLikeFormula(text))
                out = fields_.WriteGuardedField(out, text);
            else
                out = fields_.WriteFieldWithSlack(out, text);
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
    ForgetPath();
    pending_.clear();
    pendingText_.clear();
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
