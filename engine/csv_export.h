#pragma once
// JSON files to CSV files (or Excel workbooks, ExportSettings::format), streaming in bounded
// memory, with progress, cancellation and a report per input: the conversion behind tabulora-cli,
// made for the program to run on a worker thread.
//
// Single-file export ("Single CSV File..."), on the worker thread:
//   ExportControl control;   // shared with the window thread, which may call control.Cancel()
//   control.onProgress = [&](const ExportProgress& p) { /* post a copy of p to the window */ };
//   for each input: InputCheck c = CheckInput(ExportInput::File(path), settings, &control);
//       !c.readable -> "File load error!" (the window shows it, the worker waits);
//   no readable input with c.hasLine -> "The file is empty!" and stop;
//   the window asks for the file name; then
//   ExportSummary s = ExportToOneCsv(readableInputs, chosenPath, settings, &control);
// Multiple-files export: ExportSummary s = ExportEachToCsv(inputs, folder, settings, &control);
//   an input that cannot be read has readable == false in its outcome (control.onInputDone
//   hands each outcome over as soon as that input is done: the moment for its "File load error!").
// Afterwards: s.cancelled ("Export cancelled."), else a summary line from s.rows, s.columns and
// s.seconds; every s.inputs[i].stop can be shown as ReadingStoppedMessage(fileName, *stop).
//
// The functions run on the calling thread; they use one helper thread to read ahead and one to
// write behind. The callbacks of ExportControl are called on the calling thread (about once per
// MiB of input, and once per input done). Output files appear only when complete (temporary file
// and rename): a cancelled or failed export leaves no file and no temporary file behind and an
// existing target untouched; the multiple-files export keeps the CSVs finished before. A file
// that cannot be written throws FileError("Cannot create file "<path>". <reason>").
#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/conversion.h"
#include "engine/csv_output.h"
#include "engine/input_pipeline.h"
#include "engine/json_lines_filter.h"
#include "engine/json_reader.h"
#include "engine/table_rows.h"
#include "engine/text_codec.h"

namespace tabulora {

// One input: a file, the standard input, or bytes in memory (for tests).
struct ExportInput {
    InputOrigin origin;
    std::string name;  // as shown in progress and messages, and the base of a per-file output's name

    static ExportInput File(std::string path);
    static ExportInput StandardInput();  // named "-"; its per-file output is "stdin.csv"
    static ExportInput Memory(std::string name, std::string_view bytes);
};

enum class OutputFormat {
    Csv,
    Workbook,  // an Excel workbook (.xlsx) per output file, never to a stream (engine/workbook_output.h)
};

struct ExportSettings {
    CsvOptions csv;                              // header line, separator, flattening, BOM, formula guard
    TextEncoding encoding = TextEncoding::Utf8;  // of the inputs (a byte-order mark wins) and the CSV
    const AnsiCodec* ansi = nullptr;             // required for TextEncoding::Ansi
    size_t pieceSize = 1 << 20;                  // bytes read at a time
    bool readAhead = true;                       // read on a helper thread
    size_t rowsInMemory = 4 << 20;               // bytes of rows kept in memory before they go to a file
    // Read each input as JSON Lines and skip the lines that are not one JSON value, instead of
    // ending the reading there (see json_lines_filter.h).
    bool skipBadLines = false;
    // With skipBadLines: the file that receives the skipped lines as they were; written like an
    // output file (temporary file, put in place when the export completes).
    std::string rejectsPath;
    // What the outputs are. A workbook takes the header, flattening and shaping choices of `csv`;
    // separator, BOM, formula guard and the ANSI encoding of the output do not apply to it.
    OutputFormat format = OutputFormat::Csv;
    // Workbook: a string that is exactly a date or a date-time (workbook::ReadDateTime) becomes a
    // date cell.
    bool dates = false;
};

struct ExportProgress {
    enum class Phase { Checking, Converting };
    Phase phase = Phase::Converting;
    size_t fileIndex = 0;  // 0-based, into the inputs
    size_t fileCount = 0;
    std::string name;  // the input's name
    uint64_t fileBytesDone = 0;
    uint64_t fileBytes = 0;   // 0 when not known beforehand (standard input)
    uint64_t bytesDone = 0;   // over all inputs
    uint64_t bytesTotal = 0;  // 0 when not known
};

// Where JSON reading of an input ended early; the output holds what was read before.
struct ReadingStop {
    uint64_t line = 0;    // 1-based line of the input
    uint64_t column = 0;  // 1-based, in characters
    std::string context;  // up to 40 characters of the line around the place (LineAround)
    StopReason reason = StopReason::UnreadableJson;
};

struct InputOutcome {
    size_t index = 0;
    std::string name;
    bool readable = true;  // false: reading failed (`error` says why); it added nothing
    // Why reading failed; or, when it was read (ExportEachToCsv), why its output was not written
    // (the same text as ExportSummary::failure).
    std::string error;
    bool hasLine = false;               // it holds at least one line
    std::optional<ReadingStop> stop;    // JSON reading ended before the end of the text
    SkippedLines skipped;               // ExportSettings::skipBadLines: the bad lines left out
    std::vector<std::string> warnings;  // "data.json: nothing at the records path "data"", ...
    uint64_t textsCut = 0;              // workbook texts cut to fit a cell (also among `warnings`)
    std::string outputPath;             // ExportEachToCsv: the CSV written for it
    uint64_t rows = 0;                  // ExportEachToCsv: rows of that CSV
};

// Shared between the thread that runs an export and the one that watches it.
class ExportControl {
public:
    // From any thread: the export stops at its next piece of input.
    void Cancel() { cancelled_.store(true, std::memory_order_relaxed); }
    bool Cancelled() const { return cancelled_.load(std::memory_order_relaxed); }

