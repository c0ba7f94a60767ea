#pragma once
#include <windows.h>

#include <memory>
#include <string>
#include <string_view>

#include "update/settings.h"

namespace tabulora::update {

// The settings store on a registry key: sections are subkeys, values are REG_SZ strings.
class RegistrySettings : public SettingsStore {
public:
    explicit RegistrySettings(HKEY key) : key_(key) {}
    ~RegistrySettings() override;
    RegistrySettings(const RegistrySettings&) = delete;
    RegistrySettings& operator=(const RegistrySettings&) = delete;

    std::optional<std::string> ReadValue(std::string_view section, std::string_view name) override;
    void WriteString(std::string_view section, std::string_view name, std::string_view value) override;

private:
    HKEY key_;
};

// Opens (creating when missing) HKEY_CURRENT_USER\<kSettingsKeyParent>\<keyName> with full
// access; the empty key name is kSettingsKeyParent itself. When the key can be neither opened nor
// created the store reads nothing and refuses writes.
std::unique_ptr<SettingsStore> OpenSettingsStore(const std::string& keyName);

// Computes the key name of a program's settings from its title.
using SettingsKeyNameFunction = std::string (*)(std::string_view appTitleUtf8);

// The settings store of the program titled `appTitle`, opened the way the update check opens
// it: when `keyName` raises, the empty key name is used and the program goes on. Never raises
// for a failed digest.
std::unique_ptr<SettingsStore> OpenSettingsStoreOfProgram(const std::string& appTitle,
                                                          SettingsKeyNameFunction keyName = SettingsKeyName);

}  // namespace tabulora::update
