#include "update/settings.h"

#include "base/text.h"
#include "update/errors.h"
#include "update/md5.h"

namespace tabulora::update {

std::string SettingsStore::ReadString(std::string_view section, std::string_view name) {
    return ReadValue(section, name).value_or(std::string());
}

int SettingsStore::ReadInteger(std::string_view section, std::string_view name, int defaultValue) {
    const std::optional<std::string> text = ReadValue(section, name);
    int value = defaultValue;
    if (text && TryParseInt32(*text, value)) return value;
    return defaultValue;
}

void SettingsStore::WriteInteger(std::string_view section, std::string_view name, int value) {
    WriteString(section, name, std::to_string(value));
}

void UnavailableSettings::WriteString(std::string_view section, std::string_view name, std::string_view) {
    throw SettingsError("The settings key is not open; cannot write " + std::string(section) + "\\" +
                        std::string(name));
}

std::string SettingsKeyNameBytes(std::string_view title) {
    std::string bytes;
    size_t i = 0;
    while (i < title.size()) {
        const auto lead = static_cast<unsigned char>(title[i]);
        if (lead < 0x80) {
            bytes += static_cast<char>(lead);
            ++i;
            continue;
        }
        // A character beyond U+FFFF takes two UTF-16 code units, so two "?".
        size_t length = 1;
        if (lead >= 0xC0 && lead < 0xE0)
            length = 2;
        else if (lead >= 0xE0 && lead < 0xF0)
            length = 3;
        else if (lead >= 0xF0 && lead < 0xF8)
            length = 4;
        bytes += length == 4 ? "??" : "?";
        // Stray continuation bytes are malformed; each stands for one replaced unit.
        i += 1;
        for (size_t k = 1; k < length && i < title.size() && (static_cast<unsigned char>(title[i]) & 0xC0) == 0x80; ++k)
            ++i;
    }
    return bytes;
}

std::string SettingsKeyName(std::string_view title) { return Md5HexUpper(SettingsKeyNameBytes(title)); }

}  // namespace tabulora::update
