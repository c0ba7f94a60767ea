#include "engine/csv_export.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <memory>

#include "engine/export_reading.h"
#include "engine/file_io.h"
#include "engine/grouped_number.h"
#include "engine/json_table.h"
#include "engine/rejects_file.h"
#include "engine/text_feeder.h"
#include "engine/workbook_cells.h"
#include "engine/workbook_output.h"

namespace tabulora {
namespace {

// A table and the output it writes its rows to: a CSV, a workbook, or rows kept in memory.
struct CsvTable {
    CsvTable(CsvTarget target, const ExportSettings& settings) {
        if (settings.format == OutputFormat::Workbook) {
            workbook = std::make_unique<WorkbookOutput>(std::move(target),
                                                        WorkbookFormat{settings.csv.includeHeader, settings.dates,
                                                                       settings.rowsInMemory},
                                                        columns);
            table = MakeJsonTable(settings.csv, *workbook);
        } else {
            output = std::make_unique<CsvOutput>(std::move(target),
                                                 CsvFormat{settings.csv.separator, settings.csv.includeHeader,
                                                           settings.encoding, settings.ansi, settings.rowsInMemory,
                                                           settings.csv.utf8Bom},
                                                 columns);
            table = MakeJsonTable(settings.csv, *output);
        }
        columns.table = table.get();
    }
    CsvTable(RowCollector& rows, const ExportSettings& settings)
        : collector(&rows), table(MakeJsonTable(settings.csv, rows)) {
        columns.table = table.get();
    }

    void MarkInputStart() {
        collector ? collector->MarkInputStart() : workbook ? workbook->MarkInputStart() : output->MarkInputStart();
    }
    void TakeBackToMark() {
        collector ? collector->TakeBackToMark() : workbook ? workbook->TakeBackToMark() : output->TakeBackToMark();
    }
    // The file written, or "" for a stream or when a workbook's writing was cancelled.
    std::string Finish(const std::function<bool()>& cancelled) {
        return workbook ? workbook->Finish(cancelled) : output->Finish();
    }
    uint64_t BytesWritten() const { return workbook ? workbook->BytesWritten() : output->BytesWritten(); }
    uint64_t TextsCut() const { return workbook ? workbook->CutSinceMark() : 0; }
    // What the output changed of the input's cells since MarkInputStart.
    void NoteWarnings(const std::string& inputName, std::vector<std::string>& warnings) const {
        if (!workbook || workbook->CutSinceMark() == 0) return;
        const uint64_t cut = workbook->CutSinceMark();
        warnings.push_back(inputName + ": " + GroupedNumber(cut) + (cut == 1 ? " text was" : " texts were") +
                           " longer than " + GroupedNumber(workbook::kMaxCellText) +
                           " characters, the most a workbook cell holds, and cut to fit");
    }

