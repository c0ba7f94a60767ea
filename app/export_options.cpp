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
    return settings;
}

std::string SeparatorCaption(std::string_view separator) {
    return separator == "\t" ? std::string("\\t") : std::string(separator);
}

}  // namespace tabulora
