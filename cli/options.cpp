#include "cli/options.h"

#include "engine/utf.h"

namespace tabulora::cli {
namespace {

constexpr size_t kQuotedCharacters = 80;

size_t CountCharacters(const std::string& utf8) {
    size_t count = 0;
    for (const char c : utf8) count += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return count;
}

ParseResult Fail(ParseResult& result, std::string message) {
    result.error = std::move(message);
    return result;
}

// Splits `text` at each `separator` that no backslash stands before; "\<separator>" and "\\"
// stand for the separator and a backslash, any other backslash for itself.
std::vector<std::string> SplitEscaped(const std::string& text, char separator) {
    std::vector<std::string> parts(1);
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\\' && i + 1 < text.size() && (text[i + 1] == separator || text[i + 1] == '\\')) {
            parts.back() += text[++i];
        } else if (c == separator) {
            parts.emplace_back();
        } else {
            parts.back() += c;
        }
    }
    return parts;
}

}  // namespace

const char* const kUsage =
    "Usage: tabulora-cli [OPTION]... [--] FILE...\n"
    "\n"
    "Converts JSON files (JSON Lines and other concatenated values included) to CSV. Without\n"
    "-o or --output-dir, one CSV of all inputs is written to standard output. A FILE of - is\n"
    "standard input.\n"
    "\n"
    "  --no-header          leave out the column header line\n"
    "  --separator S        field separator: one character, \\t or tab for TAB, \"\" for none\n"
    "                       (default: ,)\n"
    "  --encoding E         utf-8 (default) or ansi: how inputs are read and the CSV is written;\n"
    "                       a byte-order mark in an input overrides it\n"
    "  --flatten            keep nested values: members of nested objects become columns\n"
    "                       named by their path (user.name), each array one cell of its\n"
    "                       compact JSON text ([\"a\",\"b\"])\n"
    "  --bom                start a UTF-8 CSV with a byte-order mark, for spreadsheet\n"
    "                       programs (ignored with --encoding ansi)\n"
    "  --formula-guard      put an apostrophe before cells and column names that begin\n"
    "                       with = + - @ (numbers excepted), so spreadsheets do not run them\n"
    "\n"
    "Shaping the table (a PATH is member names joined by \".\", \\. for a dot in a name):\n"
    "  --records PATH       the values at PATH are the records, one row each: an array gives\n"
    "                       its elements (--records data)\n"
    "  --explode PATH       one row per element of the array at PATH inside each record, the\n"
    "                       other cells repeated; repeatable, side by side (--explode items)\n"
    "  --join SEP           an array of plain values becomes one cell of its values joined by\n"
    "                       SEP (--join \";\"); with --explode or --join nested values are kept\n"
    "  --columns LIST       only these columns, in this order, comma-separated (\\, for a comma);\n"
    "                       one that never appears is written empty (--columns id,name,email)\n"
    "  --rename OLD=NEW     the header says NEW for the column OLD (\\= for \"=\"); repeatable\n"
    "                       (--rename items.sku=sku)\n"
    "  --schema             instead of the CSV, one line per column it would have: column,\n"
    "                       filled (rows not empty), types (string|number|boolean|null|object|array)\n"
    "\n"
    "JSON Lines with broken lines:\n"
    "  --skip-bad-lines     read each input as JSON Lines, one value per line, and skip the\n"
    "                       lines that are not exactly one valid JSON value (blank lines are\n"
    "                       ignored); a warning counts them and names the first lines\n"
    "  --rejects FILE       with --skip-bad-lines: write the skipped lines to FILE as they\n"
    "                       were (replaced only when complete)\n"
    "\n"
    "  -o, --output FILE    write one CSV of all inputs to FILE (replaced only when complete)\n"
    "  --output-dir DIR     write one CSV per input into DIR, named after the input; existing\n"
    "                       files are never replaced: data.csv, data (2).csv, ...\n"
    "  -q, --quiet          no progress line (it is shown on a terminal for long work)\n"
    "  -h, --help           show this help\n"
    "  --version            show the version\n"
    "  --                   end of options: every later argument is a FILE\n"
    "\n"
    "Excel workbooks:\n"
    "  --format F           csv (default) or xlsx: an Excel workbook with typed cells; -o\n"
    "                       NAME.xlsx chooses xlsx too. Strings stay text (01234, =1+2), numbers\n"
    "                       are numbers when Excel shows the same value (at most 15 significant\n"
    "                       digits), else text as written; true/false are booleans, null empty.\n"
    "                       A bold, frozen header row with a filter; beyond 1,048,576 rows the\n"
    "                       rows go on to sheets \"NAME (2)\", ...; a workbook needs -o or\n"
    "                       --output-dir (DIR/NAME.xlsx per input); separator, BOM and formula\n"
    "                       guard do not apply\n"
    "  --dates              with xlsx: strings that are exactly YYYY-MM-DD or YYYY-MM-DD\n"
    "                       hh:mm[:ss[.fff]] (T or a space between, Z at the end or not) become\n"
    "                       date cells\n"
    "\n"
    "Options with a value also take the form --option=value.\n"
    "\n"
    "An input that cannot be read is reported on standard error and the readable ones are still\n"
    "converted. JSON that cannot be read ends the reading of its file with a warning that names\n"
    "the line; what was read before is kept.\n"
    "\n"
    "Exit status:\n"
    "  0  success\n"
    "  1  an input could not be read, no input held a line, or the output could not be written\n"
    "  2  usage error\n";

