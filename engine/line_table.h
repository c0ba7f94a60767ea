#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "engine/json_table.h"
#include "engine/line_layout.h"

namespace tabulora {

// Walks the lines of the line layout and turns the members at the record depth, the depth of the
// first member line with a value, into rows: every distinct member name is a column (order of
// first appearance, exact comparison), a record ends at its closing brace or when the first
// column's name recurs while that cell is already filled, and each completed row goes to the
// sink as its CSV line at once. Nested values are left out.
class LineTable final : public ReformattedLines, public JsonTable {
public:
    LineTable(const CsvOptions& options, RowTarget rows) : rows_(options, rows) {}

    // One line without its line break.
    void AddLine(std::string_view line);
    void Line(size_t tabs, std::string_view text, bool mayHoldBreaks) override;
    void MemberLine(size_t tabs, std::string_view name, ScalarKind kind, std::string_view value, bool escapes) override;
    bool TakesLineParts() const override { return true; }
    void LinePart(size_t tabs, std::string_view text, bool mayHoldBreaks) override;

    std::unique_ptr<PieceReader> NewReader(const ReaderOptions& options) override;
    void MarkTextStart() override;
    void TakeBackText() override;
    void Finish() override { rows_.Finish(); }
    const TableRows& Rows() const override { return rows_; }
    std::vector<std::string> TextWarnings(std::string_view inputName) const override;
    std::vector<std::pair<JsonPath, uint64_t>> LeftOutRecords() const override { return leftOut_; }

private:
    // A line whose leading TABs are counted already.
    void AddIndentedLine(size_t tabs, std::string_view text);
    void AddMember(size_t tabs, std::string_view name, std::string_view value, CellKind kind);
    void AddCell(size_t tabs, std::string_view name, std::string_view value, CellKind kind);
    void AddLongCell(size_t tabs, std::string_view name, std::string_view value, CellKind kind);
    bool CellColumn(size_t tabs, std::string_view name, uint32_t& column);
    void EndPartedLine(std::string_view rest, bool mayHoldBreaks);
    void CloseObject(size_t tabs);
    void CloseContainer(size_t tabs);
    void ElementObject(size_t tabs);

    TableRows rows_;
    long recordDepth_ = -1;

    TableRows::Mark mark_;
    long markedDepth_ = -1;

    // The member names leading to the containers open (with the TABs of their lines), and the
    // objects of arrays outside the records that this text's rows leave out, by the array's path.
    std::vector<std::pair<size_t, std::string>> containerNames_;
    std::vector<std::pair<JsonPath, uint64_t>> leftOut_;
    bool openedContainer_ = false;  // the last line opened a member's container

    // A line that comes in parts, gathered as the rows' long value and read as a line when it ends.
    struct PartedLine {
        bool active = false;
        size_t tabs = 0;
        size_t stringStart = 0;    // where the long string begins in it
        bool startBreaks = false;  // the line before the string holds raw line breaks
        bool stringBreaks = false;
    } partedLine_;

    std::string scratchName_;
    std::string scratchValue_;
};

// Splits a stream of bytes into lines at CR LF, lone CR and lone LF and hands each line to a
// LineTable. A line break at the very end adds no empty line.
class LineSplitter {
public:
    explicit LineSplitter(LineTable& table) : table_(table) {}
    void Write(const char* data, size_t size);
    void Finish();

private:
    LineTable& table_;
    std::string pending_;     // an unfinished line carried over to the next Write
    bool pendingCR_ = false;  // the previous Write ended with CR; a leading LF belongs to it
};

}  // namespace tabulora
