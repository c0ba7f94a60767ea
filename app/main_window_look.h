#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "app/conversion_choices.h"
#include "app/export_options.h"

namespace tabulora {

// What the main window's controls and menu items show: which can be used, which are checked and
// what the changing captions say. It follows from the options, the number of files loaded and
// whether an export runs, and from nothing else.
struct MainWindowLook {
    struct MenuItem {
        bool checked = false;
        bool enabled = false;
    };

    std::string loadCaption;  // the load button
    bool loadEnabled = false;
    // The options panel: the header check box, UTF-8 and ANSI, the separator's label and button.
    bool optionsEnabled = false;
    // Of those, ANSI and the separator's label and button: they concern CSV only and wait while
    // workbooks are chosen.
    bool csvOptionsEnabled = false;
    bool headerChecked = false;
    bool utf8Checked = false;
    bool ansiChecked = false;
    std::string separatorCaption;
    std::string separatorName;         // what a screen reader hears for the separator button
    std::string exportCaption;         // the export button, which cancels a running export
    std::string exportCommandCaption;  // File: "Export to CSV..." or "Export to Excel..."
    // The export button's drop-down menu: the single-file and the multiple-files export.
    std::string singleExportCaption;
    std::string multipleExportCaption;
    bool exportEnabled = false;
    const wchar_t* exportImage = nullptr;  // its picture (a resource name), black while no file is loaded
    bool fileCommandsEnabled = false;      // File: Clear, Load JSON file..., Export to CSV...
    bool acceptsDroppedFiles = false;
    // "Show in Folder" in the status bar and File: "Show Exported File": while the status bar
    // shows the summary of an export that wrote its output.
    bool showExportedOutput = false;
    // File: "Preview and Columns..." and "Preview..." in the status bar: while files are loaded.
    bool previewEnabled = false;
    std::array<MenuItem, kConversionChoices.size()> choices{};  // the Options menu, in table order
};

// The separator button's accessible name: "CSV Separator: " and the separator, the four that the
// separator dialog names by the dialog's words ("Tab", "Comma", "Semicolon", "Space"), no
// separator as "None", any other by its character.
std::string SeparatorAccessibleName(std::string_view separator);

// The one place that decides the look of the main window. `exportSaved`: the status bar shows the
// summary of an export that wrote its output.
MainWindowLook LookOf(const ExportOptions& options, int64_t filesLoaded, bool exportRunning, bool exportSaved = false);

}  // namespace tabulora
