#include "engine/line_table.h"

#include <cstring>

#include "engine/cell_escapes.h"
#include "engine/grouped_number.h"
#include "engine/scan.h"
#include "engine/text_trim.h"

namespace tabulora {
namespace {

std::string_view Trim(const char* begin, const char* end) {
    return TrimBlanksAndControls(std::string_view(begin, end - begin));
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
        if (end - p < 2) return false;  // a backslash skips the next character
        p += 2;
    }
    if (p == end) return false;
    name = std::string_view(text.data() + 1, p - text.data() - 1);
    ++p;
    while (p < end && static_cast<unsigned char>(*p) <= 0x20) ++p;
    if (p == end || *p != ':') return false;
    value = Trim(p + 1, end);
    return true;
}

// The kind of an unquoted value of the layout.
CellKind KindOfText(std::string_view value) {
    if (value == "true" || value == "false") return CellKind::Boolean;
    if (value == "null") return CellKind::Null;
    if (value == "[]") return CellKind::Array;
    return CellKind::Number;
}

}  // namespace

std::unique_ptr<PieceReader> LineTable::NewReader(const ReaderOptions& options) {
    return std::make_unique<LayoutReader>(*this, options);
}

void LineTable::AddLine(std::string_view line) {
    size_t tabs = 0;
    while (tabs < line.size() && line[tabs] == '\t') ++tabs;
    AddIndentedLine(tabs, line.substr(tabs));
}

void LineTable::AddIndentedLine(size_t tabs, std::string_view line) {
    const std::string_view text = Trim(line.data(), line.data() + line.size());
    if (text.empty()) return;
    const bool afterOpening = openedContainer_;
    openedContainer_ = false;

    if (text[0] != '"') {
        if (text == "}" || text == "},") {
            CloseObject(tabs);
            // An empty object's closing brace stands one TAB deeper than its opening line.
            CloseContainer(afterOpening && tabs > 0 ? tabs - 1 : tabs);
        } else if (text == "]" || text == "],") {
            CloseContainer(tabs);
        } else if (text == "{") {
            ElementObject(tabs);
        }
        return;
    }

    // A keyed line: a double-quoted name, blanks, a colon and the value.
    std::string_view name, value;
    if (!SplitMemberLine(text, name, value)) return;
    if (!value.empty() && value.back() == ',') value = Trim(value.data(), value.data() + value.size() - 1);
    const bool quoted = !value.empty() && value.front() == '"' && value.back() == '"';
    if (quoted) value = value.size() == 1 ? std::string_view() : value.substr(1, value.size() - 2);
    // A member whose value is a container: "{" after its name, or nothing when an array follows.
    if (!quoted && (value.empty() || value == "{")) {
        containerNames_.emplace_back(tabs, DecodedCell(name, scratchName_));
        openedContainer_ = true;
    }
    AddMember(tabs, name, value, quoted ? CellKind::String : KindOfText(value));
}

// A closing brace at the depth of a record's opening line ends its row.
void LineTable::CloseObject(size_t tabs) {
    if (recordDepth_ > 0 && static_cast<long>(tabs) == recordDepth_ - 1 && rows_.RowHasCell()) rows_.EndRow();
}

// Only members at the record depth, the depth of the first one, become cells. The first column's
// name recurring in a row that already holds it starts the next record.
inline bool LineTable::CellColumn(size_t tabs, std::string_view name, uint32_t& column) {
    if (recordDepth_ < 0) recordDepth_ = static_cast<long>(tabs);
    if (static_cast<long>(tabs) != recordDepth_) return false;
    column = rows_.ColumnOf(name);
    if (column == 0 && rows_.CellSet(0)) rows_.EndRow();
    return true;
}

inline void LineTable::AddCell(size_t tabs, std::string_view name, std::string_view value, CellKind kind) {
    uint32_t column;
    if (CellColumn(tabs, name, column)) rows_.SetCell(column, value, kind);
}

// A value that lies in the rows' long value is decoded where it stands and becomes its cell there.
void LineTable::AddLongCell(size_t tabs, std::string_view name, std::string_view value, CellKind kind) {
    const TableRows::LongPart part = rows_.DecodeInLongValue(value);
    uint32_t column;
    if (CellColumn(tabs, name, column)) rows_.SetCellToLongValue(column, part, kind);
}

