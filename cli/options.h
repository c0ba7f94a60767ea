#pragma once
#include <string>
#include <vector>

#include "cli/output_format.h"
#include "engine/recipe.h"

namespace tabulora::cli {

struct Options {
    // How inputs are read and the table made: the --recipe file's, the command line's over it.
    RecipeSettings settings;
    std::string saveRecipeFile;       // --save-recipe: write the settings there instead of converting
    std::string outputFile;           // -o: one CSV of all inputs
    std::string outputFolder;         // --output-dir: one CSV per input
    std::vector<std::string> inputs;  // "-" is the standard input
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

// Parses the arguments after the program name (UTF-8) and reads the --recipe file, if any.
ParseResult ParseArguments(const std::vector<std::string>& args);

// A value as a usage error quotes it: in single quotes, cut after 80 characters.
std::string QuotedValue(const std::string& value);

extern const char* const kUsage;

}  // namespace tabulora::cli
