#pragma once
// The single-file export's reading of its inputs, for consumers that keep the rows in memory
// instead of writing a CSV (the table preview): the same reading loop, the same table and the same
// report per input as ExportToOneCsv.
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "engine/csv_export.h"
#include "engine/row_sink.h"
#include "engine/table_shape.h"

namespace tabulora {

// Receives the completed rows as typed cells and says when enough have come.
class RowCollector : public CellRowSink {
public:
    // Remembers the rows so far, where an input begins; TakeBackToMark removes the rows since
    // (an input that turned out unreadable).
    virtual void MarkInputStart() = 0;
    virtual void TakeBackToMark() = 0;
    // The reading may stop: no more rows are wanted.
    virtual bool Enough() const = 0;
};

// Reads each input's text beside the table: the same decoded pieces, with bad lines skipped
// when the table's reading skips them. The pieces are valid only during the call.
class TextWatcher {
public:
    virtual ~TextWatcher() = default;
    virtual void BeginText(size_t input) = 0;
    virtual void Feed(const char* data, size_t size) = 0;
    // The text has ended, or its reading stops here (`whole` false).
    virtual void EndText(bool whole) = 0;
    // The text turned out unreadable: it ends, and what it added is taken back out.
    virtual void TakeBackText() = 0;
};

struct RowsReading {
    bool cancelled = false;  // what was read before is kept as for a reading that had enough
    bool ended = false;      // every input was read to its end (the table is finished)
    bool anyLine = false;    // a readable input held a line
    // One per input read, in order; the last may have been read only in part (ended false): its
    // outcome says what its part gave (reading stop, skipped lines, warnings so far).
    std::vector<InputOutcome> inputs;
    std::vector<std::string> warnings;  // about the columns chosen, for the columns met so far
    // The records the table left out of the inputs read (JsonTable::LeftOutRecords), over all of
    // them, by path in the order first met.
    std::vector<std::pair<JsonPath, uint64_t>> leftOut;
    std::string failure;                   // what would keep the export from writing (two columns alike, ...)
    std::vector<std::string> header;       // the columns met, as the header shows them
    std::vector<std::string> columnNames;  // the same by their own names
    uint64_t bytesRead = 0;                // bytes of input read
};

// Reads the inputs as ExportToOneCsv does with `settings` (its output aside), handing the rows to
// `rows`, until rows.Enough() after a piece of text, the end of the inputs, or a cancel. When the
// inputs end and a readable one held a line, the table is finished as the export finishes it
// (its last row completed). Throws what ExportToOneCsv throws for reading.
RowsReading ReadIntoRows(const std::vector<ExportInput>& inputs, const ExportSettings& settings, RowCollector& rows,
                         TextWatcher* watcher, ExportControl* control);

}  // namespace tabulora
