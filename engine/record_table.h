#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/column_index.h"
#include "engine/conversion.h"
#include "engine/csv_writer.h"
#include "engine/json_reformat.h"
#include "engine/output_buffer.h"
#include "engine/row_sink.h"

namespace tabulora {

// Walks the lines of reformatted JSON and turns the members at the record depth into rows:
// every distinct member name is a column (order of first appearance, exact comparison), a record
// ends at its closing brace or when the first column's name recurs while that cell is already
// filled, and each completed row goes to the sink as its CSV line at once.
//
// Flattening (CsvOptions::flattenNested; the reformatter must flatten too): a member whose value
// is an object decides the record depth like any other member, and the members of such objects
// inside a record are cells named by their path ("user.name"); a member's array inside a record
// is one cell of its compact JSON text. An array member does not decide the record depth: until a
// member does, the arrays met are kept aside and taken in once it is known, or until an object
// that has array members of its own ends: it is a record, and their depth the record depth (so
// memory never holds more than the first record). When a top-level value ends without either,
// its first array (the first to end) decides.
class RecordTableBuilder final : public ReformattedLines, public ColumnSource {
    // A cell of the row being filled: its value lives in `rowText_`; it counts as set when its
    // generation equals the row's.
    struct Cell {
        uint32_t generation = 0;
        uint32_t length = 0;
        size_t offset = 0;
    };

public:
    RecordTableBuilder(const CsvOptions& options, RowSink& rows);

    // One line without its line break.
    void AddLine(std::string_view line);
    void Line(size_t tabs, std::string_view text, bool mayHoldBreaks) override;
    void MemberLine(size_t tabs, std::string_view name, std::string_view value, bool escapes) override;
    ArrayUse ArrayMemberBegins(size_t tabs) override;
    void ArrayMember(size_t tabs, std::string_view line) override;
    bool ArraysWanted() override { return recordDepth_ < 0; }
    void ValueEnd() override;
    // Completes the last row. A table without any row still gets one (empty) row line.
    void Finish();

    const std::vector<std::string>& ColumnNames() const { return columns_.Names(); }
    uint32_t ColumnCount() const override { return columns_.Size(); }
    uint64_t RowCount() const { return rowCount_; }
    std::string HeaderLine() const override;

    // The state of the table at one moment, to go back to when an input must be taken back out
    // (its rows are taken out of the sink by the caller).
    struct Mark {
        uint32_t columnCount;
        uint64_t rowCount;
        long recordDepth;
        std::vector<Cell> row;
        std::string rowText;
        uint32_t rowGeneration;
        bool rowHasCell;
    };
    Mark MarkState() const;
    void Restore(const Mark& mark);

private:
    // A line whose leading TABs are counted already.
    void AddIndentedLine(size_t tabs, std::string_view text);
    void AddMember(size_t tabs, std::string_view name, std::string_view value, bool quoted);
    void AddCell(size_t tabs, std::string_view name, std::string_view value);
    void DecideDepth(size_t tabs);
    void CloseObject(size_t tabs);
    void OpenObject(size_t tabs, std::string_view name);
    void ForgetPath();
    bool HasPendingMembers(size_t tabs) const;
    void TakeInPending();
    bool CellSet(uint32_t column) const { return column < row_.size() && row_[column].generation == rowGeneration_; }
    void AppendRowLine() {
        if (formulaGuard_)
            AppendRowLineOf<true>();
        else
            AppendRowLineOf<false>();
    }
    template <bool kGuard>
    void AppendRowLineOf();

    CsvFieldWriter fields_;
    RowSink& rows_;
    ColumnIndex columns_;
    const bool flatten_;
    const bool formulaGuard_;
    long recordDepth_ = -1;
    long cellDepth_ = -1;     // the depth of the lines that are cells: the record depth plus the path's length
    uint64_t rowCount_ = 0;

    // Flattening: the nested objects a cell's name goes through, as "a.b." and where each
    // name begins in it.
    std::string path_;
    std::vector<size_t> pathStarts_;
    std::string pathName_;

    // Flattening: what came while the record depth is not known yet: array members (name and
    // value in pendingText_) and, after the first of them, closing braces.
    struct Pending {
        size_t tabs;
        bool array;
        size_t nameSize, valueSize;
    };
    std::vector<Pending> pending_;
    std::string pendingText_;

    std::vector<Cell> row_;   // the row being filled
    OutputBuffer rowText_;    // its cell values, with CsvFieldWriter::kFieldSlack bytes to spare after them
    uint32_t rowGeneration_ = 1;
    bool rowHasCell_ = false;

    std::string scratchName_;
    std::string scratchValue_;
};

// Splits a stream of bytes into lines at CR LF, lone CR and lone LF and hands each line to a
// RecordTableBuilder. A line break at the very end adds no empty line.
class LineSplitter {
public:
    explicit LineSplitter(RecordTableBuilder& builder) : builder_(builder) {}
    void Write(const char* data, size_t size);
    void Finish();

private:
    RecordTableBuilder& builder_;
    std::string pending_;       // an unfinished line carried over to the next Write
    bool pendingCR_ = false;    // the previous Write ended with CR; a leading LF belongs to it
};

}  // namespace tabulora
