// What a screen reader hears and where the keyboard goes, in every window of the program: each
// usable control is asked for its name and role through AccessibleObjectFromWindow, as a screen
// reader asks, and Tab is pressed through the dialog manager, as the program's message loops
// run it.
#include <oleacc.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "form_fixture.h"
#include "ui/about_box.h"
#include "ui/feedback_window.h"
#include "ui/new_version_notice.h"
#include "ui/palette.h"
#include "ui/preview_window.h"
#include "ui/separator_dialog.h"
#include "winui/handles.h"
#include "winui/panel.h"

using tabulora::ui::AboutBox;
using tabulora::ui::FeedbackWindow;
using tabulora::ui::NewVersionNotice;
using tabulora::ui::SeparatorDialog;

namespace {

const tabulora::AppIdentity kApp = tabulora::MakeAppIdentity("BRIMTAL", "Tabulora", "1.1");
const tabulora::MakerSite kSite("tabulora.example");

enum class Reach {
    Tab,    // a tab stop, in the order of the table
    Arrow,  // reached with the arrow keys from the tab stop of its group
    None,   // spoken, not a stop of the keyboard (a group that holds other controls)
};

struct Row {
    const char* window;
    const wchar_t* name;
    long role;
    Reach reach;
};

// Every usable control of every window, the tab stops in their order. Labels and the status bar
// only show text and are left out.
const Row kRows[] = {
    {"main window", L"Load JSON files... [1]", ROLE_SYSTEM_PUSHBUTTON, Reach::Tab},
    {"main window", L"Include column header", ROLE_SYSTEM_CHECKBUTTON, Reach::Tab},
    {"main window", L"UTF-8", ROLE_SYSTEM_RADIOBUTTON, Reach::Tab},
    {"main window", L"ANSI", ROLE_SYSTEM_RADIOBUTTON, Reach::Arrow},
    {"main window", L"CSV Separator: Comma", ROLE_SYSTEM_PUSHBUTTON, Reach::Tab},
    {"main window", L"Export to CSV...", ROLE_SYSTEM_PUSHBUTTON, Reach::Tab},
    {"main window", L"Preview...", ROLE_SYSTEM_LINK, Reach::Tab},

    {"separator dialog", L"Tab", ROLE_SYSTEM_RADIOBUTTON, Reach::Arrow},
    {"separator dialog", L"Comma", ROLE_SYSTEM_RADIOBUTTON, Reach::Tab},  // the one checked
    {"separator dialog", L"Semicolon", ROLE_SYSTEM_RADIOBUTTON, Reach::Arrow},
    {"separator dialog", L"Space", ROLE_SYSTEM_RADIOBUTTON, Reach::Arrow},
    {"separator dialog", L"Other", ROLE_SYSTEM_RADIOBUTTON, Reach::Arrow},
    {"separator dialog", L"OK", ROLE_SYSTEM_PUSHBUTTON, Reach::Tab},
    {"separator dialog", L"Cancel", ROLE_SYSTEM_PUSHBUTTON, Reach::Tab},

    {"separator dialog, Other", L"Tab", ROLE_SYSTEM_RADIOBUTTON, Reach::Arrow},
    {"separator dialog, Other", L"Comma", ROLE_SYSTEM_RADIOBUTTON, Reach::Arrow},
    {"separator dialog, Other", L"Semicolon", ROLE_SYSTEM_RADIOBUTTON, Reach::Arrow},
    {"separator dialog, Other", L"Space", ROLE_SYSTEM_RADIOBUTTON, Reach::Arrow},
    {"separator dialog, Other", L"Other", ROLE_SYSTEM_RADIOBUTTON, Reach::Tab},
    {"separator dialog, Other", L"Other separator character", ROLE_SYSTEM_TEXT, Reach::Tab},
    {"separator dialog, Other", L"OK", ROLE_SYSTEM_PUSHBUTTON, Reach::Tab},
    {"separator dialog, Other", L"Cancel", ROLE_SYSTEM_PUSHBUTTON, Reach::Tab},

    {"new-version notice", L"Click to download Tabulora 2.2", ROLE_SYSTEM_LINK, Reach::Tab},
    {"new-version notice", L"Close", ROLE_SYSTEM_PUSHBUTTON, Reach::Tab},

    {"feedback window", L"What did you like or dislike?", ROLE_SYSTEM_TEXT, Reach::Tab},
    {"feedback window", L"Include my e-mail:", ROLE_SYSTEM_TEXT, Reach::Tab},
    {"feedback window", L"Send", ROLE_SYSTEM_PUSHBUTTON, Reach::Tab},
    {"feedback window", L"I like it!", ROLE_SYSTEM_RADIOBUTTON, Reach::Tab},
    {"feedback window", L"I dislike it!", ROLE_SYSTEM_RADIOBUTTON, Reach::Arrow},

    {"about box", L"OK", ROLE_SYSTEM_PUSHBUTTON, Reach::Tab},
    {"about box", L"Info", ROLE_SYSTEM_BUTTONMENU, Reach::Tab},
    {"about box", L"tabulora.example", ROLE_SYSTEM_LINK, Reach::Tab},
    {"about box", L"Tabulora 1.1", ROLE_SYSTEM_GROUPING, Reach::None},

    // The join box is disabled while arrays are not joined; the progress bar hidden until a scan.
    {"preview window", L"Records:", ROLE_SYSTEM_COMBOBOX, Reach::Tab},
    {"preview window", L"Arrays:", ROLE_SYSTEM_COMBOBOX, Reach::Tab},
    {"preview window", L"Rows as the export writes them:", ROLE_SYSTEM_LIST, Reach::Tab},
    {"preview window", L"Columns:", ROLE_SYSTEM_LIST, Reach::Tab},
    {"preview window", L"Move Up", ROLE_SYSTEM_PUSHBUTTON, Reach::Tab},
    {"preview window", L"Move Down", ROLE_SYSTEM_PUSHBUTTON, Reach::Tab},
    {"preview window", L"Rename", ROLE_SYSTEM_PUSHBUTTON, Reach::Tab},
    {"preview window", L"Find All Columns", ROLE_SYSTEM_PUSHBUTTON, Reach::Tab},
    {"preview window", L"Reset", ROLE_SYSTEM_PUSHBUTTON, Reach::Tab},
    {"preview window", L"One row per element of:", ROLE_SYSTEM_LIST, Reach::Tab},
    {"preview window", L"Save Recipe...", ROLE_SYSTEM_PUSHBUTTON, Reach::Tab},
    {"preview window", L"Load Recipe...", ROLE_SYSTEM_PUSHBUTTON, Reach::Tab},
    {"preview window", L"Export...", ROLE_SYSTEM_PUSHBUTTON, Reach::Tab},
    {"preview window", L"Close", ROLE_SYSTEM_PUSHBUTTON, Reach::Tab},
    {"preview window", L"Column headers of the rows", ROLE_SYSTEM_LIST, Reach::None},
    {"preview window", L"Column headers of the column list", ROLE_SYSTEM_LIST, Reach::None},
};

struct Spoken {
    std::wstring name;
    long role = 0;
    long state = 0;
    bool operator<(const Spoken& other) const { return std::tie(name, role) < std::tie(other.name, other.role); }
};

std::wstring RoleText(long role) {
    wchar_t text[64] = {};
    GetRoleTextW(static_cast<DWORD>(role), text, 64);
    return text;
}

// What a screen reader hears of a control.
Spoken Speak(HWND control) {
    Spoken spoken;
    IAccessible* object = nullptr;
    if (FAILED(AccessibleObjectFromWindow(control, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible),
                                          reinterpret_cast<void**>(&object))) ||
        !object) {
        ADD_FAILURE() << "no accessible object";
        return spoken;
    }
    VARIANT self{};
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    BSTR name = nullptr;
    if (object->get_accName(self, &name) == S_OK && name) spoken.name.assign(name, SysStringLen(name));
    SysFreeString(name);
    VARIANT value{};
    if (SUCCEEDED(object->get_accRole(self, &value)) && value.vt == VT_I4) spoken.role = value.lVal;
    VariantClear(&value);
    if (SUCCEEDED(object->get_accState(self, &value)) && value.vt == VT_I4) spoken.state = value.lVal;
    object->Release();
    return spoken;
}

