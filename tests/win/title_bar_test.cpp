#include "winui/title_bar.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "form_fixture.h"
#include "ui/about_box.h"
#include "ui/feedback_window.h"
#include "ui/new_version_notice.h"
#include "ui/separator_dialog.h"

namespace {

const wchar_t kPersonalizeKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize";

struct AttributeCall {
    HWND window;
    DWORD attribute;
    std::optional<BOOL> value;  // empty when the size was not that of a BOOL
};
std::vector<AttributeCall> attributeCalls;

HRESULT WINAPI RecordAttribute(HWND window, DWORD attribute, LPCVOID value, DWORD size) {
    std::optional<BOOL> flag;
    if (value && size == sizeof(BOOL)) flag = *static_cast<const BOOL*>(value);
    attributeCalls.push_back({window, attribute, flag});
    return S_OK;
}

// The user's "apps use light theme" value, as the test sets it in the Wine prefix's registry;
// what was there before comes back at the end.
class AppsThemeSetting {
public:
    AppsThemeSetting() {
        DWORD value = 0, size = sizeof value;
        if (RegGetValueW(HKEY_CURRENT_USER, kPersonalizeKey, L"AppsUseLightTheme", RRF_RT_REG_DWORD, nullptr, &value,
                         &size) == ERROR_SUCCESS) {
            original_ = value;
        }
    }
    ~AppsThemeSetting() { Set(original_); }
    // A value of the key, or none (the value removed).
    static void Set(std::optional<DWORD> light) {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kPersonalizeKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                                  nullptr),
                  ERROR_SUCCESS);
        if (light) {
            RegSetValueExW(key, L"AppsUseLightTheme", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&*light),
                           sizeof(DWORD));
        } else {
            RegDeleteValueW(key, L"AppsUseLightTheme");
        }
        RegCloseKey(key);
    }

private:
    std::optional<DWORD> original_;
};

class TitleBarTest : public FormTest {
protected:
    void SetUp() override {
        attributeCalls.clear();
        previous_ = winui::InstallTitleBarFunctions(&recording_);
    }
    void TearDown() override { winui::InstallTitleBarFunctions(previous_); }

    // Every top-level window of the program, made while the theme is as set.
    struct Windows {
        std::vector<std::pair<const char*, HWND>> all;
        std::unique_ptr<Form> main;
        std::unique_ptr<tabulora::ui::AboutBox> about;
        std::unique_ptr<tabulora::ui::FeedbackWindow> feedback;
        std::unique_ptr<tabulora::ui::NewVersionNotice> notice;
    };
    std::unique_ptr<Windows> MakeEveryWindow() {
        auto windows = std::make_unique<Windows>();
        const auto identity = tabulora::ReadProgramIdentity(winui::ExecutablePath());
        const tabulora::MakerSite site("tabulora.example");
        attributeCalls.clear();
        windows->main = std::make_unique<Form>(identity, site,
                                               std::make_unique<tabulora::update::testing::MemorySettings>());
        windows->all.push_back({"main window", windows->main->Handle()});
        form.OpenSeparatorDialog();
        windows->all.push_back({"separator dialog", form.LastSeparatorDialog()->Handle()});
        windows->about = std::make_unique<tabulora::ui::AboutBox>(form.Handle(), identity, site);
        windows->all.push_back({"about box", windows->about->Handle()});
        windows->feedback = std::make_unique<tabulora::ui::FeedbackWindow>(form.Handle(), identity, site);
        windows->all.push_back({"feedback window", windows->feedback->Handle()});
        windows->notice = std::make_unique<tabulora::ui::NewVersionNotice>(
            form.Handle(), tabulora::ui::NewVersionInfo{L"Tabulora", L"9.9", L"https://tabulora.example/get"}, site);
        windows->all.push_back({"new-version notice", windows->notice->Handle()});
        return windows;
    }
    // The value of the dark-mode attribute last set on `window`, or none.
    static std::optional<BOOL> LastDarkMode(HWND window) {
        std::optional<BOOL> last;
        for (const AttributeCall& call : attributeCalls) {
            if (call.window != window) continue;
            EXPECT_EQ(call.attribute, winui::kImmersiveDarkModeAttribute);
            EXPECT_TRUE(call.value.has_value()) << "the attribute was not given a BOOL";
            last = call.value;
        }
        return last;
    }
    static size_t CallsFor(HWND window) {
        size_t count = 0;
        for (const AttributeCall& call : attributeCalls) count += call.window == window;
        return count;
    }

