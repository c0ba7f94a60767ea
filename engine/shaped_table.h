#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/compact_text.h"
#include "engine/json_table.h"
#include "engine/parted_string.h"

namespace tabulora {

// Builds the table of the records the shape names (TableShape::records): the values at that path
// in every top-level value (the empty path: the top-level values themselves); an array there gives
// each element as a record, an object is one record, a scalar a one-cell record in a column named
// by the path's last name ("value" for the empty path). Each record is
// one row, or with exploded arrays one row per element (row i takes element i of each exploded
// array, the record's other cells repeated; an empty or missing array leaves its cells empty).
//
// Inside a record the members are cells: without flattening only its scalar members; with it the
// members of nested objects too, named by their path ("address.city"), and every array one cell
// of its compact JSON text, or with TableShape::join the array of plain values its values joined.
// A record is held whole only while it has exploded arrays, so memory grows with the largest such
// record, never with the number of records.
class ShapedTable final : public JsonTable {
public:
    ShapedTable(const CsvOptions& options, RowTarget rows);

    std::unique_ptr<PieceReader> NewReader(const ReaderOptions& options) override;
    void MarkTextStart() override;
    void TakeBackText() override;
    void Finish() override { rows_.Finish(); }
    const TableRows& Rows() const override { return rows_; }
    std::vector<std::string> TextWarnings(std::string_view inputName) const override;

    // What the reader reports (see JsonReader).
    void Name(const MemberName& name);
    void MemberLine(std::string_view name, ScalarKind kind, std::string_view value, bool escapes);
    void Scalar(ScalarKind kind, std::string_view text, bool rawBreaks);
    void StringPart(std::string_view text, bool rawBreaks);
    void OpenObject() { Open(true); }
    void EmptyObject();
    void CloseObject() { Close(); }
    void OpenArray() { Open(false); }
    void EmptyArray();
    void CloseArray() { Close(); }
    void Element();
    void Separator(char separator, bool);
    const char* TakeWholeArray(const char* p, const char* end, size_t levels);
    void ValueEnd();

private:
    // What an open container is to the table.
    enum class Role : uint8_t {
        Outside,       // before the records: `matched` names of the records path lead to it
        RecordsArray,  // its elements are records
        Record,        // a record
        Nested,        // an object inside a record, whose members are cells named by their path
        Exploded,      // an exploded array: its elements give rows
        Element,       // an object that is an element of an exploded array
        Cell,          // an array that is one cell
        InCell,        // a container inside a Cell
        Dropped,       // a nested value left out, with all it holds
    };
    struct Frame {
        Role role;
        bool object;
        int matched;       // Outside: names of the records path matched; -1 off the path
        size_t pathSize;   // names of the path inside the record before this container's
        uint32_t explode;  // Exploded: which exploded path
    };
    // Where the value being read stands.
    enum class Place : uint8_t { Ignored, RecordValue, RecordMember, ElementValue };

    Place PlaceOfValue(int& matched) const;
    void Open(bool object);
    void Close();
    void ArrayCell();
    void OpenInRecord(bool object, Place place);
    void BeginRecord();
    void EndRecord();
    void ScalarRecord(std::string_view value, CellKind kind);
    std::string_view ScalarRecordName() const;
    void EndPartedString(ScalarKind kind, std::string_view text, bool rawBreaks);
    void HoldPartedStringWhole();
    void LongStringCell();
    void Cell(std::string_view value, CellKind kind);
    void CellNamed(std::string_view name, std::string_view value, CellKind kind);
    const std::string& ColumnName();
    int ExplodedPath() const;
    void EmitRows();
    void SetCell(std::string_view name, std::string_view value, CellKind kind) {
        rows_.SetCell(rows_.ColumnOf(name), value, kind);
    }
    void ForgetReading();

    TableRows rows_;
    const TableShape shape_;
    const bool flatten_;
    uint64_t recordsInText_ = 0;

    std::vector<Frame> frames_;
    std::string memberName_;
    bool memberValue_ = false;  // the next value is memberName_'s
    bool inRecord_ = false;
    bool inExploded_ = false;  // inside an exploded array: cells belong to its elements
    PartedString parted_;
    Place partedPlace_ = Place::Ignored;  // PartedString::Use::InRow: where the string stands
    // The names from the record to the value being read, as a column name ("address.city") and
    // one by one.
    std::vector<std::string> path_;
    std::string column_;

    // An array that is one cell: its compact text.
    CompactText compact_;
    std::string cellName_;

    // A record with exploded arrays, held until it ends: its cells in order (name and value in
    // heldText_), in segments of the record's own cells and of the exploded arrays met.
    struct HeldCell {
        size_t nameStart, nameSize, valueStart, valueSize;
        CellKind kind;
        uint32_t column = kNoColumnYet;  // found when the cell is first written, then reused for each row
    };
    static constexpr uint32_t kNoColumnYet = UINT32_MAX;
    struct Segment {
        bool exploded;
        size_t first, last;  // own cells: [first, last) of cells_; exploded: of elements_
        uint64_t firstRow;   // exploded: the row of its first element
    };
    std::vector<HeldCell> cells_;
    std::vector<Segment> segments_;
    std::vector<std::pair<size_t, size_t>> elements_;  // [first, last) of cells_ for each element
    std::vector<uint64_t> elementCounts_;              // per exploded path, in this record
    std::string heldText_;

    TableRows::Mark mark_;
    std::string scratch_;
    std::string scratchValue_;
};

}  // namespace tabulora
