#include "app/conversion_choices.h"

#include <exception>

namespace tabulora {

ConversionChoices::ConversionChoices(update::SettingsStore& store) : store_(store) {
    for (const ConversionChoiceInfo& info : kConversionChoices) {
        try {
            on_[Index(info.choice)] = store_.ReadInteger(update::kSettingsSection, info.settingName, 0) != 0;
        } catch (const std::exception&) {
            // a value of another type counts as off
        }
    }
}

void ConversionChoices::Set(ConversionChoice choice, bool on) {
    store_.WriteInteger(update::kSettingsSection, kConversionChoices[Index(choice)].settingName, on ? 1 : 0);
    on_[Index(choice)] = on;
}

}  // namespace tabulora
