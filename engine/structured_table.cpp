#include "engine/structured_table.h"

#include "engine/cell_escapes.h"
#include "engine/json_chars.h"
#include "engine/json_reader_impl.h"
#include "engine/text_trim.h"

namespace tabulora {

template class JsonReader<StructuredTable>;

namespace {

// What the line table takes from the value part of a member's line: the value trimmed, without a
// final ",", and without its quotes when it begins and ends with one.
std::string_view LineValue(std::string_view text) {
    text = TrimBlanksAndControls(text);
    if (!text.empty() && text.back() == ',') text = TrimBlanksAndControls(text.substr(0, text.size() - 1));
    if (!text.empty() && text.front() == '"' && text.back() == '"')
        text = text.size() == 1 ? std::string_view() : text.substr(1, text.size() - 2);
    return text;
}

// A separator byte as the line layout writes it after a value: a byte that begins a multi-byte
// character as U+FFFD.
std::string_view SeparatorText(const char& separator) {
    return static_cast<unsigned char>(separator) >= 0x80 ? "\xEF\xBF\xBD" : std::string_view(&separator, 1);
}

}  // namespace

std::unique_ptr<PieceReader> StructuredTable::NewReader(const ReaderOptions& options) {
    compact_.SetTextAsLines(options.textAsLines);
    return std::make_unique<JsonReader<StructuredTable>>(*this, options);
}

void StructuredTable::MarkTextStart() {
    mark_ = rows_.MarkState();
    markedDepth_ = recordDepth_;
}

void StructuredTable::TakeBackText() {
    rows_.Restore(mark_);
    recordDepth_ = markedDepth_;
    ForgetReading();
    ForgetPath();
    pending_.clear();
    pendingText_.clear();
}

void StructuredTable::ForgetReading() {
    frames_.clear();
    memberValue_ = false;
    cellFrame_ = -1;
    compactArrays_ = 0;
    compact_.Clear();
    arrayNames_.clear();
    holding_ = Held::Nothing;
    parted_.Reset();
    rows_.DropLongValue();
}

void StructuredTable::Name(const MemberName& name) {
    if (Compacting()) compact_.Name(name);
    if (cellFrame_ >= 0) return;
    memberValue_ = true;
    AssignNameCell(name, memberName_, scratchName_);
}

void StructuredTable::MemberLine(std::string_view name, ScalarKind kind, std::string_view value, bool escapes) {
    if (Compacting()) compact_.Member(name, kind, value);
    if (cellFrame_ >= 0 || name.empty() || value.empty()) return;
    AddCell(Depth(), name, escapes ? DecodedCell(value, scratchValue_) : value, CellKindOf(kind));
}

// A member's scalar value (or an empty container) waits for the byte after it: the line layout
// writes a separator other than "," on the value's line, where it is part of the value. A raw line
// break in a string ends the value's line, so what stands before it is the value.
void StructuredTable::Scalar(ScalarKind kind, std::string_view text, bool rawBreaks) {
    if (parted_.use != PartedString::Use::None) {
        EndPartedString(kind, text, rawBreaks);
        return;
    }
    if (Compacting()) compact_.Scalar(text, rawBreaks);
    if (!TakesMemberValue()) return;
    memberValue_ = false;
    heldValue_.assign(rawBreaks ? text.substr(0, text.find_first_of("\r\n")) : text);
    holding_ = Held::Value;
    heldKind_ = CellKindOf(kind);
    valueEndsLine_ = rawBreaks;
}

// A member's long value is gathered in the rows up to its first raw line break; in an array read
// as a cell it is held whole.
void StructuredTable::StringPart(std::string_view text, bool rawBreaks) {
    using Use = PartedString::Use;
    if (parted_.use == Use::None)
        parted_.use = Compacting() ? Use::Whole : TakesMemberValue() ? Use::InRow : Use::Ignored;
    if (parted_.use == Use::Whole)
        parted_.Hold(text, rawBreaks);
    else if (parted_.use == Use::InRow)
        AddToLongValue(text, rawBreaks);
}

void StructuredTable::AddToLongValue(std::string_view text, bool rawBreaks) {
    if (parted_.breaks) return;  // the value ended at a line break
    const size_t lineBreak = rawBreaks ? text.find_first_of("\r\n") : std::string_view::npos;
    rows_.AppendLongValue(text.substr(0, lineBreak));
    parted_.breaks = lineBreak != std::string_view::npos;
}

// The last part of a long string: the string whole as Scalar takes it, or the member's value
// held in the rows.
void StructuredTable::EndPartedString(ScalarKind kind, std::string_view text, bool rawBreaks) {
    if (parted_.EndInScalar(*this, kind, text, rawBreaks)) return;
    AddToLongValue(text, rawBreaks);
    memberValue_ = false;
    holding_ = Held::LongValue;
    heldKind_ = CellKindOf(kind);
    valueEndsLine_ = parted_.breaks;
    parted_.Reset();
}

void StructuredTable::EmptyObject() {
    if (Compacting()) compact_.Append("{}");
    HoldEmpty("{}", CellKind::Object);
}

void StructuredTable::EmptyArray() {
    if (Compacting()) compact_.Append("[]");
    HoldEmpty("[]", CellKind::Array);
}

void StructuredTable::HoldEmpty(std::string_view text, CellKind kind) {
    if (!TakesMemberValue()) return;
    memberValue_ = false;
    heldValue_.assign(text);
    holding_ = Held::Value;
    heldKind_ = kind;
    valueEndsLine_ = false;
}

// What waits for the byte after it: a member's value, or a closing brace, which ends an object in
// the line table only on a line of its own or with a "," after it.
void StructuredTable::Release(char separator) {
    const Held held = holding_;
    holding_ = Held::Nothing;
    if (held == Held::Value) {
        if (separator && separator != ',' && !valueEndsLine_) heldValue_ += SeparatorText(separator);
        const std::string_view value = LineValue(heldValue_);
        if (!memberName_.empty() && !value.empty())
            AddCell(Depth(), memberName_, DecodedCell(value, scratchValue_), heldKind_);
    } else if (held == Held::LongValue) {
        if (separator && separator != ',' && !valueEndsLine_) rows_.AppendLongValue(SeparatorText(separator));
        const std::string_view value = LineValue(rows_.LongValue());
        if (!memberName_.empty() && !value.empty()) AddLongCell(Depth(), memberName_, value, heldKind_);
        rows_.DropLongValue();  // when it made no cell
    } else if (held == Held::Close && (separator == 0 || separator == ',')) {
        CloseObjectAt(Depth());
    }
}

void StructuredTable::OpenObject() {
    if (Compacting()) compact_.Append('{');
    const bool member = TakesMemberValue();
    memberValue_ = false;
    if (member && !memberName_.empty()) OpenObjectMember(Depth());
    frames_.push_back({Use::Object, 0, 0});
}

void StructuredTable::CloseObject() {
    if (Compacting()) compact_.Append('}');
    Release(0);
    frames_.pop_back();
    if (cellFrame_ < 0) holding_ = Held::Close;
}

// A member's non-empty array: a cell when it stands at the depth of the cells, looked into for
// records elsewhere, both while the record depth is not known.
void StructuredTable::OpenArray() {
    Use use = Use::Array;
    if (TakesMemberValue() && !memberName_.empty()) {
        if (recordDepth_ < 0)
            use = Use::Pending;
        else if (static_cast<long>(Depth()) == cellDepth_)
            use = Use::Cell;
    }
    memberValue_ = false;
    Frame frame{use, compact_.Size(), arrayNames_.size()};
    if (use == Use::Cell || use == Use::Pending) {
        ++compactArrays_;
        arrayNames_.append(memberName_);
        if (use == Use::Cell) cellFrame_ = static_cast<long>(frames_.size());
    }
    if (Compacting()) compact_.Append('[');
    frames_.push_back(frame);
}

// An array that is a cell, when it is plain JSON, is copied in one go: the same cell as its events
// would give.
const char* StructuredTable::TakeWholeArray(const char* p, const char* end, size_t levels) {
    if (Compacting() || !TakesMemberValue() || memberName_.empty() || recordDepth_ < 0 ||
        static_cast<long>(Depth()) != cellDepth_)
        return nullptr;
    const char* after = compact_.AppendPlainArray(p, end, levels);
    if (!after) return nullptr;
    memberValue_ = false;
    std::string_view value = compact_.Text();
    if (join_ && JoinPlainArray(value, *join_, joined_)) value = joined_;
    AddCell(Depth(), memberName_, value, CellKind::Array);
    compact_.Clear();
    return after;
}

void StructuredTable::CloseArray() {
    if (Compacting()) compact_.Append(']');
    Release(0);
    const Frame frame = frames_.back();
    frames_.pop_back();
    if (frame.use == Use::Cell || frame.use == Use::Pending) EndCompactArray(frame);
}

// An array read whole: a cell now, or kept aside until the record depth is known.
void StructuredTable::EndCompactArray(const Frame& frame) {
    const std::string_view name(arrayNames_.data() + frame.nameStart, arrayNames_.size() - frame.nameStart);
    std::string_view value = std::string_view(compact_.Text()).substr(frame.compactStart);
    if (join_ && JoinPlainArray(value, *join_, joined_)) value = joined_;
    if (frame.use == Use::Cell) {
        cellFrame_ = -1;
        AddCell(Depth(), name, value, CellKind::Array);
    } else {
        pending_.push_back({Depth(), true, name.size(), value.size()});
        pendingText_.append(name);
        pendingText_.append(value);
    }
    arrayNames_.resize(frame.nameStart);
    if (--compactArrays_ == 0) compact_.Clear();
}

void StructuredTable::Separator(char separator, bool) {
    Release(separator);
    if (Compacting()) compact_.Separator(separator);
}

// A top-level value has ended, or its reading stopped: it leaves nothing open (an array read
// whole but not to its end gives no cell), and when nothing in it decided the record depth, its
// first array member does.
void StructuredTable::ValueEnd() {
    if (parted_.use != PartedString::Use::None) {  // the text ended inside a long string: no value
        parted_.Reset();
        rows_.DropLongValue();
    }
    Release(0);
    ForgetReading();
    if (recordDepth_ < 0) {
        for (const Pending& entry : pending_) {
            if (entry.array) {
                DecideDepth(entry.depth);
                break;
            }
        }
        pending_.clear();
        pendingText_.clear();
    }
    ForgetPath();
}

// Only members at the record depth, the depth of the first one, become cells, and those of the
// objects on the path, one level deeper for each. The first column's name recurring in a row that
// already holds it starts the next record.
inline bool StructuredTable::CellColumn(size_t depth, std::string_view name, uint32_t& column) {
    if (recordDepth_ < 0) DecideDepth(depth);
    if (static_cast<long>(depth) != cellDepth_) return false;
    if (!path_.empty()) {
        pathName_.assign(path_);
        pathName_.append(name);
        name = pathName_;
    }
    column = rows_.ColumnOf(name);
    if (column == 0 && rows_.CellSet(0)) rows_.EndRow();
    return true;
}

void StructuredTable::AddCell(size_t depth, std::string_view name, std::string_view value, CellKind kind) {
    uint32_t column;
    if (CellColumn(depth, name, column)) rows_.SetCell(column, value, kind);
}

// A value that lies in the rows' long value is decoded where it stands and becomes its cell there.
void StructuredTable::AddLongCell(size_t depth, std::string_view name, std::string_view value, CellKind kind) {
    const TableRows::LongPart part = rows_.DecodeInLongValue(value);
    uint32_t column;
    if (CellColumn(depth, name, column)) rows_.SetCellToLongValue(column, part, kind);
}

// A member that opens an object decides the record depth like any other; inside a record, its
// members are cells named by the path to them.
void StructuredTable::OpenObjectMember(size_t depth) {
    if (recordDepth_ < 0) DecideDepth(depth);
    if (static_cast<long>(depth) != cellDepth_) return;
    pathStarts_.push_back(path_.size());
    path_.append(memberName_);
    path_ += '.';
    ++cellDepth_;
}

// The end of an object whose closing brace stands at `depth`: of a nested object on the path, or
// of a record, whose row it ends.
void StructuredTable::CloseObjectAt(size_t depth) {
    if (recordDepth_ < 0) {
        if (pending_.empty()) return;
        if (!HasPendingMembers(depth)) {
            pending_.push_back({depth, false, 0, 0});
            return;
        }
        // An object of array members is a record: their depth is the record depth, and this
        // brace ends the first row.
        DecideDepth(depth + 1);
    }
    while (!pathStarts_.empty() && static_cast<long>(depth) < cellDepth_) {
        path_.resize(pathStarts_.back());
        pathStarts_.pop_back();
        --cellDepth_;
    }
    if (recordDepth_ > 0 && static_cast<long>(depth) == recordDepth_ - 1 && rows_.RowHasCell()) rows_.EndRow();
}

// Whether the object whose closing brace stands at `depth` has array members waiting: members at
// the next depth since the last brace that closed an object at its depth or above.
bool StructuredTable::HasPendingMembers(size_t depth) const {
    for (auto entry = pending_.rbegin(); entry != pending_.rend(); ++entry) {
        if (!entry->array && entry->depth <= depth) return false;
        if (entry->array && entry->depth == depth + 1) return true;
    }
    return false;
}

// The record depth is known: the arrays still open are looked into from now on, not read whole,
// and those kept aside are taken in.
void StructuredTable::DecideDepth(size_t depth) {
    recordDepth_ = cellDepth_ = static_cast<long>(depth);
    for (Frame& frame : frames_)
        if (frame.use == Use::Pending) frame.use = Use::Array;
    compactArrays_ = 0;
    compact_.Clear();
    arrayNames_.clear();
    if (!pending_.empty()) TakeInPending();
}

void StructuredTable::TakeInPending() {
    std::vector<Pending> entries;
    entries.swap(pending_);
    std::string text;
    text.swap(pendingText_);
    size_t offset = 0;
    for (const Pending& entry : entries) {
        if (!entry.array) {
            CloseObjectAt(entry.depth);
            continue;
        }
        const std::string_view name(text.data() + offset, entry.nameSize);
        const std::string_view value(text.data() + offset + entry.nameSize, entry.valueSize);
        offset += entry.nameSize + entry.valueSize;
        AddCell(entry.depth, name, value, CellKind::Array);
    }
}

void StructuredTable::ForgetPath() {
    path_.clear();
    pathStarts_.clear();
    cellDepth_ = recordDepth_;
}

}  // namespace tabulora