std::wstring Describe(const Spoken& spoken) { return L"\"" + spoken.name + L"\" (" + RoleText(spoken.role) + L")"; }

// Runs the thread's messages as the program's loops do: each through the dialog manager of its
// top-level window first.
void RunMessages() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        const HWND root = message.hwnd ? GetAncestor(message.hwnd, GA_ROOT) : nullptr;
        if (root && IsDialogMessageW(root, &message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

// A key pressed while `control` (by default the focused one) has the focus; `modifiers` are
// held down meanwhile.
void PressKey(UINT key, std::vector<UINT> modifiers = {}, HWND control = nullptr) {
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    for (UINT modifier : modifiers) keys[modifier] = 0x80;
    SetKeyboardState(keys);
    const UINT scan = MapVirtualKeyW(key, MAPVK_VK_TO_VSC);
    PostMessageW(control ? control : GetFocus(), WM_KEYDOWN, key, 1 | (scan << 16));
    RunMessages();
    PostMessageW(control ? control : GetFocus(), WM_KEYUP, key, 1 | (scan << 16) | (3u << 30));
    RunMessages();
    for (UINT modifier : modifiers) keys[modifier] = 0;
    SetKeyboardState(keys);
}

// The visible, enabled controls of `window` that do more than show text.
std::vector<std::pair<HWND, Spoken>> UsableControls(HWND window) {
    std::vector<std::pair<HWND, Spoken>> found;
    std::function<void(HWND)> walk = [&](HWND parent) {
        for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
            if (!IsWindowVisible(child)) continue;
            if (IsWindowEnabled(child)) {
                const Spoken spoken = Speak(child);
                if (spoken.role != ROLE_SYSTEM_STATICTEXT && spoken.role != ROLE_SYSTEM_STATUSBAR &&
                    spoken.role != ROLE_SYSTEM_GRAPHIC && spoken.role != ROLE_SYSTEM_TOOLTIP)
                    found.emplace_back(child, spoken);
            }
            walk(child);
        }
    };
    walk(window);
    return found;
}

class AccessibilityTest : public FormTest {
protected:
    winui::ComApartment com;

    // Checks every row of `window`: each usable control is there with its name and role, the
    // first tab stop has the focus, and Tab goes through the tab stops in order and back to
    // the first.
    void CheckWindow(const char* windowName, HWND window) {
        SCOPED_TRACE(windowName);
        std::vector<const Row*> rows, tabStops;
        for (const Row& row : kRows) {
            if (std::string(row.window) != windowName) continue;
            rows.push_back(&row);
            if (row.reach == Reach::Tab) tabStops.push_back(&row);
        }
        ASSERT_FALSE(tabStops.empty());

        std::map<Spoken, HWND> byName;
        for (const auto& [control, spoken] : UsableControls(window)) {
            EXPECT_FALSE(spoken.name.empty()) << "a control without a name: " << Describe(spoken);
            byName[spoken] = control;
        }
        std::vector<std::wstring> expected, actual;
        for (const Row* row : rows) expected.push_back(Describe({row->name, row->role}));
        for (const auto& [spoken, control] : byName) actual.push_back(Describe(spoken));
        std::sort(expected.begin(), expected.end());
        std::sort(actual.begin(), actual.end());
        EXPECT_EQ(actual, expected) << "the usable controls and what they are called";

        RunMessages();
        EXPECT_EQ(Describe(Speak(GetFocus())), Describe({tabStops[0]->name, tabStops[0]->role}))
            << "the first control has the focus when the window opens";
        for (size_t i = 1; i <= tabStops.size(); ++i) {
            const Row& next = *tabStops[i % tabStops.size()];
            PressKey(VK_TAB);
            const Spoken focused = Speak(GetFocus());
            EXPECT_EQ(Describe(focused), Describe({next.name, next.role})) << "Tab number " << i;
            EXPECT_TRUE(focused.state & STATE_SYSTEM_FOCUSED) << Describe(focused);
        }
    }

    void LoadOneFile() { form.AddInputFile(WriteFile("data.json", "[{\"a\": 1}]")); }

    void Activate(HWND window) {
        SetForegroundWindow(window);
        SetActiveWindow(window);
        RunMessages();
    }

    // Runs `whileOpen` from inside the window's own modal loop, then closes the window.
    template <typename Window>
    void WhileModal(Window& window, std::function<void()> whileOpen) {
        static std::function<void()>* pending = nullptr;
        std::function<void()> run = [&] {
            whileOpen();
            window.Close();
        };
        pending = &run;
        SetTimer(nullptr, 0, 10, [](HWND, UINT, UINT_PTR timer, DWORD) {
            KillTimer(nullptr, timer);
            if (auto* job = std::exchange(pending, nullptr)) (*job)();
        });
        window.ShowModal();
        EXPECT_EQ(pending, nullptr) << "the modal loop ran";
    }
};

TEST_F(AccessibilityTest, EveryWindowNamesItsControlsAndTabReachesThemInOrder) {
    LoadOneFile();
    ShowWindow(form.Handle(), SW_SHOW);
    Activate(form.Handle());
    CheckWindow("main window", form.Handle());

    form.OpenSeparatorDialog();
    SeparatorDialog* dialog = form.LastSeparatorDialog();
    RunMessages();
    CheckWindow("separator dialog", dialog->Handle());
    dialog->Cancel();

    form.ChooseSeparator(L"|");
    form.OpenSeparatorDialog();
    RunMessages();
    CheckWindow("separator dialog, Other", form.LastSeparatorDialog()->Handle());
    form.LastSeparatorDialog()->Cancel();
    Activate(form.Handle());

    NewVersionNotice notice(form.Handle(), {L"Tabulora", L"2.2", L"https://maker.example/get"}, kSite);
    notice.ShowAnimated();
    EXPECT_EQ(GetActiveWindow(), form.Handle()) << "the notice leaves the keyboard where it was";
    // A user who clicks into the notice finds its link first.
    SetActiveWindow(notice.Handle());
    SetFocus(notice.Control(NewVersionNotice::DownloadLink));
    CheckWindow("new-version notice", notice.Handle());
    notice.Close();
    Activate(form.Handle());

    FeedbackWindow feedback(form.Handle(), kApp, kSite);
    WhileModal(feedback, [&] { CheckWindow("feedback window", feedback.Handle()); });

    AboutBox about(form.Handle(), kApp, kSite);
    WhileModal(about, [&] { CheckWindow("about box", about.Handle()); });

    Activate(form.Handle());
    form.OpenPreview();
    ASSERT_NE(form.Preview(), nullptr);
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (form.Preview()->Reading() && std::chrono::steady_clock::now() < limit) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        RunMessages();
    }
    Activate(form.Preview()->Handle());
    CheckWindow("preview window", form.Preview()->Handle());
    form.Preview()->Close();
}

