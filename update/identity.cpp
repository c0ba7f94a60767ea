#include "update/identity.h"

#include <climits>

namespace tabulora::update {

std::string OsProductName(const OsVersionFacts& f) {
    const unsigned version = f.major * 100 + f.minor;
    if (f.workstation) {
        if (version == 1000) return f.build >= 22000 ? "Windows 11" : "Windows 10";
        if (version == 603) return "Windows 8.1";
        if (version == 602) return "Windows 8";
        if (version == 601) return "Windows 7";
        if (version == 600) return "Windows Vista";
        if (version == 501) return "Windows XP";
    } else {
        if (version == 1000) {
            if (f.build >= 26100) return "Windows Server 2025";
            if (f.build >= 20348) return "Windows Server 2022";
            if (f.build >= 17763) return "Windows Server 2019";
            return "Windows Server 2016";
        }
        if (version == 603) return "Windows Server 2012 R2";
        if (version == 602) return "Windows Server 2012";
        if (version == 601) return "Windows Server 2008 R2";
        if (version == 600) return "Windows Server 2008";
        if (version == 502) return "Windows Server 2003";
    }
    return "Windows";
}

std::string FormatOsDescription(const OsVersionFacts& f) {
    std::string text = OsProductName(f);
    if (f.servicePackMajor != 0) text += " Service Pack " + std::to_string(f.servicePackMajor);
    text += " (Version " + std::to_string(f.major) + "." + std::to_string(f.minor) + ", Build " +
            std::to_string(f.build) + ", " + (f.x64 ? "64-bit Edition" : "32-bit Edition") + ")";
    return text;
}

int NextStartCount(std::string_view storedVersion, int storedCount, std::string_view appVersion) {
    if (storedVersion != appVersion || storedCount < 0) storedCount = 0;
    // A count at the top of the range stays there rather than wrapping to a negative number.
    return storedCount == INT_MAX ? INT_MAX : storedCount + 1;
}

int UpdateStartCounter(SettingsStore& store, std::string_view appVersion) {
    // Unreadable values (stored in another form) count as absent; the writes below then
    // replace them with readable ones.
    std::string storedVersion;
    try {
        storedVersion = store.ReadString(kSettingsSection, kInstalledVersion);
    } catch (const std::exception&) {
    }
    int storedCount = 0;
    try {
        storedCount = store.ReadInteger(kSettingsSection, kHowMany, 0);
    } catch (const std::exception&) {
    }
    const int count = NextStartCount(storedVersion, storedCount, appVersion);
    store.WriteInteger(kSettingsSection, kHowMany, count);
    store.WriteString(kSettingsSection, kInstalledVersion, appVersion);
    return count;
}

}  // namespace tabulora::update
