#include <gtest/gtest.h>

#include "memory_settings.h"
#include "update/identity.h"

using namespace tabulora::update;
using tabulora::update::testing::MemorySettings;

TEST(NextStartCount, CountsStartsSinceTheVersionChanged) {
    const struct {
        const char* stored;
        int count;
        const char* running;
        int expected;
    } cases[] = {
        {"", 0, "2.1", 1},      // first start ever
        {"2.1", 9, "2.1", 10},  // tenth start of the same version
        {"2.0", 40, "2.1", 1},  // first start after an update
        {"2.1", -5, "2.1", 1},  // a negative count counts as 0
        {"2.10", 3, "2.1", 1},  // exact comparison
        {"2.1", 2147483647, "2.1", 2147483647},
    };
    for (const auto& c : cases)
        EXPECT_EQ(NextStartCount(c.stored, c.count, c.running), c.expected) << c.stored << " " << c.count;
}

TEST(UpdateStartCounter, WritesTheCountAndTheRunningVersion) {
    MemorySettings store;
    EXPECT_EQ(UpdateStartCounter(store, "2.1"), 1);
    EXPECT_EQ(store.values["Settings\\HowMany"], "1");
    EXPECT_EQ(store.values["Settings\\InstalledVersion"], "2.1");
    EXPECT_EQ(UpdateStartCounter(store, "2.1"), 2);
    EXPECT_EQ(UpdateStartCounter(store, "2.2"), 1);
    EXPECT_EQ(store.values["Settings\\InstalledVersion"], "2.2");

    store.values["Settings\\HowMany"] = "abc";
    EXPECT_EQ(UpdateStartCounter(store, "2.2"), 1);
}

TEST(UpdateStartCounter, UnreadableValuesCountAsAbsentAndAreReplaced) {
    MemorySettings store;
    store.values = {{"Settings\\InstalledVersion", "2.1"}, {"Settings\\HowMany", "4"}};
    store.foreignTyped.insert("Settings\\HowMany");
    EXPECT_EQ(UpdateStartCounter(store, "2.1"), 1);
    EXPECT_EQ(store.values["Settings\\HowMany"], "1");

    store.foreignTyped.insert("Settings\\InstalledVersion");
    EXPECT_EQ(UpdateStartCounter(store, "2.1"), 1);
}

TEST(UpdateStartCounter, AFailedWriteRaises) {
    MemorySettings store;
    store.failingWrites.insert("Settings\\HowMany");
    EXPECT_THROW(UpdateStartCounter(store, "2.1"), SettingsError);
}

TEST(SettingsStore, IntegersAreDecimalTextWithDefaults) {
    MemorySettings store;
    EXPECT_EQ(store.ReadInteger("Settings", "ShowUpdate", 1), 1);
    store.values["Settings\\ShowUpdate"] = "abc";
    EXPECT_EQ(store.ReadInteger("Settings", "ShowUpdate", 1), 1);
    store.WriteInteger("Settings", "ShowUpdate", 0);
    EXPECT_EQ(store.values["Settings\\ShowUpdate"], "0");
    EXPECT_EQ(store.ReadInteger("Settings", "ShowUpdate", 1), 0);
    EXPECT_EQ(store.ReadString("Settings", "Absent"), "");
    UnavailableSettings unavailable;
    EXPECT_EQ(unavailable.ReadInteger("Settings", "ShowUpdate", 1), 1);
    EXPECT_THROW(unavailable.WriteInteger("Settings", "ShowUpdate", 0), SettingsError);
}

TEST(FormatOsDescription, NamesTheSystemVersionBuildAndEdition) {
    OsVersionFacts win10{10, 0, 19045, 0, true, true};
    EXPECT_EQ(FormatOsDescription(win10), "Windows 10 (Version 10.0, Build 19045, 64-bit Edition)");
    OsVersionFacts win7sp1{6, 1, 7601, 1, true, false};
    EXPECT_EQ(FormatOsDescription(win7sp1), "Windows 7 Service Pack 1 (Version 6.1, Build 7601, 32-bit Edition)");
    OsVersionFacts server{10, 0, 17763, 0, false, true};
    EXPECT_EQ(FormatOsDescription(server), "Windows Server 2019 (Version 10.0, Build 17763, 64-bit Edition)");
    OsVersionFacts win11{10, 0, 22631, 0, true, true};
    EXPECT_EQ(OsProductName(win11), "Windows 11");
}