    // The output learns the columns only once rows come, from the table made after it.
    struct Columns final : ColumnSource {
        const JsonTable* table = nullptr;
        uint32_t ColumnCount() const override { return table->Rows().ColumnCount(); }
        std::string HeaderLine() const override { return table->Rows().HeaderLine(); }
        std::vector<std::string> HeaderNames() const override { return table->Rows().HeaderNames(); }
    };
    Columns columns;
    std::unique_ptr<CsvOutput> output;         // or
    std::unique_ptr<WorkbookOutput> workbook;  // or
    RowCollector* collector = nullptr;         // declared before the table, which writes to them
    std::unique_ptr<JsonTable> table;
};

// One input's JSON text read into a table: the input's own reader and feeder, and with bad
// lines skipped its line filter. The table's, the output's and the rejects' state at its start
// is kept, to go back to when it turns out unreadable.
class InputReading {
public:
    InputReading(CsvTable& csv, const ExportSettings& settings, RejectsFile* rejects, TextWatcher* watcher = nullptr)
        : csv_(csv), reader_(csv.table->NewReader(kReaderOptions)), rejects_(rejects), watcher_(watcher) {
        csv_.table->MarkTextStart();
        csv_.MarkInputStart();
        if (settings.skipBadLines) lines_.emplace(feeder_, rejects_);
        if (rejects_) rejects_->MarkInputStart();
    }
    void Feed(const DecodedPiece& piece, const LineVerdicts* verdicts) {
        if (piece.textSize == 0) return;
        hasText_ = true;
        if (watcher_) watcher_->Feed(piece.data, piece.textSize);  // first: the feeder may change the piece
        if (lines_)
            lines_->Feed(piece.data, piece.textSize, verdicts);
        else
            feeder_.Feed(TextPiece{piece.data, piece.textSize, piece.breaksBefore});
    }
    // The input has been read whole: where JSON reading stopped, if it did, and what it lacked.
    void Finish(const InputEvent& end, InputOutcome& outcome) {
        if (lines_) {
            lines_->Finish();
            outcome.skipped = lines_->Skipped();
        }
        feeder_.Finish(lines_ ? lines_->LineBreaks() : end.breaksAtEnd, end.cutByZero);
        const TextPlace& place = feeder_.StopPlace();
        if (reader_->Stop() != StopReason::None)
            outcome.stop = ReadingStop{place.line, place.column, place.context, reader_->Stop()};
        else if (end.cutByZero)
            outcome.stop = ReadingStop{place.line, place.column, place.context, StopReason::ZeroByte};
        outcome.warnings = csv_.table->TextWarnings(outcome.name);
        csv_.NoteWarnings(outcome.name, outcome.warnings);
        outcome.textsCut = csv_.TextsCut();
    }
    bool HasText() const { return hasText_; }
    // The reading ends within the input: what its part read so far gave.
    void NoteSoFar(InputOutcome& outcome) const {
        if (lines_) outcome.skipped = lines_->Skipped();
        const TextPlace& place = feeder_.StopPlace();
        if (reader_->Stop() != StopReason::None)
            outcome.stop = ReadingStop{place.line, place.column, place.context, reader_->Stop()};
        outcome.warnings = csv_.table->TextWarnings(outcome.name);
    }
    void TakeBack() {
        csv_.table->TakeBackText();
        csv_.TakeBackToMark();
        TakeBackRejects();
    }
    void TakeBackRejects() {
        if (rejects_) rejects_->TakeBackToMark();
    }

private:
    static constexpr ReaderOptions kReaderOptions{true, true, true};

    CsvTable& csv_;
    std::unique_ptr<PieceReader> reader_;
    TextFeeder feeder_{*reader_, true};
    RejectsFile* rejects_;
    TextWatcher* watcher_;
    std::optional<JsonLinesFilter> lines_;
    bool hasText_ = false;
};

// The file of skipped lines, when one is wanted; created at once, so that a file that cannot be
// written fails before any work.
std::unique_ptr<RejectsFile> OpenRejects(const ExportSettings& settings) {
    if (!settings.skipBadLines || settings.rejectsPath.empty()) return nullptr;
    return std::make_unique<RejectsFile>(settings.rejectsPath);
}

DecodeSettings DecodeSettingsOf(const ExportSettings& settings) {
    return DecodeSettings{settings.encoding, settings.ansi, settings.pieceSize};
}

std::vector<InputOrigin> OriginsOf(const std::vector<ExportInput>& inputs) {
    std::vector<InputOrigin> origins;
    for (const ExportInput& input : inputs) origins.push_back(input.origin);
    return origins;
}

uint64_t KnownSize(const ExportInput& input) {
    if (input.origin.kind == InputOrigin::Kind::Memory) return input.origin.bytes.size();
    if (input.origin.kind != InputOrigin::Kind::File) return 0;
    std::error_code error;
    const auto size = std::filesystem::file_size(NativePath(input.origin.path), error);
    return error ? 0 : static_cast<uint64_t>(size);
}

// Follows the events of a run for progress reports and the summary.
class ProgressTracker {
public:
    ProgressTracker(const std::vector<ExportInput>& inputs, ExportProgress::Phase phase, ExportControl* control)
        : inputs_(inputs), control_(control), started_(std::chrono::steady_clock::now()) {
        progress_.phase = phase;
        progress_.fileCount = inputs.size();
        for (const ExportInput& input : inputs) {
            const uint64_t size = KnownSize(input);
            if (size == 0 && input.origin.kind == InputOrigin::Kind::StandardInput) unknownTotal_ = true;
            progress_.bytesTotal += size;
        }
        if (unknownTotal_) progress_.bytesTotal = 0;
    }

    bool Cancelled() const { return control_ && control_->Cancelled(); }

