#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/csv_export.h"

namespace tabulora {

// Where the single-file export writes, and what: the type picked in the save dialog decides.
struct OutputChoice {
    std::string path;
    OutputFormat format = OutputFormat::Csv;
};

// What an export asks of the window while it runs on its worker thread. The calls that wait for
// the user return once the window thread has shown the box or dialog.
class ExportHost {
public:
    virtual ~ExportHost() = default;
    // Where the export stands; `eachFile` in the multiple-files export. Never waits.
    virtual void Progress(const ExportProgress& progress, bool eachFile) = 0;
    // "File load error!" for one input; waits until the box is closed.
    virtual void ReportUnreadableFile(const std::string& path) = 0;
    // The save dialog; empty when the user cancels it.
    virtual std::optional<OutputChoice> ChooseOutputFile() = 0;
};

struct ExportResult {
    enum class Outcome {
        Saved,            // the CSV file (or the folder of CSV files) is written
        NothingToExport,  // no input holds a line: "The file is empty!"
        NoOutputChosen,   // the save dialog was cancelled
        Cancelled,        // the user stopped the export
        Failed,           // the output could not be written; `error` says what and where
    };
    Outcome outcome = Outcome::Saved;
    bool eachFile = false;  // the multiple-files export
    std::string target;     // the CSV file, or the folder of the multiple-files export
    std::string error;
    // The multiple-files export: each input read whose output could not be written (a workbook
    // with more columns than a sheet holds), what and where; the others are written all the same.
    std::vector<std::string> notWritten;
    uint64_t rows = 0;
    uint32_t columns = 0;  // of the single CSV
    size_t filesWritten = 0;
    double seconds = 0;
    // Inputs whose JSON could not be read to the end, or whose texts were cut to fit a workbook.
    std::vector<std::string> warnings;
    // Every CSV file the export completed, in order; also those that a multiple-files export
    // finished before it was cancelled or failed.
    std::vector<std::string> writtenFiles;
};

// One CSV of all inputs (or a workbook, as chosen with the output). Every input is checked first
// (an unreadable one is reported and left out), then the output is chosen, then the conversion
// streams.
ExportResult ExportToSingleFile(const std::vector<std::string>& inputs, const ExportSettings& settings,
                                ExportHost& host, ExportControl& control);

// One CSV (or workbook, `settings.format`) per input in `folder`, each under a free name; an unreadable input is
// reported and gets no CSV. Files finished before a cancel or a failure stay.
ExportResult ExportEachFileToFolder(const std::vector<std::string>& inputs, const std::string& folder,
                                    const ExportSettings& settings, ExportHost& host, ExportControl& control);

}  // namespace tabulora