    // Called on the exporting thread, about once per MiB of input.
    std::function<void(const ExportProgress&)> onProgress;
    // Called on the exporting thread when an input is done.
    std::function<void(const InputOutcome&)> onInputDone;

private:
    std::atomic<bool> cancelled_{false};
};

struct ExportSummary {
    bool cancelled = false;            // stopped by ExportControl::Cancel; nothing more was written
    bool anyLine = false;              // a readable input held a line (else ExportToOneCsv wrote nothing)
    std::vector<InputOutcome> inputs;  // one per input handled, in order
    uint64_t rows = 0;                 // row lines written, over all CSVs
    uint32_t columns = 0;              // columns of the CSV (ExportEachToCsv: of the widest)
    uint64_t bytesRead = 0;
    uint64_t bytesWritten = 0;
    double seconds = 0;
    size_t filesWritten = 0;
    std::vector<std::string> warnings;  // about the columns chosen: one never appears, ...
    std::string failure;                // why nothing was written although the inputs were read
    bool tooManyColumns = false;        // a workbook would have more columns than a sheet holds
    // With TableShape::countColumns (ExportToOneCsv): each column written and what it held.
    std::vector<std::pair<std::string, ColumnStats>> columnSummary;
};

struct InputCheck {
    bool readable = false;
    std::string error;     // why it is not readable
    bool hasLine = false;  // it holds at least one line
    bool cancelled = false;
};

// Reads one input to the end without converting it: whether it can be read in the chosen
// encoding and whether it holds any line. For the single-file export's checks before its save
// dialog ("File load error!", "The file is empty!").
InputCheck CheckInput(const ExportInput& input, const ExportSettings& settings, ExportControl* control = nullptr);

// All inputs into one CSV: they share one header, one column list and one sequence of rows. An
// input that cannot be read adds nothing (its outcome says why) and the others are converted.
// When no readable input holds a line nothing is written (anyLine is false).
ExportSummary ExportToOneCsv(const std::vector<ExportInput>& inputs, const std::string& outputPath,
                             const ExportSettings& settings, ExportControl* control = nullptr);
// The same to a stream (standard output), written once complete.
ExportSummary ExportToOneCsv(const std::vector<ExportInput>& inputs, ByteSink& output, const ExportSettings& settings,
                             ExportControl* control = nullptr);

// One CSV per input in `folder`, named UniqueFileName(CsvNameInFolder(folder, name)) (a workbook
// ends in .xlsx instead of .csv); an existing
// file is never replaced, a name taken meanwhile gives way to the next free one. An input that
// cannot be read gets no CSV. Cancelling keeps the CSVs finished before.
ExportSummary ExportEachToCsv(const std::vector<ExportInput>& inputs, const std::string& folder,
                              const ExportSettings& settings, ExportControl* control = nullptr);

// "data.jsonl: reading stopped at line 1,234, column 8, unreadable JSON: {"a":2,,"b":3}", the
// context's control characters escaped; without ": ..." when the context is empty.
std::string ReadingStoppedMessage(std::string_view name, const ReadingStop& stop);

// The input file that a file written at `path` would replace (the same file by identity, links
// and other spellings included), or nullptr. The exports refuse such an output before reading
// anything, with FileError("Cannot create file ...").
const ExportInput* InputAtPath(const std::vector<ExportInput>& inputs, const std::string& path);

}  // namespace tabulora