    void Start(const InputEvent& event) {
        progress_.fileIndex = event.input;
        progress_.name = inputs_[event.input].name;
        progress_.fileBytes = event.sizeHint;
        progress_.fileBytesDone = 0;
        Report();
    }
    void Advance(uint64_t fileBytesDone) {
        progress_.bytesDone += fileBytesDone - progress_.fileBytesDone;
        progress_.fileBytesDone = fileBytesDone;
        Report();
    }
    void InputDone(const InputOutcome& outcome) {
        if (control_ && control_->onInputDone) control_->onInputDone(outcome);
    }
    uint64_t BytesDone() const { return progress_.bytesDone; }
    double Seconds() const {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - started_).count();
    }

private:
    void Report() {
        if (control_ && control_->onProgress) control_->onProgress(progress_);
    }

    const std::vector<ExportInput>& inputs_;
    ExportControl* control_;
    ExportProgress progress_;
    bool unknownTotal_ = false;
    std::chrono::steady_clock::time_point started_;
};

InputOutcome OutcomeOf(const ExportInput& input, size_t index) {
    InputOutcome outcome;
    outcome.index = index;
    outcome.name = input.name;
    return outcome;
}

void NoteEnd(const InputEvent& event, InputOutcome& outcome) {
    outcome.readable = !event.failed;
    outcome.error = event.error;
    outcome.hasLine = !event.failed && event.hasLine;
}

// Reads every input into the readings `destination` gives out: `Begin(input)` returns the
// reading for an input's text, `End(event, outcome)` settles the output once the input is read
// whole or turns out unreadable. Stops early when cancelled.
template <typename Destination>
void ReadInputs(const std::vector<ExportInput>& inputs, const ExportSettings& settings, Destination& destination,
                ProgressTracker& progress, ExportSummary& summary) {
    InputPipeline pipeline(OriginsOf(inputs), DecodeSettingsOf(settings), settings.readAhead, settings.skipBadLines);
    InputReading* reading = nullptr;
    for (;;) {
        if (progress.Cancelled()) {
            summary.cancelled = true;
            break;
        }
        if constexpr (requires { destination.Enough(); }) {
            if (destination.Enough()) break;  // within an input, or between two
        }
        const InputEvent& event = pipeline.Next();
        if (event.kind == InputEvent::Kind::Finished) break;
        switch (event.kind) {
        case InputEvent::Kind::Start:
            reading = &destination.Begin(event.input);
            progress.Start(event);
            break;
        case InputEvent::Kind::Text:
            reading->Feed(event.piece, event.lines);
            progress.Advance(event.piece.rawBytes);
            break;
        default: {
            InputOutcome outcome = OutcomeOf(inputs[event.input], event.input);
            NoteEnd(event, outcome);
            destination.End(event, outcome);
            reading = nullptr;
            progress.Advance(event.rawBytes);
            summary.anyLine |= outcome.hasLine;
            progress.InputDone(outcome);
            summary.inputs.push_back(std::move(outcome));
            break;
        }
        }
    }
    summary.bytesRead = progress.BytesDone();
}

// The warnings about the columns chosen, once the table is complete; false when its header
// cannot be written (two columns would share a name), which writes nothing.
bool NoteColumns(const TableRows& rows, const ExportSettings& settings, ExportSummary& summary) {
    for (const std::string& name : rows.MissingColumns())
        summary.warnings.push_back("the column \"" + name + "\" never appears; it is written empty");
    for (const std::string& name : rows.UnusedRenames())
        summary.warnings.push_back("the column \"" + name + "\" to rename never appears");
    if (const std::string clash = rows.HeaderClash(); !clash.empty()) {
        summary.failure = "two columns would both be called \"" + clash + "\"; nothing was written";
        return false;
    }
    if (settings.format == OutputFormat::Workbook && rows.ColumnCount() > workbook::kMaxSheetColumns) {
        summary.failure = "the table has " + GroupedNumber(rows.ColumnCount()) + " columns, more than the " +
                          GroupedNumber(workbook::kMaxSheetColumns) + " a workbook sheet holds; nothing was written";
        summary.tooManyColumns = true;
        return false;
    }
    return true;
}

// All inputs into one table; an unreadable input is taken back out of it.
class OneCsvDestination {
public:
    OneCsvDestination(CsvTarget target, const ExportSettings& settings, RejectsFile* rejects)
        : settings_(settings), rejects_(rejects), csv_(std::move(target), settings) {}

    CsvTable& Csv() { return csv_; }

