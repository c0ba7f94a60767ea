#include "cli/options.h"

namespace tabulora::cli {
namespace {

size_t CountCharacters(const std::string& utf8) {
    size_t count = 0;
    for (const char c : utf8) count += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return count;
}

ParseResult Fail(ParseResult& result, std::string message) {
    result.error = std::move(message);
    return result;
}

}  // namespace

const char* const kUsage =
    "Usage: tabulora-cli [--no-header] [--separator S] [--encoding utf-8|ansi]\n"
    "                    [-o FILE | --output-dir DIR] FILE...\n"
    "\n"
    "Converts JSON files to CSV. Without -o or --output-dir, one CSV of all inputs is written\n"
    "to standard output.\n"
    "\n"
    "  --no-header         leave out the column header line\n"
    "  --separator S       field separator: one character, \\t or tab for TAB, \"\" for none\n"
    "                      (default: ,)\n"
    "  --encoding E        utf-8 (default) or ansi: how inputs are read and the CSV is written;\n"
    "                      a byte-order mark in an input overrides it\n"
    "  -o FILE             write one CSV of all inputs to FILE\n"
    "  --output-dir DIR    write one CSV per input into DIR, named after the input\n"
    "  --help              show this help\n"
    "  --version           show the version\n";

ParseResult ParseArguments(const std::vector<std::string>& args) {
    ParseResult result;
    Options& options = result.options;
    bool optionsEnded = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.empty() || arg[0] != '-' || arg == "-") {
            options.inputs.push_back(arg);
            continue;
        }
        std::string name = arg, value;
        bool hasValue = false;
        if (const size_t equals = arg.find('='); arg.rfind("--", 0) == 0 && equals != std::string::npos) {
            name = arg.substr(0, equals);
            value = arg.substr(equals + 1);
            hasValue = true;
        }
        auto takeValue = [&]() -> bool {
            if (hasValue) return true;
            if (i + 1 >= args.size()) {
                Fail(result, "option " + name + " needs a value");
                return false;
            }
            value = args[++i];
            return true;
        };
        if (name == "--") {
            optionsEnded = true;
        } else if (name == "--help" || name == "-h") {
            options.help = true;
        } else if (name == "--version") {
            options.version = true;
        } else if (name == "--no-header") {
            options.csv.includeHeader = false;
        } else if (name == "--separator") {
            if (!takeValue()) return result;
            if (value == "\\t" || value == "tab")
                options.csv.separator = "\t";
            else if (CountCharacters(value) <= 1)
                options.csv.separator = value;
            else
                return Fail(result, "the separator must be one character, \\t, tab or empty: " + value);
        } else if (name == "--encoding") {
            if (!takeValue()) return result;
            if (value == "utf-8" || value == "utf8" || value == "UTF-8")
                options.encoding = TextEncoding::Utf8;
            else if (value == "ansi" || value == "ANSI")
                options.encoding = TextEncoding::Ansi;
            else
                return Fail(result, "unknown encoding " + value + " (use utf-8 or ansi)");
        } else if (name == "-o" || name == "--output") {
            if (!takeValue()) return result;
            options.outputFile = value;
        } else if (name == "--output-dir") {
            if (!takeValue()) return result;
            options.outputFolder = value;
        } else {
            return Fail(result, "unknown option " + arg);
        }
    }
    if (options.help || options.version) return result;
    if (!options.outputFile.empty() && !options.outputFolder.empty())
        result.error = "-o and --output-dir cannot be used together";
    else if (options.inputs.empty())
        result.error = "no input files";
    return result;
}

}  // namespace tabulora::cli
