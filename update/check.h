#pragma once
#include <atomic>
#include <memory>
#include <string>
#include <string_view>

#include "base/app_identity.h"
#include "base/maker_site.h"
#include "update/httpform.h"
#include "update/settings.h"

namespace tabulora::update {

// What the check shares with the window thread. The worker writes every other member first
// and publishes CheckFinished last (release); the window thread reads CheckFinished (acquire)
// before it reads anything else, and uses Settings only after that.
struct CheckResults {
    bool CheckStarted = false;  // set by the window thread when it starts the worker
    std::atomic<bool> CheckFinished{false};
    bool NewVersionAvailable = false;
    int ShowUpdate = 0;
    std::string ServerVersion;
    std::string DownloadURL;
    int HowMany = 0;
    bool CheckFailed = false;
    std::string CheckErrors;
    // Created by the first check run and kept for the life of the process.
    std::unique_ptr<SettingsStore> Settings;

    // Records an error message; a message that is blank after trimming is ignored.
    void AddCheckError(std::string_view message);
    void ClearCheckErrors();
    bool IsFinished() const { return CheckFinished.load(std::memory_order_acquire); }
};

// What a check run needs from the system. Tests replace parts of it.
class CheckPlatform {
public:
    virtual ~CheckPlatform() = default;
    // The name of the settings key for the program titled `appTitle`; raises when its digest
    // cannot be computed.
    virtual std::string SettingsKeyName(const std::string& appTitle) = 0;
    // The machine GUID, empty when absent; raises when it cannot be read as text.
    virtual std::string MachineGuid() = 0;
    // Opens (creating when missing) the settings key of that name; raises when that fails badly.
    virtual std::unique_ptr<SettingsStore> OpenSettingsStore(const std::string& keyName) = 0;
    virtual std::string OsDescription() = 0;
    virtual std::string LocaleName() = 0;
    // Today's date in the user's short date format.
    virtual std::string TodayText() = 0;
    // Posts a form; see PostForm.
    virtual std::string PostForm(const std::string& url, const RequestFields& fields, int timeoutMs) = 0;
    // Shows the server's message in a modal "IMPORTANT" box and returns when it is closed.
    virtual void ShowImportantMessage(const std::string& message) = 0;
};

inline constexpr int kCheckTimeoutMs = 10000;

// One complete run of the update check, posting to `site`. Never raises:
// every failure is recorded in `results`, and CheckFinished is set at the very end.
void RunUpdateCheck(CheckResults& results, const AppIdentity& app, const MakerSite& site, CheckPlatform& platform);

}  // namespace tabulora::update
