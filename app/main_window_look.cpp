#include "app/main_window_look.h"

namespace tabulora {

MainWindowLook LookOf(const ExportOptions& options, int64_t filesLoaded, bool exportRunning, bool exportSaved) {
    const bool loaded = filesLoaded > 0;
    const bool utf8 = options.encoding == TextEncoding::Utf8;
    MainWindowLook look;
    look.loadCaption = loaded ? "Load JSON files... [" + std::to_string(filesLoaded) + "]" : "Load JSON file...";
    // While an export runs its button cancels it, and nothing that changes its inputs or options
    // can be used. The options wait for a file.
    look.loadEnabled = !exportRunning;
    look.optionsEnabled = loaded && !exportRunning;
    look.headerChecked = options.includeHeader;
    look.utf8Checked = utf8;
    look.ansiChecked = !utf8;
    look.separatorCaption = SeparatorCaption(options.separator);
    look.exportCaption = exportRunning ? "Cancel" : "Export to CSV...";
    look.exportEnabled = loaded || exportRunning;
    look.exportImage = loaded ? L"IMG_SAVE48" : L"IMG_SAVEBLACK48";
    look.fileCommandsEnabled = !exportRunning;
    look.acceptsDroppedFiles = !exportRunning;
    look.showExportedOutput = exportSaved && !exportRunning;
    look.previewEnabled = loaded;
    // The byte-order mark is a choice of UTF-8 output only.
    for (size_t i = 0; i < kConversionChoices.size(); ++i) {
        const ConversionChoiceInfo& info = kConversionChoices[i];
        look.choices[i].checked = options.*info.option;
        look.choices[i].enabled = !exportRunning && (info.choice != ConversionChoice::Utf8Bom || utf8);
    }
    return look;
}

}  // namespace tabulora
