#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/column_index.h"
#include "engine/csv_writer.h"
#include "engine/json_reformat.h"

namespace tabulora {

// Walks the lines of reformatted JSON and turns the members at the record depth into rows:
// every distinct member name is a column (order of first appearance, exact comparison), a record
// ends at its closing brace or when the first column's name recurs while that cell is already
// filled, and each completed row becomes its CSV line at once.
class RecordTableBuilder final : public ReformattedLines {
public:
    RecordTableBuilder(std::string separator, bool includeHeader);

    // One line without its line break.
    void AddLine(std::string_view line);
    void Line(size_t tabs, std::string_view text, bool mayHoldBreaks) override;
    void MemberLine(size_t tabs, std::string_view name, std::string_view value, bool escapes) override;
    // Completes the last row and returns the CSV; the builder is spent afterwards.
    CsvDocument Finish();

    const std::vector<std::string>& ColumnNames() const { return columns_.Names(); }

private:
    // A line whose leading TABs are counted already.
    void AddIndentedLine(size_t tabs, std::string_view text);
    void AddMember(size_t tabs, std::string_view name, std::string_view value);
    void AddCell(size_t tabs, std::string_view name, std::string_view value);
    void AddKeyedLine(std::string_view name, std::string_view value);
    void SetCell(uint32_t column, std::string_view value);
    bool CellSet(uint32_t column) const;
    void DegerlerSatiriEkle();

    CsvFieldWriter fields_;
    bool includeHeader_;
    ColumnIndex columns_;
    long recordDepth_ = -1;

    // The row being filled: cell values live in `rowText_`; a cell counts as set when its
    // generation equals the row's.
    struct Cell {
        uint32_t generation = 0;
        uint32_t length = 0;
        size_t offset = 0;
    };
    std::vector<Cell> row_;
    std::string rowText_;
    uint32_t rowGeneration_ = 1;
    bool rowHasCell_ = false;

    std::string scratchName_;
    std::string scratchValue_;
    CsvDocument csv_;
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
