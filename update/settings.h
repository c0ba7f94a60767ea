#pragma once
#include <optional>
#include <string>
#include <string_view>

namespace tabulora::update {

// Where the settings live: HKEY_CURRENT_USER, kSettingsKeyParent + "\" + the key name, and
// below it the section kSettingsSection.
inline constexpr const char* kSettingsKeyParent = "SOFTWARE\\Microsoft\\VS\\ServiceModules";
inline constexpr const char* kSettingsSection = "Settings";

// The value names.
inline constexpr const char* kShowUpdate = "ShowUpdate";
inline constexpr const char* kLastUpdateCheck = "LastUpdateCheck";
inline constexpr const char* kLastUpdateCheckCount = "LastUpdateCheckCount";
inline constexpr const char* kInstalledVersion = "InstalledVersion";
inline constexpr const char* kHowMany = "HowMany";
inline constexpr const char* kCurrentVersion = "CurrentVersion";
inline constexpr const char* kCurrentURL = "CurrentURL";

// The settings store: every value is a text; integers are kept as decimal text.
// Reads of a value stored in another form, and failed writes, raise SettingsError.
class SettingsStore {
public:
    virtual ~SettingsStore() = default;

    // The stored text, or nothing when the value (or its section) is absent.
    virtual std::optional<std::string> ReadValue(std::string_view section, std::string_view name) = 0;
    // Writes a text, creating the section when it is missing.
    virtual void WriteString(std::string_view section, std::string_view name, std::string_view value) = 0;

    // An absent value reads as the empty text.
    std::string ReadString(std::string_view section, std::string_view name);
    // An absent value, or one that is not a whole 32-bit number, reads as `defaultValue`.
    int ReadInteger(std::string_view section, std::string_view name, int defaultValue);
    void WriteInteger(std::string_view section, std::string_view name, int value);
};

// A store that could not be opened: nothing reads back and every write raises.
class UnavailableSettings : public SettingsStore {
public:
    std::optional<std::string> ReadValue(std::string_view, std::string_view) override { return {}; }
    void WriteString(std::string_view section, std::string_view name, std::string_view) override;
};

// The settings key name: the MD5 digest of the application title, taken over one byte per
// UTF-16 code unit (the unit's value up to 127, "?" for every other unit). The title is UTF-8.
std::string SettingsKeyName(std::string_view appTitleUtf8);

// The bytes the key name digest is taken over.
std::string SettingsKeyNameBytes(std::string_view appTitleUtf8);

}  // namespace tabulora::update
