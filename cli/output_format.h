#pragma once
// The CLI's choice between CSV and workbook output: --format, -o NAME.xlsx and --dates.
#include <string>
#include <vector>

#include "engine/csv_export.h"

namespace tabulora::cli {

struct Options;

struct OutputChoice {
    std::string formatName;                   // --format as given: "csv", "xlsx", or "" (chosen by -o's extension)
    bool dates = false;                       // --dates
    OutputFormat format = OutputFormat::Csv;  // settled by SettleOutputFormat
    std::vector<std::string> notes;           // warnings about options that do not apply
};

// --format and --dates.
bool IsOutputFormatOption(const std::string& name);
// Reads one of them (`value` is --format's value); returns a usage error, or "".
std::string ReadOutputFormatOption(const std::string& name, bool hasValue, const std::string& value,
                                   OutputChoice& choice);

// Once all arguments are read: the format (--format, else xlsx for -o NAME.xlsx, else CSV), and a
// usage error when the choices do not go together (a workbook to standard output, --dates
// without a workbook); notes for the CSV-only options that a workbook ignores.
std::string SettleOutputFormat(Options& options);

}  // namespace tabulora::cli
