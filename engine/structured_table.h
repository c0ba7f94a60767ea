#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/compact_text.h"
#include "engine/json_table.h"
#include "engine/output_buffer.h"
#include "engine/parted_string.h"

namespace tabulora {

// Builds the table from what a JsonReader reads, knowing where each value stands: nested objects
// of a record become columns named by their path ("user.name"), and each array in a record one
// cell of its compact JSON text (["a","b"]: no blanks between tokens, strings and numbers as
// written, names in double quotes, separators as found; an empty object gives {}).
//
// The records are found as in the line table: the members at the depth of the first member with
// a value (a scalar, an empty container or an object) are cells, and a record ends at its closing
// brace or when the first column's name recurs while that cell is filled. An array member does not
// decide the record depth: until a member does, the arrays met are read both as a cell and for the
// records inside them, and the finished ones kept aside; they are taken in once the depth is known,
// or when an object that has array members of its own ends: it is a record, and their depth the
// record depth (so memory never holds more than the first record). When a top-level value ends
// without either, its first array (the first to end) decides.
class StructuredTable final : public JsonTable {
public:
    StructuredTable(const CsvOptions& options, RowTarget rows) : rows_(options, rows), join_(options.shape.join) {}

    std::unique_ptr<PieceReader> NewReader(const ReaderOptions& options) override;
    void MarkTextStart() override;
    void TakeBackText() override;
    void Finish() override { rows_.Finish(); }
    const TableRows& Rows() const override { return rows_; }
    std::vector<std::string> TextWarnings(std::string_view) const override { return {}; }

    // What the reader reports (see JsonReader).
    void Name(const MemberName& name);
    void MemberLine(std::string_view name, ScalarKind kind, std::string_view value, bool escapes);
    void Scalar(ScalarKind kind, std::string_view text, bool rawBreaks);
    void StringPart(std::string_view text, bool rawBreaks);
    void OpenObject();
    void EmptyObject();
    void CloseObject();
    void OpenArray();
    void EmptyArray();
    void CloseArray();
    void Element() {}
    void Separator(char separator, bool inObject);
    void ValueEnd();
    const char* TakeWholeArray(const char* p, const char* end, size_t levels);

private:
    // How an open container is read: an object, or an array whose values are looked into for
    // records, or that is a cell, or both while the record depth is not known.
    enum class Use : uint8_t { Object, Array, Cell, Pending };
    struct Frame {
        Use use;
        size_t compactStart;  // Cell, Pending: where its text begins in compact_
        size_t nameStart;     // Cell, Pending: where its member's name begins in arrayNames_
    };

    size_t Depth() const { return frames_.size(); }
    bool Compacting() const { return compactArrays_ > 0; }
    bool TakesMemberValue() const { return memberValue_ && cellFrame_ < 0; }
    void EndCompactArray(const Frame& frame);

    void HoldEmpty(std::string_view text, CellKind kind);
    void Release(char separator);
    void AddCell(size_t depth, std::string_view name, std::string_view value, CellKind kind);
    void AddLongCell(size_t depth, std::string_view name, std::string_view value, CellKind kind);
    bool CellColumn(size_t depth, std::string_view name, uint32_t& column);
    void EndPartedString(ScalarKind kind, std::string_view text, bool rawBreaks);
    void AddToLongValue(std::string_view text, bool rawBreaks);
    void OpenObjectMember(size_t depth);
    void CloseObjectAt(size_t depth);
    void DecideDepth(size_t depth);
    bool HasPendingMembers(size_t depth) const;
    void TakeInPending();
    void ForgetPath();
    void ForgetReading();

    TableRows rows_;
    const std::optional<std::string> join_;  // arrays of plain values joined with this
    std::string joined_;

    // Reading: the open containers, the member whose value comes next, the compact text of the
    // arrays read as cells.
    std::vector<Frame> frames_;
    std::string memberName_;
    bool memberValue_ = false;  // the next value is memberName_'s
    long cellFrame_ = -1;       // the frame of the array being read as a cell, inside which nothing else counts
    size_t compactArrays_ = 0;  // open Cell and Pending arrays
    CompactText compact_;
    std::string arrayNames_;
    // A member's value (in heldValue_, or a long one in the rows' long value) or a closing brace,
    // until the byte after it is known.
    enum class Held : uint8_t { Nothing, Value, LongValue, Close };
    Held holding_ = Held::Nothing;
    std::string heldValue_;
    CellKind heldKind_ = CellKind::String;
    bool valueEndsLine_ = false;
    PartedString parted_;

    // The records.
    long recordDepth_ = -1;
    long cellDepth_ = -1;  // the depth of the members that are cells: the record depth plus the path's length
    // The nested objects a cell's name goes through, as "a.b." and where each name begins in it.
    std::string path_;
    std::vector<size_t> pathStarts_;
    std::string pathName_;

    // What came while the record depth is not known yet: finished array members (name and value
    // in pendingText_) and, after the first of them, closing braces.
    struct Pending {
        size_t depth;
        bool array;
        size_t nameSize, valueSize;
    };
    std::vector<Pending> pending_;
    std::string pendingText_;

    TableRows::Mark mark_;
    long markedDepth_ = -1;

    std::string scratchName_;
    std::string scratchValue_;
};

}  // namespace tabulora
