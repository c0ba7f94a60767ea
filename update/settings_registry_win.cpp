#include "update/settings_registry_win.h"

#include <utility>

#include "engine/utf.h"
#include "platform/win32_error.h"
#include "update/errors.h"

namespace tabulora::update {
namespace {

class KeyHandle {
public:
    KeyHandle() = default;
    ~KeyHandle() {
        if (key_) RegCloseKey(key_);
    }
    KeyHandle(const KeyHandle&) = delete;
    KeyHandle& operator=(const KeyHandle&) = delete;
    HKEY* Receive() { return &key_; }
    HKEY Get() const { return key_; }
    HKEY Release() { return std::exchange(key_, nullptr); }

private:
    HKEY key_ = nullptr;
};

std::string ValuePath(std::string_view section, std::string_view name) {
    return std::string(section) + "\\" + std::string(name);
}

}  // namespace

RegistrySettings::~RegistrySettings() { RegCloseKey(key_); }

std::optional<std::string> RegistrySettings::ReadValue(std::string_view section, std::string_view name) {
    KeyHandle sectionKey;
    if (RegOpenKeyExW(key_, Utf8ToWide(section).c_str(), 0, KEY_QUERY_VALUE, sectionKey.Receive()) != ERROR_SUCCESS)
        return std::nullopt;
    const std::wstring valueName = Utf8ToWide(name);
    // The value may change between asking for its size and reading it; try again then.
    for (int attempt = 0; attempt < 3; ++attempt) {
        DWORD type = 0;
        DWORD size = 0;
        LONG status = RegQueryValueExW(sectionKey.Get(), valueName.c_str(), nullptr, &type, nullptr, &size);
        if (status == ERROR_FILE_NOT_FOUND) return std::nullopt;
        if (status != ERROR_SUCCESS)
            throw SettingsError("Cannot read " + ValuePath(section, name) + ": " + Win32ErrorText(status));
        if (type != REG_SZ && type != REG_EXPAND_SZ)
            throw SettingsError("Invalid data type for " + ValuePath(section, name));
        std::wstring data(size / sizeof(wchar_t) + 1, L'\0');
        DWORD read = static_cast<DWORD>(data.size() * sizeof(wchar_t));
        status = RegQueryValueExW(sectionKey.Get(), valueName.c_str(), nullptr, &type,
                                  reinterpret_cast<BYTE*>(data.data()), &read);
        if (status == ERROR_MORE_DATA) continue;
        if (status == ERROR_FILE_NOT_FOUND) return std::nullopt;
        if (status != ERROR_SUCCESS)
            throw SettingsError("Cannot read " + ValuePath(section, name) + ": " + Win32ErrorText(status));
        if (type != REG_SZ && type != REG_EXPAND_SZ)
            throw SettingsError("Invalid data type for " + ValuePath(section, name));
        data.resize(read / sizeof(wchar_t));
        // Stored strings usually end in a NUL, but nothing guarantees it.
        while (!data.empty() && data.back() == L'\0') data.pop_back();
        return WideToUtf8(data);
    }
    throw SettingsError("Cannot read " + ValuePath(section, name) + ": the value keeps changing");
}

void RegistrySettings::WriteString(std::string_view section, std::string_view name, std::string_view value) {
    KeyHandle sectionKey;
    LONG status = RegCreateKeyExW(key_, Utf8ToWide(section).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE,
                                  nullptr, sectionKey.Receive(), nullptr);
    if (status != ERROR_SUCCESS)
        throw SettingsError("Cannot create the section " + std::string(section) + ": " + Win32ErrorText(status));
    const std::wstring data = Utf8ToWide(value);
    status = RegSetValueExW(sectionKey.Get(), Utf8ToWide(name).c_str(), 0, REG_SZ,
                            reinterpret_cast<const BYTE*>(data.c_str()),
                            static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
    if (status != ERROR_SUCCESS)
        throw SettingsError("Cannot write " + ValuePath(section, name) + ": " + Win32ErrorText(status));
}

std::unique_ptr<SettingsStore> OpenSettingsStore(const std::string& keyName) {
    std::string keyPath = kSettingsKeyParent;
    if (!keyName.empty()) keyPath += "\\" + keyName;
    const std::wstring path = Utf8ToWide(keyPath);
    KeyHandle key;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                        key.Receive(), nullptr) != ERROR_SUCCESS)
        return std::make_unique<UnavailableSettings>();
    return std::make_unique<RegistrySettings>(key.Release());
}

std::unique_ptr<SettingsStore> OpenSettingsStoreOfProgram(const std::string& appTitle,
                                                          SettingsKeyNameFunction keyName) {
    std::string name;
    try {
        name = keyName(appTitle);
    } catch (const std::exception&) {
        // The update check records this failure when it computes the same name; here the
        // program only goes on with the empty key name, as the check does.
        name.clear();
    }
    return OpenSettingsStore(name);
}

}  // namespace tabulora::update
