#include "update/checker_win.h"

#include <system_error>
#include <thread>

#include "engine/utf.h"
#include "platform/win32_error.h"
#include "update/identity_win.h"
#include "update/postform.h"
#include "update/settings_registry_win.h"

namespace tabulora::update {
namespace {

// The foreground window when it belongs to this program, else the main window.
HWND ActiveWindowOfProgram(HWND mainWindow) {
    const HWND foreground = GetForegroundWindow();
    DWORD process = 0;
    if (foreground) GetWindowThreadProcessId(foreground, &process);
    return process == GetCurrentProcessId() ? foreground : mainWindow;
}

}  // namespace

CheckResults& UpdateCheckState() {
    // Never destroyed: a worker still waiting on the network when the program ends may write
    // its results at any moment, so they must not go away before the process does.
    static CheckResults* const state = new CheckResults;
    return *state;
}

std::string WindowsCheckPlatform::SettingsKeyName(const std::string& appTitle) {
    return update::SettingsKeyName(appTitle);
}

std::string WindowsCheckPlatform::MachineGuid() { return GetMachineGuid(); }

std::unique_ptr<SettingsStore> WindowsCheckPlatform::OpenSettingsStore(const std::string& keyName) {
    return update::OpenSettingsStore(keyName);
}

std::string WindowsCheckPlatform::OsDescription() { return GetOSDescription(); }

std::string WindowsCheckPlatform::LocaleName() { return GetUserLocaleName(locale_); }

std::string WindowsCheckPlatform::TodayText() {
    wchar_t buffer[128] = {};
    const int length = GetDateFormatEx(LOCALE_NAME_USER_DEFAULT, DATE_SHORTDATE, nullptr, nullptr, buffer,
                                       static_cast<int>(std::size(buffer)), nullptr);
    if (length <= 1) throw std::runtime_error("GetDateFormatEx: " + Win32ErrorText(GetLastError()));
    return WideToUtf8({buffer, static_cast<size_t>(length - 1)});
}

std::string WindowsCheckPlatform::PostForm(const std::string& url, const RequestFields& fields, int timeoutMs) {
    return update::PostForm(url, fields, timeoutMs);
}

void WindowsCheckPlatform::ShowImportantMessage(const std::string& message) {
    MessageBoxW(ActiveWindowOfProgram(mainWindow_), Utf8ToWide(message).c_str(), L"IMPORTANT", MB_OK | MB_ICONWARNING);
}

void UpdateCheckWorker::Start(CheckResults& results, AppIdentity app, MakerSite site,
                              std::unique_ptr<CheckPlatform> platform) {
    std::unique_ptr<UpdateCheckWorker> worker(new UpdateCheckWorker(results, std::move(app), std::move(site),
                                                                    std::move(platform)));
    try {
        std::thread([self = std::move(worker)] { self->Run(); }).detach();
    } catch (const std::system_error& error) {
        // Without a worker the run is over at once; the window still sees it finish.
        results.AddCheckError(std::string("ThreadError Error:\r") + error.what());
        results.CheckFinished.store(true, std::memory_order_release);
    }
}

void UpdateCheckWorker::Run() { RunUpdateCheck(results_, app_, site_, *platform_); }

void StartUpdateCheck(const AppIdentity& app, const MakerSite& site, HWND mainWindow) {
    UpdateCheckWorker::Start(UpdateCheckState(), app, site,
                             std::make_unique<WindowsCheckPlatform>(GetThreadLocale(), mainWindow));
}

}  // namespace tabulora::update
