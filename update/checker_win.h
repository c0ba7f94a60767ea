#pragma once
#include <windows.h>

#include <memory>

#include "update/check.h"

namespace tabulora::update {

// The update check's variables shared with the window thread, one set per process, alive until
// the process ends.
CheckResults& UpdateCheckState();

// The check's view of the real system: registry, WinHTTP/Winsock, locale, date, message box.
class WindowsCheckPlatform : public CheckPlatform {
public:
    // `startupLocale` is the main thread's locale as taken at start-up; `mainWindow` owns the
    // "IMPORTANT" box when no other window of the program is active.
    WindowsCheckPlatform(LCID startupLocale, HWND mainWindow) : locale_(startupLocale), mainWindow_(mainWindow) {}

    std::string SettingsKeyName(const std::string& appTitle) override;
    std::string MachineGuid() override;
    std::unique_ptr<SettingsStore> OpenSettingsStore(const std::string& keyName) override;
    std::string OsDescription() override;
    std::string LocaleName() override;
    std::string TodayText() override;
    std::string PostForm(const std::string& url, const RequestFields& fields, int timeoutMs) override;
    void ShowImportantMessage(const std::string& message) override;

private:
    LCID locale_;
    HWND mainWindow_;
};

// The worker thread of one check run. It exists only while its run lasts and deletes itself
// when the run ends.
class UpdateCheckWorker {
public:
    // Starts a run on a new thread that writes into `results`.
    static void Start(CheckResults& results, AppIdentity app, MakerSite site, std::unique_ptr<CheckPlatform> platform);

private:
    UpdateCheckWorker(CheckResults& results, AppIdentity app, MakerSite site, std::unique_ptr<CheckPlatform> platform)
        : results_(results), app_(std::move(app)), site_(std::move(site)), platform_(std::move(platform)) {}
    void Run();

    CheckResults& results_;
    AppIdentity app_;
    MakerSite site_;
    std::unique_ptr<CheckPlatform> platform_;
};

// Starts the process's update check on the real system. Call it on the window thread (its
// locale is the one reported) once, after setting UpdateCheckState().CheckStarted.
void StartUpdateCheck(const AppIdentity& app, const MakerSite& site, HWND mainWindow);

}  // namespace tabulora::update
