#include "app/export_options.h"

namespace tabulora {

ExportSettings ToExportSettings(const ExportOptions& options, const AnsiCodec& ansi) {
    ExportSettings settings;
    settings.csv.includeHeader = options.includeHeader;
    settings.csv.separator = options.separator;
    settings.csv.flattenNested = options.flattenNested;
    settings.csv.utf8Bom = options.utf8Bom;  // the engine leaves it out of ANSI
    settings.csv.formulaGuard = options.formulaGuard;
    settings.encoding = options.encoding;
    settings.ansi = &ansi;
    settings.format = options.excelWorkbook ? OutputFormat::Workbook : OutputFormat::Csv;
    return settings;
}

std::vector<SaveFileType> SaveFileTypes(const ExportOptions& options) {
    const SaveFileType csv{"CSV File (*.csv)", "*.csv", "csv", OutputFormat::Csv};
    if (options.excelWorkbook) return {{"Excel Workbook (*.xlsx)", "*.xlsx", "xlsx", OutputFormat::Workbook}, csv};
    return {csv, {"Any File (*.*)", "*.*", "csv", OutputFormat::Csv}};
}

std::string OfferedSaveName(const std::string& lastChosen, const ExportOptions& options) {
    auto endsWith = [&](std::string_view ending) {
        if (lastChosen.size() < ending.size()) return false;
        for (size_t i = 0; i < ending.size(); ++i) {
            char c = lastChosen[lastChosen.size() - ending.size() + i];
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
            if (c != ending[i]) return false;
        }
        return true;
    };
    const std::string wanted = "." + SaveFileTypes(options).front().extension;
    for (std::string_view other : {".csv", ".xlsx"}) {
        if (other != wanted && endsWith(other)) return lastChosen.substr(0, lastChosen.size() - other.size()) + wanted;
    }
    return lastChosen;
}

std::string SeparatorCaption(std::string_view separator) {
    return separator == "\t" ? std::string("\\t") : std::string(separator);
}

}  // namespace tabulora