TEST_F(AccessibilityTest, TheArrowKeysStayInTheirRadioGroup) {
    LoadOneFile();
    ShowWindow(form.Handle(), SW_SHOW);
    Activate(form.Handle());
    SetFocus(form.Control(Form::Utf8Radio));
    PressKey(VK_DOWN);
    EXPECT_EQ(GetFocus(), form.Control(Form::AnsiRadio));
    EXPECT_EQ(form.Options().encoding, tabulora::TextEncoding::Ansi);
    PressKey(VK_DOWN);
    EXPECT_EQ(GetFocus(), form.Control(Form::Utf8Radio)) << "Down on ANSI goes round to UTF-8, not to the label";
    EXPECT_EQ(form.Options().encoding, tabulora::TextEncoding::Utf8);
    PressKey(VK_TAB);
    EXPECT_EQ(GetFocus(), form.Control(Form::SeparatorButton));
}

TEST_F(AccessibilityTest, TheFeedbackChoicesAreChosenWithSpaceAndTheArrowKeys) {
    FeedbackWindow feedback(form.Handle(), kApp, kSite);
    WhileModal(feedback, [&] {
        const HWND like = feedback.Control(FeedbackWindow::LikeChoice);
        const HWND dislike = feedback.Control(FeedbackWindow::DislikeChoice);
        PressKey(VK_TAB, {VK_SHIFT});  // back from the message to the choices
        ASSERT_EQ(GetFocus(), like);
        EXPECT_EQ(feedback.Choice(), tabulora::ui::FeedbackChoice::None) << "the focus alone chooses nothing";
        PressKey(VK_SPACE);
        EXPECT_EQ(feedback.Choice(), tabulora::ui::FeedbackChoice::Like);
        EXPECT_TRUE(Speak(like).state & STATE_SYSTEM_CHECKED);
        PressKey(VK_RIGHT);
        EXPECT_EQ(GetFocus(), dislike);
        EXPECT_EQ(feedback.Choice(), tabulora::ui::FeedbackChoice::Dislike);
        EXPECT_FALSE(Speak(like).state & STATE_SYSTEM_CHECKED);
        EXPECT_TRUE(Speak(dislike).state & STATE_SYSTEM_CHECKED);
        PressKey(VK_UP);
        EXPECT_EQ(GetFocus(), like);
        EXPECT_EQ(feedback.Choice(), tabulora::ui::FeedbackChoice::Like);
        // Tab leaves the pair from the chosen one, and comes back to it.
        PressKey(VK_TAB);
        EXPECT_EQ(GetFocus(), feedback.Control(FeedbackWindow::MessageEdit));
        PressKey(VK_TAB);
        PressKey(VK_TAB);
        PressKey(VK_TAB);
        EXPECT_EQ(GetFocus(), like);
        // A screen reader's default action chooses too.
        IAccessible* object = nullptr;
        ASSERT_HRESULT_SUCCEEDED(AccessibleObjectFromWindow(dislike, static_cast<DWORD>(OBJID_CLIENT),
                                                            __uuidof(IAccessible), reinterpret_cast<void**>(&object)));
        VARIANT self{};
        self.vt = VT_I4;
        self.lVal = CHILDID_SELF;
        EXPECT_HRESULT_SUCCEEDED(object->accDoDefaultAction(self));
        object->Release();
        RunMessages();
        EXPECT_EQ(feedback.Choice(), tabulora::ui::FeedbackChoice::Dislike);
    });
}