void LineTable::LinePart(size_t tabs, std::string_view text, bool mayHoldBreaks) {
    if (!partedLine_.active) {
        partedLine_ = PartedLine{true, tabs, text.size(), mayHoldBreaks, false};
    } else {
        partedLine_.stringBreaks |= mayHoldBreaks;
    }
    rows_.AppendLongValue(text);
}

// The line is read as it would be read whole: from where it lies in the rows' long value when it
// is the common member line, else from a copy. A text that ended inside the string leaves the
// line as it stood before the string.
void LineTable::EndPartedLine(std::string_view rest, bool mayHoldBreaks) {
    const PartedLine line = partedLine_;
    partedLine_ = PartedLine{};
    if (rest.empty()) {
        const std::string before(rows_.LongValue().substr(0, line.stringStart));
        rows_.DropLongValue();
        Line(line.tabs, before, line.startBreaks);
        return;
    }
    rows_.AppendLongValue(rest);
    if (line.startBreaks || line.stringBreaks || mayHoldBreaks) {
        const std::string whole(rows_.LongValue());
        rows_.DropLongValue();
        Line(line.tabs, whole, true);
        return;
    }
    AddIndentedLine(line.tabs, rows_.LongValue());
    rows_.DropLongValue();  // when it made no cell
}

void LineTable::Line(size_t tabs, std::string_view text, bool mayHoldBreaks) {
    if (partedLine_.active) {
        EndPartedLine(text, mayHoldBreaks);
        return;
    }
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

void LineTable::MemberLine(size_t tabs, std::string_view name, ScalarKind kind, std::string_view value, bool escapes) {
    // A string value "{" goes like the line of a member that opens an object.
    if (name.empty() || value.empty() || value == "{") return;
    AddCell(tabs, name, escapes ? DecodedCell(value, scratchValue_) : value, CellKindOf(kind));
}

// A member whose name and value have been taken out of their line.
void LineTable::AddMember(size_t tabs, std::string_view name, std::string_view value, CellKind kind) {
    if (name.empty() || value.empty() || value == "{") return;  // "{": a member that opens an object
    if (rows_.HasLongValue()) {                                 // the value of a line that came in parts
        AddLongCell(tabs, DecodedCell(name, scratchName_), value, kind);
        return;
    }
    AddCell(tabs, DecodedCell(name, scratchName_), DecodedCell(value, scratchValue_), kind);
}

void LineTable::MarkTextStart() {
    mark_ = rows_.MarkState();
    markedDepth_ = recordDepth_;
    containerNames_.clear();
    leftOut_.clear();
}

void LineTable::TakeBackText() {
    rows_.Restore(mark_);
    recordDepth_ = markedDepth_;
}

// The closing line of the container a member opened at these TABs.
void LineTable::CloseContainer(size_t tabs) {
    while (!containerNames_.empty() && containerNames_.back().first >= tabs) containerNames_.pop_back();
}

// An object that is an array element, opening at `tabs`: its members are no cells when the
// record depth is known and lies elsewhere, and the array stands outside the records (its
// elements' TABs not above the record depth, never one less).
void LineTable::ElementObject(size_t tabs) {
    const long depth = static_cast<long>(tabs);
    if (recordDepth_ < 0 || depth + 1 == recordDepth_ || depth > recordDepth_) return;
    JsonPath path;
    for (const auto& [containerTabs, name] : containerNames_)
        if (containerTabs < tabs) path.push_back(name);
    if (path.empty()) return;
    for (auto& [known, count] : leftOut_) {
        if (known == path) {
            ++count;
            return;
        }
    }
    leftOut_.emplace_back(std::move(path), 1);
}

std::vector<std::string> LineTable::TextWarnings(std::string_view inputName) const {
    std::vector<std::string> warnings;
    for (const auto& [path, count] : leftOut_) {
        const std::string text = JsonPathText(path);
        warnings.push_back(std::string(inputName) + ": " + GroupedNumber(count) +
                           (count == 1 ? " record" : " records") + " under \"" + text +
                           (count == 1 ? "\" was" : "\" were") + " not converted; --records " + text +
                           " converts them");
    }
    return warnings;
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
            table_.AddLine(std::string_view(p, lineEnd - p));
        } else {
            pending_.append(p, lineEnd);
            table_.AddLine(pending_);
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
    if (!pending_.empty()) table_.AddLine(pending_);
    pending_.clear();
    pendingCR_ = false;
}

}  // namespace tabulora