    InputReading& Begin(size_t) {
        reading_ = std::make_unique<InputReading>(csv_, settings_, rejects_);
        return *reading_;
    }
    void End(const InputEvent& event, InputOutcome& outcome) {
        if (event.failed)
            reading_->TakeBack();
        else
            reading_->Finish(event, outcome);
        reading_.reset();
    }

private:
    const ExportSettings& settings_;
    RejectsFile* rejects_;
    CsvTable csv_;
    std::unique_ptr<InputReading> reading_;
};

// All inputs into one table whose rows a collector keeps, until it has enough: the single-file
// export without its output.
class RowsDestination {
public:
    RowsDestination(const ExportSettings& settings, RowCollector& rows, TextWatcher* watcher)
        : settings_(settings), rows_(rows), watcher_(watcher), csv_(rows, settings) {}

    CsvTable& Csv() { return csv_; }

    InputReading& Begin(size_t input) {
        input_ = input;
        reading_ = std::make_unique<InputReading>(csv_, settings_, nullptr, watcher_);
        if (watcher_) watcher_->BeginText(input);
        return *reading_;
    }
    void End(const InputEvent& event, InputOutcome& outcome) {
        if (event.failed) {
            reading_->TakeBack();
            if (watcher_) watcher_->TakeBackText();
        } else {
            reading_->Finish(event, outcome);
            NoteLeftOut();
            if (watcher_) watcher_->EndText(true);
        }
        reading_.reset();
    }
    bool Enough() const { return rows_.Enough(); }
    // The reading stopped within an input (enough rows, or cancelled): `outcome` gets what its part
    // read gave. False when it stopped between two inputs.
    bool LeaveInput(const std::vector<ExportInput>& inputs, InputOutcome& outcome) {
        if (!reading_) return false;
        outcome = OutcomeOf(inputs[input_], input_);
        reading_->NoteSoFar(outcome);
        outcome.hasLine = reading_->HasText();
        NoteLeftOut();
        reading_.reset();
        if (watcher_) watcher_->EndText(false);
        return true;
    }
    const std::vector<std::pair<JsonPath, uint64_t>>& LeftOut() const { return leftOut_; }

private:
    void NoteLeftOut() {
        for (const auto& [path, count] : csv_.table->LeftOutRecords()) {
            const auto known = std::find_if(leftOut_.begin(), leftOut_.end(),
                                            [&path = path](const auto& entry) { return entry.first == path; });
            if (known == leftOut_.end())
                leftOut_.emplace_back(path, count);
            else
                known->second += count;
        }
    }

    const ExportSettings& settings_;
    RowCollector& rows_;
    TextWatcher* watcher_;
    CsvTable csv_;
    size_t input_ = 0;
    std::unique_ptr<InputReading> reading_;
    std::vector<std::pair<JsonPath, uint64_t>> leftOut_;
};

// Writing over an input would destroy it: refused before anything is read.
void RefuseInputAsOutput(const std::vector<ExportInput>& inputs, const std::string& path) {
    if (const ExportInput* input = InputAtPath(inputs, path))
        throw FileError("Cannot create file \"" + path + "\". It is the input file \"" + input->origin.path +
                        "\", which would be lost.");
}

ExportSummary ConvertToOne(const std::vector<ExportInput>& inputs, CsvTarget target, const ExportSettings& settings,
                           ExportControl* control) {
    if (target.kind == CsvTarget::Kind::ReplaceFile) RefuseInputAsOutput(inputs, target.path);
    if (!settings.rejectsPath.empty()) RefuseInputAsOutput(inputs, settings.rejectsPath);
    ExportSummary summary;
    const bool toStream = target.kind == CsvTarget::Kind::Stream;
    ProgressTracker progress(inputs, ExportProgress::Phase::Converting, control);
    // The outputs first: a target that cannot be written fails before anything is read.
    const std::unique_ptr<RejectsFile> rejects = OpenRejects(settings);
    OneCsvDestination destination(std::move(target), settings, rejects.get());
    ReadInputs(inputs, settings, destination, progress, summary);
    if (!summary.cancelled && summary.anyLine) {
        CsvTable& csv = destination.Csv();
        csv.table->Finish();
        if (NoteColumns(csv.table->Rows(), settings, summary)) {
            const bool written = !csv.Finish([&progress] { return progress.Cancelled(); }).empty() || toStream;
            summary.cancelled = !written;
        }
        if (!summary.cancelled && summary.failure.empty()) {
            if (settings.csv.shape.countColumns) summary.columnSummary = csv.table->Rows().ColumnSummary();
            summary.rows = csv.table->Rows().RowCount();
            summary.columns = csv.table->Rows().ColumnCount();
            summary.bytesWritten = csv.BytesWritten();
            summary.filesWritten = toStream ? 0 : 1;
        }
    }
    if (rejects && !summary.cancelled) rejects->Commit();
    summary.seconds = progress.Seconds();
    return summary;
}

std::string PerFileBaseName(const ExportInput& input) {
    return input.origin.kind == InputOrigin::Kind::StandardInput ? std::string("stdin") : input.name;
}

// Each input into a CSV of its own next to the others in `folder`; an unreadable input's
// temporary file is dropped.
class EachCsvDestination {
public:
    EachCsvDestination(const std::vector<ExportInput>& inputs, const std::string& folder,
                       const ExportSettings& settings, RejectsFile* rejects, ExportSummary& summary,
                       const ProgressTracker& progress)
        : inputs_(inputs),
          folder_(folder),
          settings_(settings),
          rejects_(rejects),
          summary_(summary),
          progress_(progress) {}

