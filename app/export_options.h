#pragma once
#include <string>
#include <string_view>

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

    friend bool operator==(const ExportOptions&, const ExportOptions&) = default;
};

// The engine's settings for an export with `options`; `ansi` converts the text of an ANSI one.
ExportSettings ToExportSettings(const ExportOptions& options, const AnsiCodec& ansi);

// The separator button's caption: the separator itself, a TAB shown as the two characters \t.
std::string SeparatorCaption(std::string_view separator);

}  // namespace tabulora