TEST_F(AccessibilityTest, TabLeavesTheFeedbackMessageAndCtrlTabTypesATab) {
    FeedbackWindow feedback(form.Handle(), kApp, kSite);
    WhileModal(feedback, [&] {
        const HWND message = feedback.Control(FeedbackWindow::MessageEdit);
        ASSERT_EQ(GetFocus(), message);
        SetWindowTextW(message, L"ab");
        SendMessageW(message, EM_SETSEL, 2, 2);
        PressKey(VK_TAB, {VK_CONTROL});
        EXPECT_EQ(GetFocus(), message);
        EXPECT_EQ(winui::WindowText(message), L"ab\t") << "one TAB typed";
        PressKey(VK_TAB);
        EXPECT_EQ(GetFocus(), feedback.Control(FeedbackWindow::EmailEdit));
        EXPECT_EQ(winui::WindowText(message), L"ab\t") << "Tab typed nothing";
        PressKey(VK_TAB);
        EXPECT_EQ(GetFocus(), feedback.Control(FeedbackWindow::SendButton));
        // Enter in the message still starts a new line.
        SetFocus(message);
        SendMessageW(message, EM_SETSEL, 3, 3);
        PressKey(VK_RETURN);
        EXPECT_EQ(winui::WindowText(message), L"ab\t\r\n");
    });
}

