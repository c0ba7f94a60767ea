#include <windows.h>

#include <gtest/gtest.h>

#include <regex>

#include "engine/utf.h"
#include "platform/win32_error.h"
#include "update/errors.h"
#include "update/identity_win.h"
#include "update/settings_registry_win.h"

using namespace tabulora;
using namespace tabulora::update;

namespace {

const std::string kKeyName = "TEST0123456789ABCDEF0123456789AB";
const std::wstring kKeyPath = L"SOFTWARE\\Microsoft\\VS\\ServiceModules\\" + Utf8ToWide(kKeyName);

class RegistrySettingsTest : public ::testing::Test {
protected:
    void SetUp() override { RegDeleteTreeW(HKEY_CURRENT_USER, kKeyPath.c_str()); }
    void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, kKeyPath.c_str()); }

    static DWORD TypeOf(const wchar_t* name) {
        DWORD type = 0;
        if (RegGetValueW(HKEY_CURRENT_USER, (kKeyPath + L"\\Settings").c_str(), name, RRF_RT_ANY, &type, nullptr,
                         nullptr) != ERROR_SUCCESS)
            return REG_NONE;
        return type;
    }
    static void SetDword(const wchar_t* name, DWORD value) {
        ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, (kKeyPath + L"\\Settings").c_str(), name, REG_DWORD, &value,
                                  sizeof(value)),
                  ERROR_SUCCESS);
    }
};

}  // namespace

TEST_F(RegistrySettingsTest, CreatesTheKeyAndKeepsEveryValueAsAString) {
    const std::unique_ptr<SettingsStore> store = OpenSettingsStore(kKeyName);
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, kKeyPath.c_str(), 0, KEY_READ, &key), ERROR_SUCCESS);
    RegCloseKey(key);

    EXPECT_EQ(store->ReadValue("Settings", "ShowUpdate"), std::nullopt);
    EXPECT_EQ(store->ReadInteger("Settings", "ShowUpdate", 1), 1);
    store->WriteInteger("Settings", "ShowUpdate", 0);
    store->WriteString("Settings", "CurrentVersion", "2.1 \xC3\xA9\xE2\x82\xAC");
    EXPECT_EQ(TypeOf(L"ShowUpdate"), static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(store->ReadInteger("Settings", "ShowUpdate", 1), 0);
    EXPECT_EQ(store->ReadString("Settings", "CurrentVersion"), "2.1 \xC3\xA9\xE2\x82\xAC");

    // A second store on the same key sees the same values.
    EXPECT_EQ(OpenSettingsStore(kKeyName)->ReadString("Settings", "ShowUpdate"), "0");
}

TEST_F(RegistrySettingsTest, AValueOfAnotherTypeRaisesAndTextThatIsNoNumberReadsAsDefault) {
    const std::unique_ptr<SettingsStore> store = OpenSettingsStore(kKeyName);
    store->WriteString("Settings", "ShowUpdate", "abc");
    EXPECT_EQ(store->ReadInteger("Settings", "ShowUpdate", 1), 1);
    SetDword(L"HowMany", 3);
    EXPECT_THROW(store->ReadValue("Settings", "HowMany"), SettingsError);
    store->WriteInteger("Settings", "HowMany", 4);
    EXPECT_EQ(store->ReadInteger("Settings", "HowMany", 0), 4);
}

std::string DigestMissing(std::string_view) { throw Md5Error("BCryptOpenAlgorithmProvider failed"); }
std::string OutOfMemory(std::string_view) { throw std::bad_alloc(); }

TEST(ProgramSettingsStore, UsesTheDigestKeyAndTheEmptyKeyNameWhenTheDigestFails) {
    const std::wstring parent = Utf8ToWide(kSettingsKeyParent);
    const std::string title = "BRIMTAL - Tabulora";
    struct Case {
        const char* what;
        SettingsKeyNameFunction keyName;
        std::wstring expectedKey;
    } cases[] = {
        {"digest computed", SettingsKeyName, parent + L"\\" + Utf8ToWide(SettingsKeyName(title))},
        {"digest service fails", DigestMissing, parent},
        {"memory runs out", OutOfMemory, parent},
    };
    for (const Case& c : cases) {
        const std::wstring section = c.expectedKey + L"\\Settings";
        RegDeleteTreeW(HKEY_CURRENT_USER, section.c_str());
        std::unique_ptr<SettingsStore> store;
        ASSERT_NO_THROW(store = OpenSettingsStoreOfProgram(title, c.keyName)) << c.what;
        store->WriteString("Settings", "FlattenNested", c.what);

        wchar_t stored[64] = {};
        DWORD size = sizeof(stored);
        EXPECT_EQ(RegGetValueW(HKEY_CURRENT_USER, section.c_str(), L"FlattenNested", RRF_RT_REG_SZ, nullptr, stored,
                               &size),
                  ERROR_SUCCESS)
            << c.what;
        EXPECT_EQ(WideToUtf8(stored), c.what);
        EXPECT_EQ(store->ReadString("Settings", "FlattenNested"), c.what);
        RegDeleteTreeW(HKEY_CURRENT_USER, section.c_str());
    }
}

TEST(MachineGuid, ReadsTheStoredTextOrNothingAndRaisesForAnotherType) {
    // The prefix is a throw-away one; the value is put back all the same.
    const wchar_t* path = L"SOFTWARE\\Microsoft\\Cryptography";
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, KEY_READ | KEY_WRITE | KEY_WOW64_64KEY, &key), ERROR_SUCCESS);
    const std::string original = GetMachineGuid();
    EXPECT_TRUE(std::regex_match(original, std::regex("[0-9a-fA-F-]{36}"))) << original;

    ASSERT_EQ(RegDeleteValueW(key, L"MachineGuid"), ERROR_SUCCESS);
    EXPECT_EQ(GetMachineGuid(), "");
    const DWORD number = 7;
    RegSetValueExW(key, L"MachineGuid", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof(number));
    EXPECT_THROW(GetMachineGuid(), SettingsError);

    const std::wstring text = Utf8ToWide(original);
    RegSetValueExW(key, L"MachineGuid", 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
    EXPECT_EQ(GetMachineGuid(), original);
}

TEST(Identity, LocaleNameAndOsDescription) {
    EXPECT_EQ(GetUserLocaleName(1033), "en-US");
    EXPECT_EQ(GetUserLocaleName(0), "en-US");
    EXPECT_EQ(GetUserLocaleName(0x0407), "de-DE");
    EXPECT_EQ(GetUserLocaleName(0x7777), "xx");
    EXPECT_TRUE(std::regex_match(GetOSDescription(),
                                 std::regex(R"(Windows[ \w.]* \(Version \d+\.\d+, Build \d+, 64-bit Edition\))")))
        << GetOSDescription();
}
