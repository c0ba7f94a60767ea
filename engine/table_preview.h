#pragma once
// The first rows of the table that an export would write, and the choices of records and arrays
// that the beginning of the inputs offers: what a preview shows before anything is written.
//
// On a worker thread:
//   TablePreview p = PreviewTable(inputs, settings, 1000, &control);
//   for the columns that appear later: ColumnScan s = FindAllColumns(inputs, settings, &control);
// Both read the inputs as ExportToOneCsv does with the same settings (encoding, shape, options),
// through the export's own reading loop and table, so the rows shown are the rows written: the
// cells of p.rows[i] quoted as the CSV writer quotes fields and joined with the settings'
// separator, followed by one empty field for each column of the CSV that came after the row (the
// CSV pads its rows to its final header), make the i-th row line of that CSV; p.header is the
// start of its header line, all of it when p.complete.
//
// The one difference a preview cannot avoid: an input that turns out unreadable only after the
// part read (bytes that are not UTF-8 further on) is taken out of the export with its rows; the
// preview, which stops before, shows them.
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
    uint64_t objects = 0;  // objects met in it, over all inputs (those of its inner arrays included)
};

struct TablePreview {
    // The columns as the header shows them (renamed) and by their own names, in the order written
    // (as TableShape::renames and ::columns name them: without the formula guard's apostrophe,
    // which a CSV's header line puts before a name that looks like a formula).
    std::vector<std::string> header;
    std::vector<std::string> columnNames;
    // The first rows, each a cell per column known when the row was made (later columns of the
    // header are empty for it); a cell is the field's text in the CSV, unquoted: UTF-8, with the
    // formula guard's apostrophe when the settings ask for it. For a workbook, the cell's text as
    // the workbook holds it (no guard; cut to the most a cell holds).
    std::vector<std::vector<std::string>> rows;
    bool complete = false;  // the inputs ended within the rows asked for: these are all the rows
    // Arrays of objects met in the part read, in the order first met ("data" 2, "data.items" 2).
    std::vector<RecordsChoice> records;
    // Arrays (of any values, empty ones too) met inside the records of the part read, by their
    // path from the record, as TableShape::explode takes them, in the order first met. The
    // records are those of settings.csv.shape.records; without it (Automatic) the top-level
    // values: the top-level objects and the objects of top-level arrays, so that {"data":[{"tags":
    // []}]} gives "data" and "data.tags".
    std::vector<JsonPath> arrays;
    // Records that the table leaves out (the default reading's records under a path it does not
    // convert, as the warnings tell): the path that takes them as `records`, and how many there
    // were in the part read, over all inputs, in the order first met.
    std::vector<RecordsChoice> leftOut;
    // What the export would warn about for the part read, as it words it: each input's skipped
    // lines and warnings (records left out, nothing at the records path), then those about the
    // columns (a chosen column not seen so far, a rename of a column not seen, two columns that
    // would be called alike).
    std::vector<std::string> warnings;
    // Per input read, in order, as the export reports it: whether it could be read (and why not)
    // and where its reading stopped (ReadingStoppedMessage). Inputs after the part read are not
    // in it; the last one may have been read only in part.
    std::vector<InputOutcome> inputs;
    // Stopped by control->Cancel(). The rows, choices and warnings of what was read so far are
    // kept, as for a preview cut short (a window may cancel a preview that takes long and show
    // what it has).
    bool cancelled = false;
    // The reading stopped at its limit of text (kPreviewTextLimit) before `maxRows` rows came:
    // the rows are those that ended in that part.
    bool textLimitReached = false;
    uint64_t bytesRead = 0;  // of the inputs, over all of them
};

// How much text a preview reads at most: enough for the first screen of any table whose rows
// come early, and a bound on the time of one whose rows come late or never (one record that is
// the whole input, records the default reading leaves out).
inline constexpr uint64_t kPreviewTextLimit = 32 << 20;

// Reads the inputs from their beginning until `maxRows` rows are made (or the inputs end): it
// stops once a row beyond them is made, so `complete` is exact. The reading goes in pieces of at
// most 256 KiB and no further than the piece that makes that row, or than the piece that passes
// `textLimit` bytes of text, so its time does not grow with the size of the inputs. Progress and
// cancel through `control`. Throws only what ExportToOneCsv throws for reading.
TablePreview PreviewTable(const std::vector<ExportInput>& inputs, const ExportSettings& settings, size_t maxRows,
                          ExportControl* control = nullptr, uint64_t textLimit = kPreviewTextLimit);

// Every column of the whole inputs and what each held, in the order written, with their header
// names (renamed): what tabulora-cli --schema lists. Reads everything, as the export does, writing
// nothing (no rejects file either); progress and cancel through `control`. `warnings` as in
// TablePreview.
struct ColumnScan {
    std::vector<std::pair<std::string, ColumnStats>> columns;
    std::vector<InputOutcome> inputs;
    std::vector<std::string> warnings;
    bool cancelled = false;
};
ColumnScan FindAllColumns(const std::vector<ExportInput>& inputs, const ExportSettings& settings,
                          ExportControl* control = nullptr);

}  // namespace tabulora