TEST_F(AccessibilityTest, EnterOnTheAboutBoxLinkOpensTheMakersSite) {
    AboutBox about(form.Handle(), kApp, kSite);
    WhileModal(about, [&] {
        PressKey(VK_TAB);
        PressKey(VK_TAB);
        ASSERT_EQ(GetFocus(), about.Control(AboutBox::SiteLink));
        EXPECT_TRUE(effects.shellCalls.empty());
        PressKey(VK_RETURN);
        ASSERT_EQ(effects.shellCalls.size(), 1u);
        EXPECT_EQ(effects.shellCalls[0].file, L"http://tabulora.example/");
        EXPECT_TRUE(IsWindow(about.Handle())) << "Enter on the link does not close the box";
        EXPECT_TRUE(Speak(about.Control(AboutBox::InfoButton)).state & STATE_SYSTEM_HASPOPUP)
            << "Info says that it opens a menu";
    });
}

TEST_F(AccessibilityTest, UnderHighContrastTheAboutBoxAndChoicesTakeTheSystemColoursAndFollowAChange) {
    AboutBox about(form.Handle(), kApp, kSite);
    FeedbackWindow feedback(form.Handle(), kApp, kSite);
    feedback.ChooseLike();
    const auto system = [](tabulora::ui::SystemColour colour) {
        switch (colour) {
        case tabulora::ui::SystemColour::Window: return GetSysColor(COLOR_WINDOW);
        case tabulora::ui::SystemColour::WindowText: return GetSysColor(COLOR_WINDOWTEXT);
        case tabulora::ui::SystemColour::ButtonFace: return GetSysColor(COLOR_BTNFACE);
        case tabulora::ui::SystemColour::ButtonText: return GetSysColor(COLOR_BTNTEXT);
        case tabulora::ui::SystemColour::Highlight: return GetSysColor(COLOR_HIGHLIGHT);
        case tabulora::ui::SystemColour::HighlightText: return GetSysColor(COLOR_HIGHLIGHTTEXT);
        case tabulora::ui::SystemColour::HotLight: return GetSysColor(COLOR_HOTLIGHT);
        case tabulora::ui::SystemColour::MenuHighlight: return GetSysColor(COLOR_MENUHILIGHT);
        }
        return COLORREF{};
    };
    EXPECT_EQ(about.Colours(), tabulora::ui::AboutBoxPalette(false, system));
    EXPECT_EQ(winui::GetPanelLook(about.Control(AboutBox::CentrePanel)).background, RGB(0, 0, 0));

    // The setting changes while the windows are open; Windows then sends WM_SYSCOLORCHANGE.
    _wputenv(L"TABULORA_HIGH_CONTRAST=1");
    SendMessageW(about.Handle(), WM_SYSCOLORCHANGE, 0, 0);
    SendMessageW(feedback.Handle(), WM_SYSCOLORCHANGE, 0, 0);
    _wputenv(L"TABULORA_HIGH_CONTRAST=");
    EXPECT_EQ(about.Colours(), tabulora::ui::AboutBoxPalette(true, system));
    EXPECT_EQ(winui::GetPanelLook(about.Control(AboutBox::CentrePanel)).background, GetSysColor(COLOR_WINDOW));
    EXPECT_EQ(winui::GetPanelLook(about.Control(AboutBox::CentrePanel)).text, GetSysColor(COLOR_WINDOWTEXT));
    EXPECT_EQ(feedback.Choice(), tabulora::ui::FeedbackChoice::Like) << "the choice survives the change";

    SendMessageW(about.Handle(), WM_SETTINGCHANGE, SPI_SETHIGHCONTRAST, 0);
    EXPECT_EQ(about.Colours(), tabulora::ui::AboutBoxPalette(false, system)) << "and back when it is off";
}

}  // namespace
