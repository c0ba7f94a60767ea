#include "app/conversion_choices.h"

#include <exception>

namespace tabulora {
namespace {

const ConversionChoiceInfo& InfoOf(ConversionChoice choice) { return kConversionChoices[static_cast<size_t>(choice)]; }

}  // namespace

bool IsOn(const ExportOptions& options, ConversionChoice choice) { return options.*InfoOf(choice).option; }

void ReadStoredChoices(update::SettingsStore& store, ExportOptions& options) {
    for (const ConversionChoiceInfo& info : kConversionChoices) {
        options.*info.option = false;
        try {
            options.*info.option = store.ReadInteger(update::kSettingsSection, info.settingName, 0) != 0;
        } catch (const std::exception&) {
            // a value of another type counts as off
        }
    }
}

void StoreChoice(update::SettingsStore& store, ExportOptions& options, ConversionChoice choice, bool on) {
    const ConversionChoiceInfo& info = InfoOf(choice);
    store.WriteInteger(update::kSettingsSection, info.settingName, on ? 1 : 0);
    options.*info.option = on;
}

}  // namespace tabulora
