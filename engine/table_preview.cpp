#include "engine/table_preview.h"

#include <algorithm>

#include "engine/csv_writer.h"
#include "engine/export_reading.h"
#include "engine/records_finder.h"
#include "engine/workbook_cells.h"

namespace tabulora {
namespace {

// Bytes read at a time for a preview: a first screen needs little of a big input.
constexpr size_t kPreviewPieceSize = 256 * 1024;

// Counts the text on its way to the records finder.
class TextCounter final : public TextWatcher {
public:
    explicit TextCounter(TextWatcher& next) : next_(next) {}
    void BeginText(size_t input) override { next_.BeginText(input); }
    void Feed(const char* data, size_t size) override {
        bytes_ += size;
        next_.Feed(data, size);
    }
    void EndText(bool whole) override { next_.EndText(whole); }
    void TakeBackText() override { next_.TakeBackText(); }
    uint64_t Bytes() const { return bytes_; }

private:
    TextWatcher& next_;
    uint64_t bytes_ = 0;
};

// Keeps the first rows as the output would write their fields: in a CSV with the formula guard's
// apostrophe, in a workbook cut to what a cell holds. One row more than wanted ends the reading,
// so that a table of exactly `maxRows` rows is known to be complete.
class PreviewRows final : public RowCollector {
public:
    // `text` counts the text read, which ends the reading at `textLimit` bytes.
    PreviewRows(const ExportSettings& settings, size_t maxRows, const TextCounter& text, uint64_t textLimit)
        : maxRows_(maxRows),
          text_(text),
          textLimit_(textLimit),
          workbook_(settings.format == OutputFormat::Workbook),
          formulaGuard_(settings.csv.formulaGuard && !workbook_) {}

    void WriteRow(const std::vector<CellValue>& cells) override {
        if (rows_.size() >= maxRows_) {
            more_ = true;
            return;
        }
        std::vector<std::string>& row = rows_.emplace_back();
        row.reserve(cells.size());
        for (const CellValue& cell : cells) {
            if (formulaGuard_ && CsvFieldWriter::LooksLikeFormula(cell.text))
                row.push_back("'" + std::string(cell.text));
            else if (workbook_)
                row.emplace_back(cell.text.substr(0, workbook::CellTextFit(cell.text)));
            else
                row.emplace_back(cell.text);
        }
    }
    void MarkInputStart() override { mark_ = rows_.size(); }
    void TakeBackToMark() override {
        rows_.resize(mark_);
        more_ = false;
    }
    bool Enough() const override { return more_ || TextLimitReached(); }
    bool TextLimitReached() const { return text_.Bytes() >= textLimit_; }

    std::vector<std::vector<std::string>>& Rows() { return rows_; }
    bool More() const { return more_; }

private:
    const size_t maxRows_;
    const TextCounter& text_;
    const uint64_t textLimit_;
    const bool workbook_;
    const bool formulaGuard_;
    std::vector<std::vector<std::string>> rows_;
    bool more_ = false;  // a row beyond maxRows_ came
    size_t mark_ = 0;
};

// Every warning of the inputs' outcomes, then those about the columns.
std::vector<std::string> WarningsOf(const std::vector<InputOutcome>& inputs, const std::vector<std::string>& columns,
                                    const std::string& failure) {
    std::vector<std::string> warnings;
    for (const InputOutcome& input : inputs) {
        if (input.skipped.count > 0) warnings.push_back(SkippedLinesMessage(input.name, input.skipped));
        warnings.insert(warnings.end(), input.warnings.begin(), input.warnings.end());
    }
    warnings.insert(warnings.end(), columns.begin(), columns.end());
    if (!failure.empty()) warnings.push_back(failure);
    return warnings;
}

}  // namespace

TablePreview PreviewTable(const std::vector<ExportInput>& inputs, const ExportSettings& settings, size_t maxRows,
                          ExportControl* control, uint64_t textLimit) {
    ExportSettings reading = settings;
    reading.pieceSize = std::min(settings.pieceSize, kPreviewPieceSize);
    reading.csv.shape.countColumns = false;
    RecordsFinder finder(settings.csv.shape.records.value_or(JsonPath{}), settings.skipBadLines);
    TextCounter text(finder);
    PreviewRows rows(reading, maxRows, text, textLimit);
    RowsReading read = ReadIntoRows(inputs, reading, rows, &text, control);

    TablePreview preview;
    preview.header = std::move(read.header);
    preview.columnNames = std::move(read.columnNames);
    preview.rows = std::move(rows.Rows());
    preview.complete = read.ended && !rows.More();
    preview.records = finder.Records();
    preview.arrays = finder.Arrays();
    for (auto& [path, count] : read.leftOut) preview.leftOut.push_back(RecordsChoice{std::move(path), count});
    preview.warnings = WarningsOf(read.inputs, read.warnings, read.failure);
    preview.inputs = std::move(read.inputs);
    preview.cancelled = read.cancelled;
    preview.textLimitReached = !read.ended && !read.cancelled && !rows.More() && rows.TextLimitReached();
    preview.bytesRead = read.bytesRead;
    return preview;
}

ColumnScan FindAllColumns(const std::vector<ExportInput>& inputs, const ExportSettings& settings,
                          ExportControl* control) {
    ExportSettings scan = settings;
    scan.format = OutputFormat::Csv;  // the same columns, without building a workbook
    scan.rejectsPath.clear();         // nothing is written
    scan.csv.shape.countColumns = true;
    DiscardedOutput discarded;
    ExportSummary summary = ExportToOneCsv(inputs, discarded, scan, control);
    ColumnScan result;
    result.columns = std::move(summary.columnSummary);
    result.cancelled = summary.cancelled;
    std::vector<std::string> columnWarnings = std::move(summary.warnings);
    result.warnings = WarningsOf(summary.inputs, columnWarnings, summary.failure);
    result.inputs = std::move(summary.inputs);
    return result;
}

}  // namespace tabulora