std::string QuotedValue(const std::string& value) {
    const std::string text = SanitizeUtf8(value);
    size_t end = 0;
    for (size_t characters = 0; end < text.size() && characters < kQuotedCharacters; ++characters) {
        ++end;
        while (end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) ++end;
    }
    return "'" + text.substr(0, end) + (end < text.size() ? "...'" : "'");
}

ParseResult ParseArguments(const std::vector<std::string>& args) {
    ParseResult result;
    Options& options = result.options;
    bool optionsEnded = false;
    bool hasOutputFile = false, hasOutputFolder = false;
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
        if (IsOutputFormatOption(name)) {
            if (name == "--format" && !takeValue()) return result;
            if (std::string why = ReadOutputFormatOption(name, hasValue, value, options.output); !why.empty())
                return Fail(result, std::move(why));
            continue;
        }
        const bool flag = name == "--" || name == "--help" || name == "-h" || name == "--version" ||
                          name == "--quiet" || name == "-q" || name == "--no-header" || name == "--flatten" ||
                          name == "--bom" || name == "--formula-guard" || name == "--schema" ||
                          name == "--skip-bad-lines";
        if (flag && hasValue) return Fail(result, "option " + name + " takes no value");
        if (name == "--") {
            optionsEnded = true;
        } else if (name == "--help" || name == "-h") {
            options.help = true;
        } else if (name == "--version") {
            options.version = true;
        } else if (name == "--quiet" || name == "-q") {
            options.quiet = true;
        } else if (name == "--no-header") {
            options.csv.includeHeader = false;
        } else if (name == "--flatten") {
            options.csv.flattenNested = true;
        } else if (name == "--bom") {
            options.csv.utf8Bom = true;
        } else if (name == "--formula-guard") {
            options.csv.formulaGuard = true;
        } else if (name == "--schema") {
            options.schema = true;
            options.csv.shape.countColumns = true;
        } else if (name == "--skip-bad-lines") {
            options.skipBadLines = true;
        } else if (name == "--rejects") {
            if (!takeValue()) return result;
            if (value.empty()) return Fail(result, "option --rejects needs a file name");
            options.rejectsFile = value;
        } else if (name == "--separator") {
            if (!takeValue()) return result;
            if (!IsValidUtf8(value)) return Fail(result, "the separator is not valid UTF-8: " + QuotedValue(value));
            if (value == "\\t" || value == "tab")
                options.csv.separator = "\t";
            else if (CountCharacters(value) <= 1)
                options.csv.separator = value;
            else
                return Fail(result, "the separator must be one character, \\t, tab or empty: " + QuotedValue(value));
        } else if (name == "--encoding") {
            if (!takeValue()) return result;
            if (value == "utf-8" || value == "utf8" || value == "UTF-8")
                options.encoding = TextEncoding::Utf8;
            else if (value == "ansi" || value == "ANSI")
                options.encoding = TextEncoding::Ansi;
            else
                return Fail(result, "unknown encoding " + QuotedValue(value) + " (use utf-8 or ansi)");
        } else if (name == "--records" || name == "--explode") {
            if (!takeValue()) return result;
            JsonPath path;
            std::string why;
            if (!ParseJsonPath(value, path, why))
                return Fail(result, "option " + name + ": " + why + ": " + QuotedValue(value));
            if (name == "--records")
                options.csv.shape.records = std::move(path);
            else
                options.csv.shape.explode.push_back(std::move(path));
        } else if (name == "--join") {
            if (!takeValue()) return result;
            if (!IsValidUtf8(value))
                return Fail(result, "the --join separator is not valid UTF-8: " + QuotedValue(value));
            options.csv.shape.join = value;
        } else if (name == "--columns") {
            if (!takeValue()) return result;
            std::vector<std::string> columns = SplitEscaped(value, ',');
            for (const std::string& column : columns)
                if (column.empty())
                    return Fail(result, "option --columns: a column name is empty: " + QuotedValue(value));
            options.csv.shape.columns = std::move(columns);
        } else if (name == "--rename") {
            if (!takeValue()) return result;
            const std::vector<std::string> parts = SplitEscaped(value, '=');
            if (parts.size() != 2 || parts[0].empty() || parts[1].empty())
                return Fail(result, "option --rename wants OLD=NEW: " + QuotedValue(value));
            options.csv.shape.renames.emplace_back(parts[0], parts[1]);
        } else if (name == "-o" || name == "--output") {
            if (!takeValue()) return result;
            if (value.empty()) return Fail(result, "option " + name + " needs a file name");
            options.outputFile = value;
            hasOutputFile = true;
        } else if (name == "--output-dir") {
            if (!takeValue()) return result;
            if (value.empty()) return Fail(result, "option --output-dir needs a folder name");
            options.outputFolder = value;
            hasOutputFolder = true;
        } else {
            return Fail(result, "unknown option " + QuotedValue(arg));
        }
    }
    if (options.help || options.version) return result;
    if (const std::string why = ShapeError(options.csv.shape); !why.empty())
        result.error = why;
    else if (options.schema && (hasOutputFile || hasOutputFolder))
        result.error = "--schema writes to standard output, not with -o or --output-dir";
    else if (hasOutputFile && hasOutputFolder)
        result.error = "-o and --output-dir cannot be used together";
    else if (!options.rejectsFile.empty() && !options.skipBadLines)
        result.error = "--rejects needs --skip-bad-lines";
    else if (options.inputs.empty())
        result.error = "no input files";
    else
        result.error = SettleOutputFormat(options);
    return result;
}

}  // namespace tabulora::cli