    InputReading& Begin(size_t input) {
        const std::string name = CsvNameInFolder(folder_, PerFileBaseName(inputs_[input]),
                                                 settings_.format == OutputFormat::Workbook ? ".xlsx" : ".csv");
        CsvTarget target;
        target.kind = CsvTarget::Kind::NewFile;
        target.path = UniqueFileName(name);
        target.nextFreeName = [name] { return UniqueFileName(name); };
        csv_ = std::make_unique<CsvTable>(std::move(target), settings_);
        reading_ = std::make_unique<InputReading>(*csv_, settings_, rejects_);
        return *reading_;
    }
    void End(const InputEvent& event, InputOutcome& outcome) {
        if (event.failed) reading_->TakeBackRejects();
        if (!event.failed) {
            reading_->Finish(event, outcome);
            reading_.reset();
            csv_->table->Finish();
            if (!NoteColumns(csv_->table->Rows(), settings_, summary_)) {
                outcome.error = summary_.failure;
                csv_.reset();
                return;
            }
            outcome.outputPath = csv_->Finish([this] { return progress_.Cancelled(); });
            if (outcome.outputPath.empty()) {  // cancelled while the workbook was written
                csv_.reset();
                return;
            }
            outcome.rows = csv_->table->Rows().RowCount();
            summary_.rows += outcome.rows;
            summary_.columns = std::max(summary_.columns, csv_->table->Rows().ColumnCount());
            summary_.bytesWritten += csv_->BytesWritten();
            ++summary_.filesWritten;
        }
        reading_.reset();
        csv_.reset();
    }

private:
    const std::vector<ExportInput>& inputs_;
    const std::string& folder_;
    const ExportSettings& settings_;
    RejectsFile* rejects_;
    ExportSummary& summary_;
    const ProgressTracker& progress_;
    std::unique_ptr<CsvTable> csv_;
    std::unique_ptr<InputReading> reading_;
};

}  // namespace

ExportInput ExportInput::File(std::string path) {
    ExportInput input;
    input.origin.kind = InputOrigin::Kind::File;
    input.origin.path = path;
    input.name = std::move(path);
    return input;
}

ExportInput ExportInput::StandardInput() {
    ExportInput input;
    input.origin.kind = InputOrigin::Kind::StandardInput;
    input.name = "-";
    return input;
}

ExportInput ExportInput::Memory(std::string name, std::string_view bytes) {
    ExportInput input;
    input.origin.kind = InputOrigin::Kind::Memory;
    input.origin.bytes = bytes;
    input.name = std::move(name);
    return input;
}

InputCheck CheckInput(const ExportInput& input, const ExportSettings& settings, ExportControl* control) {
    InputCheck check;
    const std::vector<ExportInput> inputs{input};
    ProgressTracker progress(inputs, ExportProgress::Phase::Checking, control);
    InputPipeline pipeline(OriginsOf(inputs), DecodeSettingsOf(settings), false);
    for (;;) {
        if (progress.Cancelled()) {
            check.cancelled = true;
            return check;
        }
        const InputEvent& event = pipeline.Next();
        if (event.kind == InputEvent::Kind::Start) {
            progress.Start(event);
        } else if (event.kind == InputEvent::Kind::Text) {
            progress.Advance(event.piece.rawBytes);
        } else if (event.kind == InputEvent::Kind::End) {
            check.readable = !event.failed;
            check.error = event.error;
            check.hasLine = check.readable && event.hasLine;
            return check;
        }
    }
}

