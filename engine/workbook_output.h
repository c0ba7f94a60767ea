#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/csv_output.h"
#include "engine/file_io.h"
#include "engine/row_sink.h"

namespace tabulora {

struct WorkbookFormat {
    bool includeHeader = true;
    // A string that is exactly a date (YYYY-MM-DD) or a date-time becomes a date cell.
    bool dates = false;
    size_t rowsInMemory = 4 << 20;  // bytes of rows kept in memory before they go to a file
};

// Takes the typed rows of one table as they are made and writes them at the end as an Excel
// workbook (.xlsx) to a file target (a workbook never goes to a stream): the header, known only
// then, first on every sheet (bold, frozen, with an autofilter), then the rows in order, each
// written once; a sheet takes at most 1,048,576 rows, later ones go on to the next sheet.
//
// Cells: a string is text (with `dates`, a date or date-time string a date cell), a number a
// number when a spreadsheet shows the same value (workbook::ExactNumber) and otherwise its text,
// a boolean a boolean, null nothing, nested values and joined arrays their text. A text longer
// than a cell holds is cut (counted per input, CutSinceMark).
//
// Memory stays bounded: the rows wait in memory up to a few MiB, then in a temporary file; the
// workbook library writes in its constant-memory mode. Like the CSV output, the target's
// temporary file is created at once, so a target that cannot be written fails before any work;
// destroyed before Finish, the output leaves no file behind and an existing target untouched.
// Every failure throws FileError("Cannot create file "<path>". <reason>").
class WorkbookOutput final : public CellRowSink {
public:
    WorkbookOutput(CsvTarget target, WorkbookFormat format, const ColumnSource& columns);
    ~WorkbookOutput() override;

    void WriteRow(const std::vector<CellValue>& cells) override;

    // Remembers the present point, where an input begins; TakeBackToMark removes every row
    // written since (an input that turned out unreadable).
    void MarkInputStart();
    void TakeBackToMark();
    // Texts cut to fit a cell since the last MarkInputStart.
    uint64_t CutSinceMark() const { return cutTexts_ - mark_.cutTexts; }

    // Writes the workbook and puts it in place. Returns the file written (for a NewFile target the
    // name finally used), or "" when `cancelled` said so before the end (nothing is left behind).
    std::string Finish(const std::function<bool()>& cancelled = {});
    uint64_t BytesWritten() const { return bytesWritten_; }
    uint32_t SheetsWritten() const { return sheets_; }

private:
    class Writer;
    class SpoolReader;

    void Check(const FileResult& result) const;
    void SpoolText(std::string_view text);
    void Spill();

    CsvTarget target_;
    WorkbookFormat format_;
    const ColumnSource& columns_;
    std::unique_ptr<OutputFile> file_;

    // The rows as they came: for each a cell count, then per cell its kind and, unless null, its
    // text's length, the text and a zero byte. The first bytes wait in `spool_`, the rest go to
    // `spill_` once it is too much for memory.
    std::string spool_;
    ScratchFile spill_;
    bool spilled_ = false;
    uint64_t spillBytes_ = 0;
    uint64_t rows_ = 0;
    uint64_t cutTexts_ = 0;
    std::string scratch_;  // a text changed before it is kept

    struct Mark {
        uint64_t bytes = 0;  // spool bytes before it, file and memory
        uint64_t rows = 0;
        uint64_t cutTexts = 0;
    } mark_;

    uint64_t bytesWritten_ = 0;
    uint32_t sheets_ = 0;
};

}  // namespace tabulora