    AppsThemeSetting theme;
    winui::TitleBarFunctions recording_{RecordAttribute};

private:
    const winui::TitleBarFunctions* previous_ = nullptr;
};

TEST_F(TitleBarTest, EveryWindowIsMadeWithTheTitleBarOfTheAppsTheme) {
    struct Case {
        std::optional<DWORD> appsUseLightTheme;
        BOOL dark;
    };
    const Case cases[] = {{0, TRUE}, {1, FALSE}, {std::nullopt, FALSE}};
    for (const Case& c : cases) {
        AppsThemeSetting::Set(c.appsUseLightTheme);
        const auto windows = MakeEveryWindow();
        for (const auto& [name, window] : windows->all) {
            ASSERT_NE(window, nullptr) << name;
            EXPECT_EQ(LastDarkMode(window), std::optional<BOOL>(c.dark))
                << name << ", AppsUseLightTheme " << (c.appsUseLightTheme ? int(*c.appsUseLightTheme) : -1);
        }
    }
}

TEST_F(TitleBarTest, EveryWindowFollowsASwitchOfTheColourSetAndNoOtherSettingChange) {
    AppsThemeSetting::Set(1);
    const auto windows = MakeEveryWindow();
    AppsThemeSetting::Set(0);
    for (const auto& [name, window] : windows->all) {
        // Other changes, and a change without a name, leave the title bar alone.
        const size_t before = CallsFor(window);
        SendMessageW(window, WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>(L"intl"));
        SendMessageW(window, WM_SETTINGCHANGE, SPI_SETWORKAREA, 0);
        EXPECT_EQ(CallsFor(window), before) << name;

        SendMessageW(window, WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>(L"ImmersiveColorSet"));
        EXPECT_EQ(LastDarkMode(window), std::optional<BOOL>(TRUE)) << name;
    }
    AppsThemeSetting::Set(1);
    for (const auto& [name, window] : windows->all) {
        SendMessageW(window, WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>(L"ImmersiveColorSet"));
        EXPECT_EQ(LastDarkMode(window), std::optional<BOOL>(FALSE)) << name;
    }
}

TEST_F(TitleBarTest, MessageBoxesGetTheTitleBarToo) {
    AppsThemeSetting::Set(0);
    // The real message box: a timer of this thread finds it while it is up, and closes it.
    static HWND box;
    box = nullptr;
    const UINT_PTR timer = SetTimer(nullptr, 0, 50, [](HWND, UINT, UINT_PTR, DWORD) {
        EnumThreadWindows(
            GetCurrentThreadId(),
            [](HWND window, LPARAM) -> BOOL {
                wchar_t name[16] = {};
                GetClassNameW(window, name, 16);
                if (std::wstring(name) != L"#32770" || !IsWindowVisible(window)) return TRUE;
                box = window;
                PostMessageW(window, WM_COMMAND, IDOK, 0);
                return FALSE;
            },
            0);
    });
    FakeEffects* faked = &effects;
    winui::InstallEffects(nullptr);  // the Win32 side effects, for this one box
    const int pressed = winui::Effects().ShowMessage(form.Handle(), L"Saved.", L"Tabulora", MB_OK);
    winui::InstallEffects(faked);
    KillTimer(nullptr, timer);
    EXPECT_EQ(pressed, IDOK);
    ASSERT_NE(box, nullptr) << "the message box was not seen";
    EXPECT_EQ(LastDarkMode(box), std::optional<BOOL>(TRUE));
}

TEST_F(TitleBarTest, TheSystemFunctionIsFoundAndASystemWithoutItChangesNothing) {
    winui::InstallTitleBarFunctions(nullptr);
    // Wine, as Windows Vista and later, has dwmapi: the look-up at run time finds it.
    EXPECT_NE(winui::CurrentTitleBarFunctions().setWindowAttribute, nullptr);

    const winui::TitleBarFunctions none{};
    winui::InstallTitleBarFunctions(&none);
    AppsThemeSetting::Set(0);
    const auto windows = MakeEveryWindow();
    for (const auto& [name, window] : windows->all) {
        EXPECT_TRUE(IsWindow(window)) << name;
        SendMessageW(window, WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>(L"ImmersiveColorSet"));
    }
    EXPECT_TRUE(attributeCalls.empty());
}

}  // namespace