ExportSummary ExportToOneCsv(const std::vector<ExportInput>& inputs, const std::string& outputPath,
                             const ExportSettings& settings, ExportControl* control) {
    CsvTarget target;
    target.kind = CsvTarget::Kind::ReplaceFile;
    target.path = outputPath;
    return ConvertToOne(inputs, std::move(target), settings, control);
}

ExportSummary ExportToOneCsv(const std::vector<ExportInput>& inputs, ByteSink& output, const ExportSettings& settings,
                             ExportControl* control) {
    CsvTarget target;
    target.kind = CsvTarget::Kind::Stream;
    target.stream = &output;
    return ConvertToOne(inputs, std::move(target), settings, control);
}

const ExportInput* InputAtPath(const std::vector<ExportInput>& inputs, const std::string& path) {
    for (const ExportInput& input : inputs)
        if (input.origin.kind == InputOrigin::Kind::File && file_system::SameFile(input.origin.path, path))
            return &input;
    return nullptr;
}

RowsReading ReadIntoRows(const std::vector<ExportInput>& inputs, const ExportSettings& settings, RowCollector& rows,
                         TextWatcher* watcher, ExportControl* control) {
    ExportSettings reading = settings;
    reading.rejectsPath.clear();  // nothing is written
    ExportSummary summary;
    ProgressTracker progress(inputs, ExportProgress::Phase::Converting, control);
    RowsDestination destination(reading, rows, watcher);
    ReadInputs(inputs, reading, destination, progress, summary);
    InputOutcome partOfInput;
    const bool withinInput = destination.LeaveInput(inputs, partOfInput);
    if (withinInput) {
        summary.anyLine |= partOfInput.hasLine;
        summary.inputs.push_back(std::move(partOfInput));
    }
    RowsReading result;
    result.cancelled = summary.cancelled;
    result.ended = !summary.cancelled && !withinInput && summary.inputs.size() == inputs.size();
    result.anyLine = summary.anyLine;
    result.bytesRead = summary.bytesRead;
    result.inputs = std::move(summary.inputs);
    JsonTable& table = *destination.Csv().table;
    if (result.ended && result.anyLine) table.Finish();
    ExportSummary columns;
    NoteColumns(table.Rows(), reading, columns);
    result.warnings = std::move(columns.warnings);
    result.failure = std::move(columns.failure);
    result.header = table.Rows().HeaderNames();
    result.columnNames = table.Rows().ColumnNames();
    result.leftOut = destination.LeftOut();
    return result;
}

ExportSummary ExportEachToCsv(const std::vector<ExportInput>& inputs, const std::string& folder,
                              const ExportSettings& settings, ExportControl* control) {
    if (!settings.rejectsPath.empty()) RefuseInputAsOutput(inputs, settings.rejectsPath);
    ExportSummary summary;
    ProgressTracker progress(inputs, ExportProgress::Phase::Converting, control);
    const std::unique_ptr<RejectsFile> rejects = OpenRejects(settings);
    EachCsvDestination destination(inputs, folder, settings, rejects.get(), summary, progress);
    ReadInputs(inputs, settings, destination, progress, summary);
    if (rejects && !summary.cancelled) rejects->Commit();
    summary.seconds = progress.Seconds();
    return summary;
}

std::string ReadingStoppedMessage(std::string_view name, const ReadingStop& stop) {
    std::string reason = "unreadable JSON";
    switch (stop.reason) {
    case StopReason::UnexpectedEnd: reason = "the text ends inside a JSON value"; break;
    case StopReason::NestingTooDeep:
        reason = "JSON nested more than " + GroupedNumber(kMaxNestingDepth) + " levels deep";
        break;
    case StopReason::ZeroByte: reason = "a zero byte ends the text"; break;
    default: break;
    }
    std::string message = std::string(name) + ": reading stopped at line " + GroupedNumber(stop.line) + ", column " +
                          GroupedNumber(stop.column) + ", " + reason;
    if (!stop.context.empty()) message += ": " + WithControlsEscaped(stop.context);
    return message;
}

}  // namespace tabulora
