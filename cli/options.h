#pragma once
#include <string>
#include <vector>

#include "cli/output_format.h"
#include "engine/conversion.h"
#include "engine/text_codec.h"

namespace tabulora::cli {

struct Options {
    CsvOptions csv;
    TextEncoding encoding = TextEncoding::Utf8;
    std::string outputFile;           // -o: one CSV of all inputs
    std::string outputFolder;         // --output-dir: one CSV per input
    std::vector<std::string> inputs;  // "-" is the standard input
    bool skipBadLines = false;        // read inputs as JSON Lines, skipping the lines that are no JSON value
    std::string rejectsFile;          // --rejects: where the skipped lines go
    bool quiet = false;
    bool schema = false;  // the columns and what they hold instead of the CSV
    bool help = false;
    bool version = false;
    OutputChoice output;  // CSV or workbook (cli/output_format.h)
};

struct ParseResult {
    Options options;
    std::string error;  // a usage error when not empty
};

// Parses the arguments after the program name (UTF-8).
ParseResult ParseArguments(const std::vector<std::string>& args);

// A value as a usage error quotes it: in single quotes, cut after 80 characters.
std::string QuotedValue(const std::string& value);

extern const char* const kUsage;

}  // namespace tabulora::cli
