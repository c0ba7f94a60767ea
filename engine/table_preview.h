#pragma once
// The first rows of the table that an export would write, and the choices of records and arrays
// that the beginning of the inputs offers: what a preview shows before anything is written.
//
// On a worker thread:
//   TablePreview p = PreviewTable(inputs, settings, 1000, &control);
//   for the columns that appear later: ColumnScan s = FindAllColumns(inputs, settings, &control);
// Both read the inputs as ExportToOneCsv does with the same settings (encoding, shape, options),
// so the rows shown are the rows written: joined as CSV fields with the settings' separator,
// p.rows[i] is the i-th row line of that CSV.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "engine/csv_export.h"
#include "engine/table_shape.h"

namespace tabulora {

// An array whose elements are objects, met in the previewed part of the inputs: a choice of
// records (TableShape::records).
struct RecordsChoice {
    JsonPath path;         // from the top-level value; an array inside an array has its parent's path
    uint64_t objects = 0;  // objects met in it, over all inputs
};

struct TablePreview {
    // The columns as the header shows them (renamed) and by their own names, in the order written.
    std::vector<std::string> header;
    std::vector<std::string> columnNames;
    // The first rows, each a cell per column known when the row was made (later columns of the
    // header are empty for it); a cell is the field's text in the CSV, unquoted.
    std::vector<std::vector<std::string>> rows;
    bool complete = false;  // the inputs ended within the rows asked for: these are all the rows
    // Arrays of objects met in the part read, in the order first met.
    std::vector<RecordsChoice> records;
    // Arrays met inside the records of the part read (paths from the record, as TableShape::explode
    // takes them), in the order first met.
    std::vector<JsonPath> arrays;
    // What the export would warn about for the part read (records left out, a chosen column never
    // seen, ...), and per input whether it could be read and where its reading stopped.
    std::vector<std::string> warnings;
    std::vector<InputOutcome> inputs;
    bool cancelled = false;
    uint64_t bytesRead = 0;  // of the inputs, over all of them
};

// Reads the inputs from their beginning until `maxRows` rows are made (or the inputs end), in
// bounded time for any size of input. Throws only what ExportToOneCsv throws for reading.
TablePreview PreviewTable(const std::vector<ExportInput>& inputs, const ExportSettings& settings, size_t maxRows,
                          ExportControl* control = nullptr);

// Every column of the whole inputs and what each held, in the order written (reads everything;
// progress and cancel through `control`).
struct ColumnScan {
    std::vector<std::pair<std::string, ColumnStats>> columns;
    std::vector<InputOutcome> inputs;
    std::vector<std::string> warnings;
    bool cancelled = false;
};
ColumnScan FindAllColumns(const std::vector<ExportInput>& inputs, const ExportSettings& settings,
                          ExportControl* control = nullptr);

}  // namespace tabulora
