// The main window's update-check timer against the real worker, the local servers and the
// registry of a fresh Wine prefix. The check runs once per process, so each test is run in a
// process of its own (see CMakeLists.txt).
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <memory>

#include "app/main_window.h"
#include "tests/update/local_servers.h"
#include "tests/update/memory_settings.h"
#include "tests/win/fake_effects.h"
#include "ui/new_version_notice.h"
#include "update/checker_win.h"
#include "update/settings_registry_win.h"

namespace {

using tabulora::MainWindow;
using namespace tabulora::update;
using namespace tabulora::update::testing;

const std::string kAnswer =
    "<version>2.2</version>\r\n<url>https://maker.example/get</url>\r\n\r\n<result>0</result>\r\n\r\n"
    "<important></important>\r\n";

std::unique_ptr<SettingsStore> Settings() { return OpenSettingsStore(SettingsKeyName("BRIMTAL - Tabulora")); }

class UpdateTimerTest : public ::testing::Test {
protected:
    UINT ItemState() const {
        return GetMenuState(form->HelpMenu(), MainWindow::UpdateNotificationsCommand, MF_BYCOMMAND);
    }
    bool ItemEnabled() const { return !(ItemState() & (MF_DISABLED | MF_GRAYED)); }
    bool ItemChecked() const { return ItemState() & MF_CHECKED; }

    // Runs the window's messages (its timers included) until `done` holds; false after `limit`.
    static bool PumpUntil(const std::function<bool()>& done, std::chrono::seconds limit = std::chrono::seconds(120)) {
        const auto end = std::chrono::steady_clock::now() + limit;
        while (!done()) {
            if (std::chrono::steady_clock::now() > end) return false;
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
            MSG message;
            while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
        }
        return true;
    }
    // The check starts on the first tick of the window's timer and ends with the menu enabled.
    void RunCheck() {
        EXPECT_TRUE(ItemChecked());
        EXPECT_FALSE(ItemEnabled()) << "disabled until the check has run";
        ASSERT_TRUE(PumpUntil([&] { return ItemEnabled(); })) << "the check never finished";
        EXPECT_TRUE(UpdateCheckState().IsFinished());
    }

    // Starts the program's window against the maker's site on `host`; its timer runs the check.
    void StartProgram(const std::string& host) {
        form = std::make_unique<MainWindow>(tabulora::MakeAppIdentity("BRIMTAL", "Tabulora", "1.1"),
                                            tabulora::MakerSite(host), std::make_unique<MemorySettings>());
    }

    FakeEffects effects;
    std::unique_ptr<MainWindow> form;
};

TEST_F(UpdateTimerTest, NewVersionShowsTheNoticeOnceAndTheMenuStoresTheChoice) {
    StartProgram(LocalHost(Listener::Mixed));
    ScriptCheckAnswer(kAnswer);
    RunCheck();

    EXPECT_EQ(CheckRequestsSoFar().count, 1);
    EXPECT_TRUE(ItemChecked());
    tabulora::ui::NewVersionNotice* notice = form->Notice();
    ASSERT_NE(notice, nullptr);
    ASSERT_TRUE(PumpUntil([&] { return IsWindowVisible(notice->Handle()) != FALSE; }, std::chrono::seconds(10)));
    wchar_t link[64] = {};
    GetWindowTextW(notice->Control(tabulora::ui::NewVersionNotice::DownloadLink), link, 64);
    EXPECT_STREQ(link, L"Click to download Tabulora 2.2");

    form->PollUpdateCheck();  // a stray later tick changes nothing
    EXPECT_EQ(form->Notice(), notice);
    EXPECT_FALSE(KillTimer(form->Handle(), MainWindow::kUpdateCheckTimer)) << "the timer stops for good";

    // The menu command toggles the mark and stores the choice for the next start.
    SendMessageW(form->Handle(), WM_COMMAND, MainWindow::UpdateNotificationsCommand, 0);
    EXPECT_FALSE(ItemChecked());
    EXPECT_EQ(Settings()->ReadValue(kSettingsSection, kShowUpdate), "0");
    SendMessageW(form->Handle(), WM_COMMAND, MainWindow::UpdateNotificationsCommand, 0);
    EXPECT_TRUE(ItemChecked());
    EXPECT_EQ(Settings()->ReadValue(kSettingsSection, kShowUpdate), "1");
    EXPECT_EQ(CheckRequestsSoFar().count, 1) << "toggling never starts a check";

    // A store that cannot be written: an error box, and the mark keeps showing what is stored.
    std::unique_ptr<SettingsStore> store = std::exchange(UpdateCheckState().Settings,
                                                         std::make_unique<UnavailableSettings>());
    SendMessageW(form->Handle(), WM_COMMAND, MainWindow::UpdateNotificationsCommand, 0);
    UpdateCheckState().Settings = std::move(store);
    ASSERT_EQ(effects.messages.size(), 1u);
    EXPECT_EQ(effects.messages[0].caption, L"ERROR");
    EXPECT_EQ(effects.messages[0].type, static_cast<UINT>(MB_OK | MB_ICONERROR));
    EXPECT_NE(effects.messages[0].text.find(L"could not be saved"), std::wstring::npos);
    EXPECT_TRUE(ItemChecked());
}

TEST_F(UpdateTimerTest, DefaultHostFailsQuietlyAndEnablesTheMenu) {
    StartProgram(tabulora::kDefaultMakerHost);
    RunCheck();
    EXPECT_TRUE(UpdateCheckState().CheckFailed);
    EXPECT_TRUE(ItemChecked());
    EXPECT_EQ(form->Notice(), nullptr);
    EXPECT_TRUE(effects.messages.empty());
}

TEST_F(UpdateTimerTest, NotificationsOffMakesNoRequestAndClearsTheMark) {
    Settings()->WriteInteger(kSettingsSection, kShowUpdate, 0);
    StartProgram(LocalHost(Listener::Mixed));
    ScriptCheckAnswer(kAnswer);
    RunCheck();
    EXPECT_FALSE(ItemChecked());
    EXPECT_EQ(form->Notice(), nullptr);
    EXPECT_EQ(CheckRequestsSoFar().count, 0);
}

}  // namespace
