#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "engine/csv_export.h"
#include "engine/text_codec.h"

namespace tabulora {

// Every choice of the main window, as one value: its controls and its Options menu show it, and
// an export receives it.
struct ExportOptions {
    bool includeHeader = true;
    TextEncoding encoding = TextEncoding::Utf8;
    std::string separator = ",";  // UTF-8, one character or empty; a TAB is itself
    // The Options menu.
    bool flattenNested = false;
    bool utf8Bom = false;  // used by UTF-8 exports only
    bool formulaGuard = false;
    // Excel workbooks (.xlsx) instead of CSV files. Separator, BOM, formula guard and the ANSI
    // encoding of the output concern CSV only; the inputs are read in the chosen encoding still.
    bool excelWorkbook = false;

    friend bool operator==(const ExportOptions&, const ExportOptions&) = default;
};

// The engine's settings for an export with `options`; `ansi` converts the text of an ANSI one.
ExportSettings ToExportSettings(const ExportOptions& options, const AnsiCodec& ansi);

// One file type of the save dialog: what it writes when the user picks it.
struct SaveFileType {
    std::string name;       // "CSV File (*.csv)"
    std::string pattern;    // "*.csv"
    std::string extension;  // added to a name typed without one, without the dot
    OutputFormat format;
};

// The save dialog's types, the one selected at first first: CSV and any file; for workbooks the
// workbook, then CSV.
std::vector<SaveFileType> SaveFileTypes(const ExportOptions& options);

// The name the save dialog offers again: the one chosen last, except that a ".csv" or ".xlsx" at
// its end becomes the extension of the type selected at first, so that a workbook is not offered
// under a CSV name nor the other way round.
std::string OfferedSaveName(const std::string& lastChosen, const ExportOptions& options);

// The separator button's caption: the separator itself, a TAB shown as the two characters \t.
std::string SeparatorCaption(std::string_view separator);

}  // namespace tabulora
