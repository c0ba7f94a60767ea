#include "engine/shaped_table.h"

#include <algorithm>

#include "engine/cell_escapes.h"
#include "engine/json_reader_impl.h"

namespace tabulora {

template class JsonReader<ShapedTable>;

ShapedTable::ShapedTable(const CsvOptions& options, RowTarget rows)
    : rows_(options, rows), shape_(options.shape), flatten_(options.flattenNested || options.shape.KeepsNested()) {}

std::unique_ptr<PieceReader> ShapedTable::NewReader(const ReaderOptions& options) {
    compact_.SetTextAsLines(options.textAsLines);
    return std::make_unique<JsonReader<ShapedTable>>(*this, options);
}

void ShapedTable::MarkTextStart() {
    mark_ = rows_.MarkState();
    recordsInText_ = 0;
}

void ShapedTable::TakeBackText() {
    rows_.Restore(mark_);
    ForgetReading();
}

std::vector<std::string> ShapedTable::TextWarnings(std::string_view inputName) const {
    if (recordsInText_ > 0) return {};
    return {std::string(inputName) + ": nothing at the records path \"" + JsonPathText(*shape_.records) + "\""};
}

void ShapedTable::ForgetReading() {
    frames_.clear();
    path_.clear();
    memberValue_ = false;
    inRecord_ = false;
    inExploded_ = false;
    parted_.Reset();
    rows_.DropLongValue();
}

// Where the value that begins now stands, and outside the records how many names of the records
// path lead to it (-1: it is off the path).
ShapedTable::Place ShapedTable::PlaceOfValue(int& matched) const {
    matched = -1;
    if (frames_.empty()) {
        matched = 0;
        return shape_.records->empty() ? Place::RecordValue : Place::Ignored;
    }
    const Frame& frame = frames_.back();
    switch (frame.role) {
    case Role::Outside: {
        if (!frame.object) {
            matched = frame.matched;  // a step that meets an array goes into every element
            return Place::Ignored;
        }
        const JsonPath& path = *shape_.records;
        if (!memberValue_ || frame.matched < 0 || path[frame.matched] != memberName_) return Place::Ignored;
        matched = frame.matched + 1;
        return static_cast<size_t>(matched) == path.size() ? Place::RecordValue : Place::Ignored;
    }
    case Role::RecordsArray: return Place::RecordValue;
    case Role::Record:
    case Role::Nested:
    case Role::Element: return memberValue_ ? Place::RecordMember : Place::Ignored;
    case Role::Exploded: return Place::ElementValue;
    default: return Place::Ignored;
    }
}

void ShapedTable::Name(const MemberName& name) {
    const Role role = frames_.empty() ? Role::Outside : frames_.back().role;
    if (role == Role::InCell) {
        compact_.Name(name);
        return;
    }
    if (role == Role::Dropped) return;
    AssignNameCell(name, memberName_, scratch_);
    memberValue_ = true;
}

void ShapedTable::MemberLine(std::string_view name, ScalarKind kind, std::string_view value, bool escapes) {
    const Role role = frames_.empty() ? Role::Outside : frames_.back().role;
    if (role == Role::InCell) {
        compact_.Member(name, kind, value);
        return;
    }
    if (role == Role::Dropped) return;
    memberName_.assign(name);
    memberValue_ = true;
    int matched;
    const Place place = PlaceOfValue(matched);
    memberValue_ = false;
    const std::string_view cell = escapes ? DecodedCell(value, scratchValue_) : value;
    if (place == Place::RecordValue)
        ScalarRecord(cell, CellKindOf(kind));
    else if (place == Place::RecordMember)
        Cell(cell, CellKindOf(kind));
}

// Strings are cells decoded as in the line layout (a raw line break written as its escape), the
// other scalars as written ("null" for null).
void ShapedTable::Scalar(ScalarKind kind, std::string_view text, bool rawBreaks) {
    if (parted_.use != PartedString::Use::None) {
        EndPartedString(kind, text, rawBreaks);
        return;
    }
    const Role role = frames_.empty() ? Role::Outside : frames_.back().role;
    if (role == Role::Cell || role == Role::InCell) {
        compact_.Scalar(text, rawBreaks);
        return;
    }
    if (role == Role::Dropped) return;
    int matched;
    const Place place = PlaceOfValue(matched);
    memberValue_ = false;
    if (place == Place::Ignored) return;
    std::string_view cell = text;
    if (kind == ScalarKind::String) {
        cell = text.substr(1, text.size() - 2);
        if (rawBreaks) {
            scratch_.clear();
            AppendEscapingBreaks(cell, true, scratch_);
            cell = scratch_;
        }
        cell = DecodedCell(cell, scratchValue_);
    }
    if (place == Place::RecordValue)
        ScalarRecord(cell, CellKindOf(kind));
    else if (place == Place::RecordMember)
        Cell(cell, CellKindOf(kind));
    else
        CellNamed(PathColumnName(path_), cell, CellKindOf(kind));
}

// A long string that is a record's cell, or a record itself, is gathered in the rows; one that is
// held with an exploded record, or that a line break in it makes escaped, is held whole.
void ShapedTable::StringPart(std::string_view text, bool rawBreaks) {
    using Use = PartedString::Use;
    if (parted_.use == Use::None) {
        const Role role = frames_.empty() ? Role::Outside : frames_.back().role;
        int matched;
        partedPlace_ = role == Role::Dropped ? Place::Ignored : PlaceOfValue(matched);
        if (role == Role::Cell || role == Role::InCell || partedPlace_ == Place::ElementValue ||
            !shape_.explode.empty())
            parted_.use = Use::Whole;
        else
            parted_.use = partedPlace_ == Place::Ignored ? Use::Ignored : Use::InRow;
    }
    if (parted_.use == Use::InRow && rawBreaks) HoldPartedStringWhole();
    if (parted_.use == Use::Whole)
        parted_.Hold(text, rawBreaks);
    else if (parted_.use == Use::InRow)
        rows_.AppendLongValue(text);
}

void ShapedTable::HoldPartedStringWhole() {
    parted_.whole.assign(rows_.LongValue());
    rows_.DropLongValue();
    parted_.use = PartedString::Use::Whole;
}

// The last part of a long string: the string whole as Scalar takes it, or its cell made in the rows.
void ShapedTable::EndPartedString(ScalarKind kind, std::string_view text, bool rawBreaks) {
    if (parted_.use == PartedString::Use::InRow && rawBreaks) HoldPartedStringWhole();
    if (parted_.EndInScalar(*this, kind, text, rawBreaks)) return;
    parted_.Reset();
    rows_.AppendLongValue(text);
    memberValue_ = false;
    LongStringCell();
}

// The string gathered in the rows' long value, without its quotes and decoded where it stands.
void ShapedTable::LongStringCell() {
    const std::string_view quoted = rows_.LongValue();
    const TableRows::LongPart part = rows_.DecodeInLongValue(quoted.substr(1, quoted.size() - 2));
    if (partedPlace_ == Place::RecordValue) {
        ++recordsInText_;
        rows_.SetCellToLongValue(rows_.ColumnOf(ScalarRecordName()), part, CellKind::String);
        rows_.EndRow();
    } else {
        rows_.SetCellToLongValue(rows_.ColumnOf(ColumnName()), part, CellKind::String);
    }
}

void ShapedTable::EmptyObject() {
    const Role role = frames_.empty() ? Role::Outside : frames_.back().role;
    if (role == Role::Cell || role == Role::InCell) {
        compact_.Append("{}");
        return;
    }
    if (role == Role::Dropped) return;
    int matched;
    const Place place = PlaceOfValue(matched);
    memberValue_ = false;
    if (place == Place::RecordValue) {
        BeginRecord();
        frames_.pop_back();
        EndRecord();
    } else if (place == Place::RecordMember && flatten_) {
        Cell("{}", CellKind::Object);
    }
}

void ShapedTable::EmptyArray() {
    const Role role = frames_.empty() ? Role::Outside : frames_.back().role;
    if (role == Role::Cell || role == Role::InCell) {
        compact_.Append("[]");
        return;
    }
    if (role == Role::Dropped) return;
    int matched;
    const Place place = PlaceOfValue(matched);
    memberValue_ = false;
    const std::string_view empty = shape_.join ? std::string_view() : std::string_view("[]");
    if (place == Place::RecordMember && flatten_ && ExplodedPath() < 0)
        Cell(empty, CellKind::Array);
    else if (place == Place::ElementValue)
        CellNamed(PathColumnName(path_), empty, CellKind::Array);
}

void ShapedTable::Open(bool object) {
    const Role role = frames_.empty() ? Role::Outside : frames_.back().role;
    if (role == Role::Cell || role == Role::InCell) {
        compact_.Append(object ? '{' : '[');
        frames_.push_back({Role::InCell, object, -1, path_.size(), 0});
        return;
    }
    if (role == Role::Dropped) {
        frames_.push_back({Role::Dropped, object, -1, path_.size(), 0});
        return;
    }
    int matched;
    const Place place = PlaceOfValue(matched);
    memberValue_ = false;
    if (place == Place::Ignored) {
        frames_.push_back({Role::Outside, object, matched, path_.size(), 0});
    } else if (place == Place::RecordValue) {
        if (object)
            BeginRecord();
        else
            frames_.push_back({Role::RecordsArray, false, -1, path_.size(), 0});
    } else {
        OpenInRecord(object, place);
    }
}

// A container inside a record: a nested object, an array that is exploded or one cell, an
// element of an exploded array; without flattening it is left out.
void ShapedTable::OpenInRecord(bool object, Place place) {
    const size_t pathSize = path_.size();
    if (place == Place::ElementValue) {
        if (object) {
            frames_.push_back({Role::Element, true, -1, pathSize, 0});
            return;
        }
        cellName_ = PathColumnName(path_);
    } else if (object) {
        if (!flatten_) {
            frames_.push_back({Role::Dropped, true, -1, pathSize, 0});
            return;
        }
        path_.push_back(memberName_);
        frames_.push_back({Role::Nested, true, -1, pathSize, 0});
        return;
    } else if (const int exploded = ExplodedPath(); exploded >= 0) {
        path_.push_back(memberName_);
        frames_.push_back({Role::Exploded, false, -1, pathSize, static_cast<uint32_t>(exploded)});
        segments_.push_back({true, elements_.size(), elements_.size(), elementCounts_[exploded]});
        inExploded_ = true;
        return;
    } else if (!flatten_) {
        frames_.push_back({Role::Dropped, false, -1, pathSize, 0});
        return;
    } else {
        cellName_ = ColumnName();
    }
    compact_.Clear();
    compact_.Append('[');
    frames_.push_back({Role::Cell, false, -1, pathSize, 0});
}

void ShapedTable::Close() {
    const Frame frame = frames_.back();
    frames_.pop_back();
    switch (frame.role) {
    case Role::InCell: compact_.Append(frame.object ? '}' : ']'); break;
    case Role::Cell:
        compact_.Append(']');
        ArrayCell();
        break;
    case Role::Record: EndRecord(); break;
    case Role::Nested: path_.resize(frame.pathSize); break;
    case Role::Exploded: {
        Segment& segment = segments_.back();
        if (segment.last > segment.first) elements_.back().second = cells_.size();
        elementCounts_[frame.explode] += segment.last - segment.first;
        path_.resize(frame.pathSize);
        inExploded_ = false;
        break;
    }
    default: break;
    }
}

// The array read into compact_ as the cell cellName_.
void ShapedTable::ArrayCell() {
    if (shape_.join && JoinPlainArray(compact_.Text(), *shape_.join, scratch_))
        CellNamed(cellName_, scratch_, CellKind::Array);
    else
        CellNamed(cellName_, compact_.Text(), CellKind::Array);
}

// An array that is one cell, when it is plain JSON, is copied in one go: the same cell as its
// events would give.
const char* ShapedTable::TakeWholeArray(const char* p, const char* end, size_t levels) {
    const Role role = frames_.empty() ? Role::Outside : frames_.back().role;
    if (role == Role::Cell || role == Role::InCell || role == Role::Dropped) return nullptr;
    int matched;
    const Place place = PlaceOfValue(matched);
    const bool element = place == Place::ElementValue;
    if (!element && !(place == Place::RecordMember && flatten_ && ExplodedPath() < 0)) return nullptr;
    compact_.Clear();
    const char* after = compact_.AppendPlainArray(p, end, levels);
    if (!after) return nullptr;
    memberValue_ = false;
    cellName_ = element ? PathColumnName(path_) : ColumnName();
    ArrayCell();
    return after;
}

// An element of an exploded array begins: its cells follow.
void ShapedTable::Element() {
    if (frames_.empty()) return;
    const Role role = frames_.back().role;
    if (role != Role::Exploded) return;
    Segment& segment = segments_.back();
    if (segment.last > segment.first) elements_.back().second = cells_.size();
    elements_.push_back({cells_.size(), cells_.size()});
    segment.last = elements_.size();
}

void ShapedTable::Separator(char separator, bool) {
    if (!frames_.empty() && (frames_.back().role == Role::Cell || frames_.back().role == Role::InCell))
        compact_.Separator(separator);
}

// A top-level value has ended, or its reading stopped: a record read in part still gives its row.
void ShapedTable::ValueEnd() {
    if (parted_.use != PartedString::Use::None) {  // the text ended inside a long string: no value
        parted_.Reset();
        rows_.DropLongValue();
    }
    if (inRecord_) {
        if (inExploded_) {
            Segment& segment = segments_.back();
            if (segment.last > segment.first) elements_.back().second = cells_.size();
            for (auto frame = frames_.rbegin(); frame != frames_.rend(); ++frame)
                if (frame->role == Role::Exploded) elementCounts_[frame->explode] += segment.last - segment.first;
        }
        EndRecord();
    }
    ForgetReading();
}

void ShapedTable::BeginRecord() {
    frames_.push_back({Role::Record, true, -1, path_.size(), 0});
    path_.clear();
    inRecord_ = true;
    ++recordsInText_;
    if (shape_.explode.empty()) return;
    cells_.clear();
    segments_.clear();
    elements_.clear();
    heldText_.clear();
    elementCounts_.assign(shape_.explode.size(), 0);
}

void ShapedTable::EndRecord() {
    inRecord_ = false;
    if (shape_.explode.empty())
        rows_.EndRow();
    else
        EmitRows();
}

void ShapedTable::ScalarRecord(std::string_view value, CellKind kind) {
    ++recordsInText_;
    SetCell(ScalarRecordName(), value, kind);
    rows_.EndRow();
}

// The column of a record that is a scalar: the records path's last name.
std::string_view ShapedTable::ScalarRecordName() const {
    return shape_.records->empty() ? std::string_view("value") : std::string_view(shape_.records->back());
}

void ShapedTable::Cell(std::string_view value, CellKind kind) { CellNamed(ColumnName(), value, kind); }

// A cell of the record being read: written into the row at once, or held while the record has
// exploded arrays.
void ShapedTable::CellNamed(std::string_view name, std::string_view value, CellKind kind) {
    if (shape_.explode.empty()) {
        SetCell(name, value, kind);
        return;
    }
    const HeldCell cell{heldText_.size(), name.size(), heldText_.size() + name.size(),
                        value.size(),     kind,        kNoColumnYet};
    heldText_.append(name);
    heldText_.append(value);
    cells_.push_back(cell);
    if (inExploded_) return;  // the element's range takes it
    if (segments_.empty() || segments_.back().exploded)
        segments_.push_back({false, cells_.size() - 1, cells_.size(), 0});
    else
        segments_.back().last = cells_.size();
}

const std::string& ShapedTable::ColumnName() {
    column_ = PathColumnName(path_);
    if (!column_.empty()) column_ += '.';
    column_ += memberName_;
    return column_;
}

// Which exploded path the member being read stands at, or -1.
int ShapedTable::ExplodedPath() const {
    for (size_t i = 0; i < shape_.explode.size(); ++i) {
        const JsonPath& path = shape_.explode[i];
        if (path.size() == path_.size() + 1 && path.back() == memberName_ &&
            std::equal(path_.begin(), path_.end(), path.begin()))
            return static_cast<int>(i);
    }
    return -1;
}

// The rows of a record with exploded arrays: row i takes element i of each.
void ShapedTable::EmitRows() {
    uint64_t rows = 1;
    for (const uint64_t count : elementCounts_) rows = std::max(rows, count);
    auto set = [this](size_t first, size_t last) {
        for (size_t i = first; i < last; ++i) {
            HeldCell& cell = cells_[i];
            if (cell.column == kNoColumnYet)
                cell.column = rows_.ColumnOf(std::string_view(heldText_).substr(cell.nameStart, cell.nameSize));
            rows_.SetCell(cell.column, std::string_view(heldText_).substr(cell.valueStart, cell.valueSize), cell.kind);
        }
    };
    for (uint64_t row = 0; row < rows; ++row) {
        for (const Segment& segment : segments_) {
            if (!segment.exploded) {
                set(segment.first, segment.last);
                continue;
            }
            if (row < segment.firstRow || row - segment.firstRow >= segment.last - segment.first) continue;
            const auto& element = elements_[segment.first + (row - segment.firstRow)];
            set(element.first, element.second);
        }
        rows_.EndRow();
    }
}

}  // namespace tabulora
