#pragma once
#include <array>

#include "update/settings.h"

namespace tabulora {

// The conversion choices of the Options menu, all off at first and kept between runs in the
// settings store (section "Settings", integers 0 or 1).
enum class ConversionChoice { FlattenNested, Utf8Bom, FormulaGuard };

struct ConversionChoiceInfo {
    ConversionChoice choice;
    const wchar_t* caption;       // the menu item
    const char* settingName;
};

inline constexpr std::array<ConversionChoiceInfo, 3> kConversionChoices = {{
    {ConversionChoice::FlattenNested, L"Flatten Nested Values", "FlattenNested"},
    {ConversionChoice::Utf8Bom, L"Excel-Friendly UTF-8 (BOM)", "Utf8Bom"},
    {ConversionChoice::FormulaGuard, L"Guard Against Formula Injection", "FormulaGuard"},
}};

class ConversionChoices {
public:
    // Reads the stored choices; a value that is absent or unreadable counts as off.
    explicit ConversionChoices(update::SettingsStore& store);

    bool IsOn(ConversionChoice choice) const { return on_[Index(choice)]; }
    // Stores the new state first; raises the store's error, and keeps the old state, when the
    // store refuses it.
    void Set(ConversionChoice choice, bool on);

private:
    static size_t Index(ConversionChoice choice) { return static_cast<size_t>(choice); }

    update::SettingsStore& store_;
    std::array<bool, kConversionChoices.size()> on_{};
};

}  // namespace tabulora
