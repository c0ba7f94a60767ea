#pragma once
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/column_index.h"
#include "engine/conversion.h"
#include "engine/csv_writer.h"
#include "engine/output_buffer.h"
#include "engine/row_sink.h"

namespace tabulora {

// What a column held over all rows: in how many rows it was not empty, and which kinds of value
// (bit 1 << CellKind).
struct ColumnStats {
    uint64_t filled = 0;
    uint8_t kinds = 0;
};

// The columns of a table and the row being filled, written to a RowSink as CSV row lines, or to a
// CellRowSink as typed cells: every distinct cell name is a column (order of first appearance,
// exact comparison).
class TableRows final : public ColumnSource {
    // A cell of the row being filled: its value lives in `rowText_`; it counts as set when its
    // generation equals the row's.
    struct Cell {
        size_t offset = 0;
        size_t length = 0;
        uint32_t generation = 0;
        CellKind kind = CellKind::String;
    };

public:
    TableRows(const CsvOptions& options, RowTarget rows);

    // The column named `name`, added when it is new. Columns count in order of first appearance
    // whether or not they are written.
    uint32_t ColumnOf(std::string_view name) {
        const uint32_t column = columns_.AddColumn(name);
        if (choice_ && column >= choice_->outputOf.size()) choice_->Learn(columns_.Names()[column]);
        return column;
    }
    // Sets a cell of the row being filled.
    void SetCell(uint32_t column, std::string_view value, CellKind kind) {
        if (column >= row_.size()) row_.resize(column + 1);
        Cell& cell = row_[column];
        if (countColumns_) CountCell(column, cell, value, kind);
        cell.generation = rowGeneration_;
        cell.kind = kind;
        cell.offset = rowText_.Size();
        cell.length = value.size();
        CopyBytes(rowText_.Reserve(value.size() + CsvFieldWriter::kFieldSlack), value.data(), value.size());
        rowText_.Commit(value.size());
        rowHasCell_ = true;
    }
    bool CellSet(uint32_t column) const { return column < row_.size() && row_[column].generation == rowGeneration_; }

    // A value too long to come at once is gathered part by part at the end of the row's text,
    // before it is known which cell it fills, if any; it outlasts the end of the row. Its bytes
    // can be decoded in place and then be made a cell where they stand, without a copy.
    void AppendLongValue(std::string_view part);
    bool HasLongValue() const { return longValueStart_ != kNoLongValue; }
    std::string_view LongValue() const {
        if (!HasLongValue()) return {};  // no part came yet
        return std::string_view(rowText_.Data() + longValueStart_, rowText_.Size() - longValueStart_);
    }
    // Bytes of the long value: where they begin in it and how many.
    struct LongPart {
        size_t offset;
        size_t length;
    };
    // Decodes the escapes of `text`, a part of LongValue(), in place; returns where it stands.
    LongPart DecodeInLongValue(std::string_view text);
    // Sets a cell to that part of the long value; the long value ends.
    void SetCellToLongValue(uint32_t column, LongPart part, CellKind kind);
    void DropLongValue();
    bool RowHasCell() const { return rowHasCell_; }
    // Writes the row being filled (as a CSV row line or as cells) and starts an empty row.
    void EndRow();
    // Completes the last row. A table without any row still gets one (empty) row line.
    void Finish() {
        if (rowHasCell_ || rowCount_ == 0) EndRow();
    }

    // The columns written: the chosen ones, or every column.
    uint32_t ColumnCount() const override {
        return choice_ ? static_cast<uint32_t>(choice_->names.size()) : columns_.Size();
    }
    uint64_t RowCount() const { return rowCount_; }
    std::string HeaderLine() const override;
    std::vector<std::string> HeaderNames() const override;
    // The columns written by their own names (before renaming), in the order written.
    const std::vector<std::string>& ColumnNames() const { return choice_ ? choice_->names : columns_.Names(); }

    // With chosen columns: those that never appeared (written empty), the renames of columns
    // that never appeared, and a header name that two written columns would share.
    std::vector<std::string> MissingColumns() const;
    std::vector<std::string> UnusedRenames() const;
    std::string HeaderClash() const;

    // With TableShape::countColumns: the written columns' header names and what they held.
    std::vector<std::pair<std::string, ColumnStats>> ColumnSummary() const;

    // The state at one moment, to go back to when an input must be taken back out (its rows are
    // taken out of the sink by the caller).
    struct Mark {
        uint32_t columnCount;
        uint64_t rowCount;
        std::vector<Cell> row;
        std::string rowText;
        uint32_t rowGeneration;
        bool rowHasCell;
        std::vector<ColumnStats> stats;
    };
    Mark MarkState() const;
    void Restore(const Mark& mark);

private:
    // The columns written and their header names, from TableShape::columns and ::renames.
    struct ColumnChoice {
        std::vector<std::string> names;  // in the order written
        std::vector<uint32_t> outputOf;  // for each column: where it is written, or kNotWritten
        std::vector<uint32_t> columnAt;  // for each place written: its column, or kNotWritten
        void Learn(const std::string& name);
    };
    static constexpr uint32_t kNotWritten = UINT32_MAX;
    std::string RenamedHeader(const std::string& name) const;

    // memcpy without a library call for the short values that cells usually hold: overlapping words.
    static void CopyBytes(char* to, const char* from, size_t size) {
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
    template <bool kGuard, bool kChosen>
    void EndRowOf();
    template <bool kGuard, bool kChosen>
    void EndLongRow();
    void WriteLongField(std::string_view text, bool guard);
    void EndRowAsCells();
    void StartNextRow();
    void CountCell(uint32_t column, const Cell& cell, std::string_view value, CellKind kind);

    CsvFieldWriter fields_;
    RowSink* rows_;                         // CSV row lines, or
    CellRowSink* cellRows_;                 // typed cells
    std::vector<CellValue> cells_;          // the row handed to cellRows_
    std::unique_ptr<ColumnChoice> choice_;  // null: every column, as named
    std::vector<std::pair<std::string, std::string>> renames_;
    ColumnIndex columns_;
    const bool formulaGuard_;
    const bool countColumns_;
    std::vector<ColumnStats> stats_;  // per column
    uint64_t rowCount_ = 0;

    std::vector<Cell> row_;  // the row being filled
    OutputBuffer rowText_;   // its cell values, with CsvFieldWriter::kFieldSlack bytes to spare after them
    uint32_t rowGeneration_ = 1;
    bool rowHasCell_ = false;
    static constexpr size_t kNoLongValue = SIZE_MAX;
    size_t longValueStart_ = kNoLongValue;  // where the long value begins in rowText_
};

}  // namespace tabulora
