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
    "  --no-header          leave out the column header line (--header: keep it)\n"
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
    "  --no-flatten, --no-bom, --no-formula-guard, --no-skip-bad-lines\n"
    "                       turn off what a recipe turns on\n"
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
    "Recipes (the settings above in a JSON file, to run the same conversion again; the files,\n"
    "--schema and --rejects stay on the command line):\n"
    "  --recipe FILE        take the settings from FILE; options on the command line win, a\n"
    "                       list given there (--explode, --rename) replaces the recipe's\n"
    "  --save-recipe FILE   write the settings in force (with --recipe, merged) to FILE as a\n"
    "                       recipe, and convert nothing\n"
    "  A recipe is one JSON object: {\"tabulora-recipe\": 1, \"records\": \"data\", \"explode\":\n"
    "  [\"items\"], \"join\": \";\", \"columns\": [\"id\", \"items.sku\"], \"rename\": {\"items.sku\":\n"
    "  \"sku\"}, \"separator\": \";\"}; its other keys are \"header\", \"encoding\", \"flatten\",\n"
    "  \"bom\", \"formulaGuard\" and \"skipBadLines\" (true or false); a path may also be an array\n"
    "  of names, which needs no \\. ([\"data\", \"items\"]).\n"
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
    "  2  usage error (a recipe that cannot be read or used included)\n";

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
    // The command line's settings, and which of them it gives: those win over the recipe's.
    RecipeSettings& settings = options.settings;
    CsvOptions& csv = settings.csv;
    RecipeKeys given;
    std::string recipeFile;
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
        // A setting's value as text the engine can match: valid UTF-8.
        auto takeText = [&]() -> bool {
            if (!takeValue()) return false;
            if (IsValidUtf8(value)) return true;
            Fail(result, "the value of " + name + " is not valid UTF-8: " + QuotedValue(value));
            return false;
        };
        // A flag that sets a recipe's true-or-false setting.
        auto setFlag = [&](bool& flag, bool on, RecipeKey key) {
            flag = on;
            Mark(given, key);
        };
        if (IsOutputFormatOption(name)) {
            if (name == "--format" && !takeValue()) return result;
            if (std::string why = ReadOutputFormatOption(name, hasValue, value, options.output); !why.empty())
                return Fail(result, std::move(why));
            continue;
        }
        const bool flag = name == "--" || name == "--help" || name == "-h" || name == "--version" ||
                          name == "--quiet" || name == "-q" || name == "--no-header" || name == "--header" ||
                          name == "--flatten" || name == "--no-flatten" || name == "--bom" || name == "--no-bom" ||
                          name == "--formula-guard" || name == "--no-formula-guard" || name == "--schema" ||
                          name == "--skip-bad-lines" || name == "--no-skip-bad-lines";
        if (flag && hasValue) return Fail(result, "option " + name + " takes no value");
        if (name == "--") {
            optionsEnded = true;
        } else if (name == "--help" || name == "-h") {
            options.help = true;
        } else if (name == "--version") {
            options.version = true;
        } else if (name == "--quiet" || name == "-q") {
            options.quiet = true;
        } else if (name == "--no-header" || name == "--header") {
            setFlag(csv.includeHeader, name == "--header", RecipeKey::Header);
        } else if (name == "--flatten" || name == "--no-flatten") {
            setFlag(csv.flattenNested, name == "--flatten", RecipeKey::Flatten);
        } else if (name == "--bom" || name == "--no-bom") {
            setFlag(csv.utf8Bom, name == "--bom", RecipeKey::Bom);
        } else if (name == "--formula-guard" || name == "--no-formula-guard") {
            setFlag(csv.formulaGuard, name == "--formula-guard", RecipeKey::FormulaGuard);
        } else if (name == "--skip-bad-lines" || name == "--no-skip-bad-lines") {
            setFlag(settings.skipBadLines, name == "--skip-bad-lines", RecipeKey::SkipBadLines);
        } else if (name == "--schema") {
            options.schema = true;
        } else if (name == "--rejects") {
            if (!takeValue()) return result;
            if (value.empty()) return Fail(result, "option --rejects needs a file name");
            options.rejectsFile = value;
        } else if (name == "--recipe" || name == "--save-recipe") {
            if (!takeValue()) return result;
            if (value.empty()) return Fail(result, "option " + name + " needs a file name");
            (name == "--recipe" ? recipeFile : options.saveRecipeFile) = value;
        } else if (name == "--separator") {
            if (!takeValue()) return result;
            if (!IsValidUtf8(value)) return Fail(result, "the separator is not valid UTF-8: " + QuotedValue(value));
            if (value == "\\t" || value == "tab")
                csv.separator = "\t";
            else if (CountCharacters(value) <= 1)
                csv.separator = value;
            else
                return Fail(result, "the separator must be one character, \\t, tab or empty: " + QuotedValue(value));
            Mark(given, RecipeKey::Separator);
        } else if (name == "--encoding") {
            if (!takeValue()) return result;
            if (!ReadEncodingName(value, settings.encoding))
                return Fail(result, "unknown encoding " + QuotedValue(value) + " (use utf-8 or ansi)");
            Mark(given, RecipeKey::Encoding);
        } else if (name == "--records" || name == "--explode") {
            if (!takeText()) return result;
            JsonPath path;
            std::string why;
            if (!ParseJsonPath(value, path, why))
                return Fail(result, "option " + name + ": " + why + ": " + QuotedValue(value));
            if (name == "--records") {
                csv.shape.records = std::move(path);
                Mark(given, RecipeKey::Records);
            } else {
                csv.shape.explode.push_back(std::move(path));
                Mark(given, RecipeKey::Explode);
            }
        } else if (name == "--join") {
            if (!takeValue()) return result;
            if (!IsValidUtf8(value))
                return Fail(result, "the --join separator is not valid UTF-8: " + QuotedValue(value));
            csv.shape.join = value;
            Mark(given, RecipeKey::Join);
        } else if (name == "--columns") {
            if (!takeText()) return result;
            std::vector<std::string> columns = SplitEscaped(value, ',');
            for (const std::string& column : columns)
                if (column.empty())
                    return Fail(result, "option --columns: a column name is empty: " + QuotedValue(value));
            csv.shape.columns = std::move(columns);
            Mark(given, RecipeKey::Columns);
        } else if (name == "--rename") {
            if (!takeText()) return result;
            const std::vector<std::string> parts = SplitEscaped(value, '=');
            if (parts.size() != 2 || parts[0].empty() || parts[1].empty())
                return Fail(result, "option --rename wants OLD=NEW: " + QuotedValue(value));
            csv.shape.renames.emplace_back(parts[0], parts[1]);
            Mark(given, RecipeKey::Rename);
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
    if (!recipeFile.empty()) {
        RecipeSettings merged;
        if (!LoadRecipeFile(recipeFile, merged, result.error)) return result;
        CopyRecipeSettings(settings, given, merged);
        settings = std::move(merged);
    }
    const bool saving = !options.saveRecipeFile.empty();
    if (const std::string why = ShapeError(settings.csv.shape); !why.empty())
        result.error = why;
    else if (saving && (!options.inputs.empty() || hasOutputFile || hasOutputFolder || options.schema ||
                        !options.rejectsFile.empty()))
        result.error = "--save-recipe writes the recipe and converts nothing: no FILE, -o, --output-dir, "
                       "--schema or --rejects with it";
    else if (options.schema && (hasOutputFile || hasOutputFolder))
        result.error = "--schema writes to standard output, not with -o or --output-dir";
    else if (hasOutputFile && hasOutputFolder)
        result.error = "-o and --output-dir cannot be used together";
    else if (!options.rejectsFile.empty() && !settings.skipBadLines)
        result.error = "--rejects needs --skip-bad-lines";
    else if (options.inputs.empty() && !saving)
        result.error = "no input files";
    else
        result.error = SettleOutputFormat(options);
    settings.csv.shape.countColumns = options.schema;
    return result;
}

}  // namespace tabulora::cli
