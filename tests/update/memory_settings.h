#pragma once
#include <map>
#include <set>
#include <string>

#include "update/errors.h"
#include "update/settings.h"

namespace tabulora::update::testing {

// A settings store in memory. Names in `foreignTyped` behave like registry values of a
// non-string type (reading raises); names in `failingWrites` refuse to be written.
class MemorySettings : public SettingsStore {
public:
    std::map<std::string, std::string> values;  // "Section\Name" -> text
    std::set<std::string> foreignTyped;
    std::set<std::string> failingWrites;

    std::optional<std::string> ReadValue(std::string_view section, std::string_view name) override {
        const std::string key = Key(section, name);
        if (foreignTyped.count(key)) throw SettingsError("Invalid data type for " + key);
        const auto found = values.find(key);
        if (found == values.end()) return std::nullopt;
        return found->second;
    }
    void WriteString(std::string_view section, std::string_view name, std::string_view value) override {
        const std::string key = Key(section, name);
        if (failingWrites.count(key)) throw SettingsError("Cannot write " + key);
        foreignTyped.erase(key);
        values[key] = std::string(value);
    }
    static std::string Key(std::string_view section, std::string_view name) {
        return std::string(section) + "\\" + std::string(name);
    }
};

}  // namespace tabulora::update::testing
