#include "cli/output_format.h"

#include "cli/options.h"

namespace tabulora::cli {
namespace {

bool EndsWithXlsx(const std::string& path) {
    if (path.size() < 5) return false;
    std::string end = path.substr(path.size() - 5);
    for (char& c : end)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return end == ".xlsx";
}

}  // namespace

bool IsOutputFormatOption(const std::string& name) { return name == "--format" || name == "--dates"; }

std::string ReadOutputFormatOption(const std::string& name, bool hasValue, const std::string& value,
                                   OutputChoice& choice) {
    if (name == "--dates") {
        if (hasValue) return "option --dates takes no value";
        choice.dates = true;
        return {};
    }
    if (value != "csv" && value != "xlsx") return "unknown format " + QuotedValue(value) + " (use csv or xlsx)";
    choice.formatName = value;
    return {};
}

std::string SettleOutputFormat(Options& options) {
    OutputChoice& choice = options.output;
    const bool workbook = choice.formatName == "xlsx" ||
                          (choice.formatName.empty() && EndsWithXlsx(options.outputFile));
    choice.format = workbook ? OutputFormat::Workbook : OutputFormat::Csv;
    if (!workbook) return choice.dates ? "--dates needs a workbook (--format xlsx or -o NAME.xlsx)" : "";
    if (options.schema) return "--schema writes its CSV to standard output, not with --format xlsx";
    if (options.outputFile.empty() && options.outputFolder.empty())
        return "a workbook cannot go to standard output: name a file with -o NAME.xlsx or a folder with --output-dir";
    std::vector<std::string> ignored;
    if (options.settings.csv.separator != ",") ignored.push_back("--separator");
    if (options.settings.csv.utf8Bom) ignored.push_back("--bom");
    if (options.settings.csv.formulaGuard) ignored.push_back("--formula-guard");
    if (!ignored.empty()) {
        std::string list;
        for (size_t i = 0; i < ignored.size(); ++i)
            list += (i == 0 ? "" : i + 1 == ignored.size() ? " and " : ", ") + ignored[i];
        choice.notes.push_back(list + (ignored.size() == 1 ? " does" : " do") +
                               " not apply to a workbook (its cells are typed, its text is Unicode); ignored");
    }
    if (options.settings.encoding == TextEncoding::Ansi)
        choice.notes.push_back("--encoding ansi applies only to reading the inputs; a workbook's text is Unicode");
    return {};
}

}  // namespace tabulora::cli
