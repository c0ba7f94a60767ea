#include "app/main_window_look.h"

namespace tabulora {

std::string SeparatorAccessibleName(std::string_view separator) {
    const std::string prefix = "CSV Separator: ";
    if (separator == "\t") return prefix + "Tab";
    if (separator == ",") return prefix + "Comma";
    if (separator == ";") return prefix + "Semicolon";
    if (separator == " ") return prefix + "Space";
    if (separator.empty()) return prefix + "None";
    return prefix + std::string(separator);
}

MainWindowLook LookOf(const ExportOptions& options, int64_t filesLoaded, bool exportRunning, bool exportSaved) {
    const bool loaded = filesLoaded > 0;
    const bool utf8 = options.encoding == TextEncoding::Utf8;
    const bool workbook = options.excelWorkbook;
    MainWindowLook look;
    look.loadCaption = loaded ? "Load JSON files... [" + std::to_string(filesLoaded) + "]" : "Load JSON file...";
    // While an export runs its button cancels it, and nothing that changes its inputs or options
    // can be used. The options wait for a file.
    look.loadEnabled = !exportRunning;
    look.optionsEnabled = loaded && !exportRunning;
    look.csvOptionsEnabled = look.optionsEnabled && !workbook;
    look.headerChecked = options.includeHeader;
    look.utf8Checked = utf8;
    look.ansiChecked = !utf8;
    look.separatorCaption = SeparatorCaption(options.separator);
    look.separatorName = SeparatorAccessibleName(options.separator);
    look.exportCommandCaption = workbook ? "Export to Excel..." : "Export to CSV...";
    look.exportCaption = exportRunning ? "Cancel" : look.exportCommandCaption;
    look.singleExportCaption = workbook ? "Single Excel Workbook..." : "Single CSV File...";
    look.multipleExportCaption = workbook ? "Multiple Excel Workbooks..." : "Multiple CSV Files...";
    look.exportEnabled = loaded || exportRunning;
    look.exportImage = loaded ? L"IMG_SAVE48" : L"IMG_SAVEBLACK48";
    look.fileCommandsEnabled = !exportRunning;
    look.acceptsDroppedFiles = !exportRunning;
    look.showExportedOutput = exportSaved && !exportRunning;
    look.previewEnabled = loaded;
    // The byte-order mark is a choice of UTF-8 CSV only, the formula guard of CSV.
    for (size_t i = 0; i < kConversionChoices.size(); ++i) {
        const ConversionChoiceInfo& info = kConversionChoices[i];
        bool applies = true;
        if (info.choice == ConversionChoice::Utf8Bom) applies = utf8 && !workbook;
        if (info.choice == ConversionChoice::FormulaGuard) applies = !workbook;
        look.choices[i].checked = options.*info.option;
        look.choices[i].enabled = !exportRunning && applies;
    }
    return look;
}

}  // namespace tabulora
