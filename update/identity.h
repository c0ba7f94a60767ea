#pragma once
#include <string>
#include <string_view>

#include "update/settings.h"

namespace tabulora::update {

// The operating-system facts that make up its description.
struct OsVersionFacts {
    unsigned major = 0;
    unsigned minor = 0;
    unsigned build = 0;
    unsigned servicePackMajor = 0;
    bool workstation = true;  // false for server editions
    bool x64 = true;          // runs on a 64-bit x86 processor
};

// The product name of a Windows version, for example "Windows 10" or "Windows Server 2016".
std::string OsProductName(const OsVersionFacts& facts);

// "Windows 10 (Version 10.0, Build 19045, 64-bit Edition)", with " Service Pack N" after the
// name when a service pack is installed.
std::string FormatOsDescription(const OsVersionFacts& facts);

// The start counter after this start: 1 when the stored version differs from the running one
// (an empty stored text differs too), else the stored count plus one; a negative count counts as 0.
int NextStartCount(std::string_view storedVersion, int storedCount, std::string_view appVersion);

// Counts this start in the store ("HowMany") and records the running version
// ("InstalledVersion"); returns the new count. A value that cannot be read counts as absent;
// a failed write raises SettingsError.
int UpdateStartCounter(SettingsStore& store, std::string_view appVersion);

}  // namespace tabulora::update
