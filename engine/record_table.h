#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/column_index.h"
#include "engine/csv_writer.h"
#include "engine/json_reformat.h"
#include "engine/output_buffer.h"
#include "engine/row_sink.h"

namespace tabulora {

// Walks the lines of reformatted JSON and turns the members at the record depth into rows:
// every distinct member name is a column (order of first appearance, exact comparison), a record
// ends at its closing brace or when the first column's name recurs while that cell is already
// filled, and each completed row goes to the sink as its CSV line at once.
class RecordTableBuilder final : public ReformattedLines, public ColumnSource {
    // A cell of the row being filled: its value lives in `rowText_`; it counts as set when its
    // generation equals the row's.
    struct Cell {
        uint32_t generation = 0;
        uint32_t length = 0;
        size_t offset = 0;
    };

public:
    RecordTableBuilder(std::string separator, RowSink& rows);

    // One line without its line break.
    void AddLine(std::string_view line);
    void Line(size_t tabs, std::string_view text, bool mayHoldBreaks) override;
    void MemberLine(size_t tabs, std::string_view name, std::string_view value, bool escapes) override;
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
    void AddMember(size_t tabs, std::string_view name, std::string_view value);
    void AddCell(size_t tabs, std::string_view name, std::string_view value);
    bool CellSet(uint32_t column) const { return column < row_.size() && row_[column].generation == rowGeneration_; }
    void AppendRowLine();

    CsvFieldWriter fields_;
    RowSink& rows_;
    ColumnIndex columns_;
    long recordDepth_ = -1;
    uint64_t rowCount_ = 0;

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
