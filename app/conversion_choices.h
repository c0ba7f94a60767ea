#pragma once
#include <array>

#include "app/export_options.h"
#include "update/settings.h"

namespace tabulora {

// The conversion choices of the Options menu, all off at first and kept between runs in the
// settings store (section "Settings", integers 0 or 1).
enum class ConversionChoice { FlattenNested, Utf8Bom, FormulaGuard, ExcelWorkbook };

struct ConversionChoiceInfo {
    ConversionChoice choice;
    const wchar_t* caption;  // the menu item
    const char* settingName;
    bool ExportOptions::*option;  // what it turns on and off
};

inline constexpr std::array<ConversionChoiceInfo, 4> kConversionChoices = {{
    {ConversionChoice::FlattenNested, L"Flatten Nested Values", "FlattenNested", &ExportOptions::flattenNested},
    {ConversionChoice::Utf8Bom, L"Excel-Friendly UTF-8 (BOM)", "Utf8Bom", &ExportOptions::utf8Bom},
    {ConversionChoice::FormulaGuard, L"Guard Against Formula Injection", "FormulaGuard", &ExportOptions::formulaGuard},
    {ConversionChoice::ExcelWorkbook, L"Export Excel Workbooks (.xlsx)", "ExcelWorkbook",
     &ExportOptions::excelWorkbook},
}};

bool IsOn(const ExportOptions& options, ConversionChoice choice);

// Sets every choice in `options` as stored; a value that is absent or unreadable counts as off.
void ReadStoredChoices(update::SettingsStore& store, ExportOptions& options);

// Stores the new state first, then sets it in `options`; raises the store's error, and leaves
// `options` as they were, when the store refuses it.
void StoreChoice(update::SettingsStore& store, ExportOptions& options, ConversionChoice choice, bool on);

}  // namespace tabulora
