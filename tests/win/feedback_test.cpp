// The feedback window against the real local servers of local_servers.py: what it posts, how it
// reads the answer, and what the user sees and keeps.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "base/app_identity.h"
#include "base/maker_site.h"
#include "fake_effects.h"
#include "tests/update/local_servers.h"
#include "ui/feedback_window.h"
#include "update/postform.h"
#include "winui/busy_cursor.h"
#include "winui/panel.h"

using tabulora::ui::FeedbackChoice;
using tabulora::ui::FeedbackWindow;
using namespace tabulora::update::testing;

namespace {

const char kDelivered[] = "Your feedback is received.\r\rThank you!";
const char kNotDelivered[] = "Something went wrong. Your feedback could not be delivered.\r\rPlease try again later.";

std::wstring Wide(const std::string& text) { return std::wstring(text.begin(), text.end()); }

class FeedbackTest : public testing::Test {
protected:
    struct Attempt {
        std::string url;
        int timeoutMs;
        winui::ScreenCursor cursor;
    };

    void SetUp() override {
        UseServer(Listener::Plain);
        ScriptCheckAnswer("OK");
        OpenForm();
    }
    // The window posts to the placeholder host; each attempt goes to the server in use.
    void UseServer(Listener listener) { server = LocalHost(listener); }

    // A fresh window, shown (focus rules need a visible window), posting through the real PostForm.
    void OpenForm() {
        const tabulora::AppIdentity app = tabulora::MakeAppIdentity("BRIMTAL", "Tabulora", "1.1");
        form = std::make_unique<FeedbackWindow>(nullptr, app, tabulora::MakerSite(kPlaceholderHost),
                                                [this](std::string url, const tabulora::update::RequestFields& fields,
                                                       int timeoutMs) {
                                                    url.replace(url.find(kPlaceholderHost),
                                                                std::string_view(kPlaceholderHost).size(), server);
                                                    attempts.push_back({url, timeoutMs, winui::CurrentScreenCursor()});
                                                    return tabulora::update::PostForm(url, fields, timeoutMs);
                                                });
        ShowWindow(form->Handle(), SW_SHOW);
    }

    HWND Control(int id) const { return form->Control(id); }
    void SetText(int id, const std::wstring& text) { SetWindowTextW(Control(id), text.c_str()); }
    std::wstring Text(int id) const {
        wchar_t text[512] = {};
        GetWindowTextW(Control(id), text, 512);
        return text;
    }
    // A click as the mouse makes it, on a choice panel.
    void ClickPanel(int id) {
        SendMessageW(Control(id), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(100, 20));
        SendMessageW(Control(id), WM_LBUTTONUP, 0, MAKELPARAM(100, 20));
    }
    void Send() { SendMessageW(Control(FeedbackWindow::SendButton), BM_CLICK, 0, 0); }
    int RequestCount() { return CheckRequestsSoFar().count; }

    static constexpr char kPlaceholderHost[] = "feedback.test";
    FakeEffects effects;
    std::string server;
    std::vector<Attempt> attempts;
    std::unique_ptr<FeedbackWindow> form;
};

TEST_F(FeedbackTest, OpensWithItsTextsLimitsAndNothingChosen) {
    wchar_t caption[64] = {};
    GetWindowTextW(form->Handle(), caption, 64);
    EXPECT_STREQ(caption, L"Tabulora feedback");
    EXPECT_EQ(Text(FeedbackWindow::LikeChoice), L"I like it!");
    EXPECT_EQ(Text(FeedbackWindow::DislikeChoice), L"I dislike it!");
    EXPECT_EQ(Text(FeedbackWindow::EmailLabel), L"Include my e-mail:");
    EXPECT_EQ(Text(FeedbackWindow::SendButton), L"Send");
    EXPECT_EQ(SendMessageW(Control(FeedbackWindow::MessageEdit), EM_GETLIMITTEXT, 0, 0), 10000);
    EXPECT_EQ(SendMessageW(Control(FeedbackWindow::EmailEdit), EM_GETLIMITTEXT, 0, 0), 100);
    const auto memoStyle = GetWindowLongPtrW(Control(FeedbackWindow::MessageEdit), GWL_STYLE);
    EXPECT_TRUE((memoStyle & ES_MULTILINE) && (memoStyle & WS_VSCROLL));
    EXPECT_EQ(form->Choice(), FeedbackChoice::None);
}

TEST_F(FeedbackTest, ThePanelsChooseOneAtATimeAndCannotBeWithdrawn) {
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    ClickPanel(FeedbackWindow::LikeChoice);
    EXPECT_EQ(form->Choice(), FeedbackChoice::Like);
    EXPECT_EQ(winui::GetPanelLook(Control(FeedbackWindow::LikeChoice)),
              (winui::PanelLook{GetSysColor(COLOR_HIGHLIGHT), GetSysColor(COLOR_HIGHLIGHTTEXT),
                                winui::Bevel::Lowered}));
    ClickPanel(FeedbackWindow::LikeChoice);  // again: still chosen
    EXPECT_EQ(form->Choice(), FeedbackChoice::Like);
    ClickPanel(FeedbackWindow::DislikeChoice);
    EXPECT_EQ(form->Choice(), FeedbackChoice::Dislike);
    EXPECT_EQ(winui::GetPanelLook(Control(FeedbackWindow::LikeChoice)),
              (winui::PanelLook{face, GetSysColor(COLOR_WINDOWTEXT), winui::Bevel::Raised}));
}

// Each case goes through HTTPS (refused by the plain listener) and then plain HTTP.
TEST_F(FeedbackTest, PostsTheFieldsInOrderAndClosesOnOk) {
    struct Case {
        const char* name;
        std::vector<int> clicks;
        std::wstring memo, email;
        std::string body;
    };
    const char* head = "cmd=feedback&appname=BRIMTAL+-+Tabulora&version=1.1&feedback=";
    const Case cases[] = {
        {"liked", {FeedbackWindow::LikeChoice}, L"Great", L"", "I+like+it%21%0DGreat"},
        {"switched to dislike, trimmed",
         {FeedbackWindow::LikeChoice, FeedbackWindow::DislikeChoice},
         L" \r\n Bad\r\nreally \r\n",
         L"  me.too+x@mail-host.example.org ",
         "I+dislike+it%21%0DBad%0D%0Areally&email=me.too%2Bx%40mail-host.example.org"},
        {"no choice", {}, L"Just text", L"", "Just+text"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        OpenForm();
        attempts.clear();
        effects.messages.clear();
        for (int panel : c.clicks) ClickPanel(panel);
        SetText(FeedbackWindow::MessageEdit, c.memo);
        SetText(FeedbackWindow::EmailEdit, c.email);
        const int before = RequestCount();
        Send();

        const CheckRequests seen = CheckRequestsSoFar();
        EXPECT_EQ(seen.count, before + 1);
        EXPECT_EQ(seen.lastTransport, "http");
        EXPECT_EQ(seen.lastBody, head + std::string(c.body));
        ASSERT_EQ(attempts.size(), 2u);
        EXPECT_EQ(attempts[0].url, "https://" + LocalHost(Listener::Plain) + "/php/feedback.php");
        EXPECT_EQ(attempts[1].url, "http://" + LocalHost(Listener::Plain) + "/php/feedback.php");
        for (const Attempt& attempt : attempts) {
            EXPECT_EQ(attempt.timeoutMs, 3000);
            EXPECT_EQ(attempt.cursor, winui::ScreenCursor::AppStarting);
        }
        ASSERT_EQ(effects.messages.size(), 1u);
        EXPECT_EQ(effects.messages[0].text, Wide(kDelivered));
        EXPECT_EQ(effects.messages[0].caption, L"Success");
        EXPECT_EQ(effects.messages[0].type, UINT(MB_OK | MB_ICONINFORMATION));
        EXPECT_EQ(effects.messages[0].cursor, winui::ScreenCursor::Default);
        EXPECT_FALSE(form->IsOpen());
    }
}

TEST_F(FeedbackTest, AnHttpsAnswerNeedsNoSecondAttempt) {
    UseServer(Listener::Mixed);
    SetText(FeedbackWindow::MessageEdit, L"Over TLS");
    Send();
    EXPECT_EQ(CheckRequestsSoFar().lastTransport, "https");
    EXPECT_EQ(attempts.size(), 1u);
    EXPECT_FALSE(form->IsOpen());
}

TEST_F(FeedbackTest, OnlyAnAnswerOfOkAloneCountsAsDelivered) {
    const struct {
        const char* answer;
        bool delivered;
    } cases[] = {
        {"OK", true},  {"OK\r\n", true}, {"  OK  ", true},      {"\r\nOK\n", true},
        {"ok", false}, {"OK.", false},   {"OK\r\nmore", false}, {"", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.answer);
        ScriptCheckAnswer(c.answer);
        OpenForm();
        effects.messages.clear();
        SetText(FeedbackWindow::MessageEdit, L"Hello");
        Send();
        ASSERT_EQ(effects.messages.size(), 1u);
        EXPECT_EQ(effects.messages[0].caption, c.delivered ? L"Success" : L"Failure");
        EXPECT_EQ(form->IsOpen(), !c.delivered);
    }
}

TEST_F(FeedbackTest, WhenBothAttemptsFailTheWindowKeepsEverything) {
    UseServer(Listener::Closed);
    ClickPanel(FeedbackWindow::DislikeChoice);
    SetText(FeedbackWindow::MessageEdit, L"Lost words");
    SetText(FeedbackWindow::EmailEdit, L"a@b.cd");
    Send();

    ASSERT_EQ(attempts.size(), 2u);
    ASSERT_EQ(effects.messages.size(), 1u);
    EXPECT_EQ(effects.messages[0].text, Wide(kNotDelivered));
    EXPECT_EQ(effects.messages[0].caption, L"Failure");
    EXPECT_EQ(effects.messages[0].type, UINT(MB_OK | MB_ICONERROR));
    EXPECT_EQ(winui::CurrentScreenCursor(), winui::ScreenCursor::Default);
    ASSERT_TRUE(form->IsOpen());
    EXPECT_EQ(Text(FeedbackWindow::MessageEdit), L"Lost words");
    EXPECT_EQ(Text(FeedbackWindow::EmailEdit), L"a@b.cd");
    EXPECT_EQ(form->Choice(), FeedbackChoice::Dislike);

    UseServer(Listener::Plain);  // sending again is possible
    Send();
    EXPECT_FALSE(form->IsOpen());
}

TEST_F(FeedbackTest, AServerThatKeepsSendingHoldsTheWindowOnlyForTheDeadlines) {
    // The exchange runs on the window thread: two attempts, each connecting at once and then
    // given 3 s for an answer that never ends.
    UseServer(Listener::Trickle);
    SetText(FeedbackWindow::MessageEdit, L"Anyone there?");
    const auto start = std::chrono::steady_clock::now();
    Send();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::cout << "  sending to a trickling server took " << seconds << " s\n";
    EXPECT_LT(seconds, 30);
    ASSERT_EQ(attempts.size(), 2u);
    ASSERT_EQ(effects.messages.size(), 1u);
    EXPECT_EQ(effects.messages[0].text, Wide(kNotDelivered));
    EXPECT_EQ(winui::CurrentScreenCursor(), winui::ScreenCursor::Default);
    ASSERT_TRUE(form->IsOpen());
    EXPECT_EQ(Text(FeedbackWindow::MessageEdit), L"Anyone there?");
}

TEST_F(FeedbackTest, ABlankMessageBeepsAndSendsNothing) {
    SetText(FeedbackWindow::EmailEdit, L"not an address");  // not even looked at
    SetText(FeedbackWindow::MessageEdit, L"  \r\n\t\r\n ");
    SetFocus(Control(FeedbackWindow::EmailEdit));
    const int before = RequestCount();
    Send();
    EXPECT_EQ(effects.beeps, std::vector<UINT>{0});
    EXPECT_TRUE(effects.messages.empty());
    EXPECT_EQ(GetFocus(), Control(FeedbackWindow::MessageEdit));
    EXPECT_EQ(RequestCount(), before);
    EXPECT_TRUE(attempts.empty());
}

TEST_F(FeedbackTest, AnInvalidAddressIsReportedAndNothingIsSent) {
    SetText(FeedbackWindow::MessageEdit, L"Hi");
    SetText(FeedbackWindow::EmailEdit, L" name@host ");
    SetFocus(Control(FeedbackWindow::MessageEdit));
    Send();
    ASSERT_EQ(effects.messages.size(), 1u);
    EXPECT_EQ(effects.messages[0].text, L"Invalid e-mail address!");
    EXPECT_EQ(effects.messages[0].caption, L"Failure");
    EXPECT_EQ(effects.messages[0].type, UINT(MB_OK | MB_ICONERROR));
    EXPECT_EQ(GetFocus(), Control(FeedbackWindow::EmailEdit));
    EXPECT_TRUE(attempts.empty());
    EXPECT_TRUE(form->IsOpen());
}

// Escape goes through the dialog-key handling of the modal loop, as it does for a person.
TEST_F(FeedbackTest, EscapeInAnyOfTheThreeControlsClosesWithoutSending) {
    for (int id : {FeedbackWindow::MessageEdit, FeedbackWindow::EmailEdit, FeedbackWindow::SendButton}) {
        SCOPED_TRACE(id);
        OpenForm();
        SetText(FeedbackWindow::MessageEdit, L"Unsent");
        HWND control = Control(id);
        SetFocus(control);
        MSG other{control, WM_KEYDOWN, VK_RETURN, 0, 0, {}};
        if (id != FeedbackWindow::SendButton && !IsDialogMessageW(form->Handle(), &other)) DispatchMessageW(&other);
        EXPECT_TRUE(form->IsOpen());
        MSG escape{control, WM_KEYDOWN, VK_ESCAPE, 0, 0, {}};
        if (!IsDialogMessageW(form->Handle(), &escape)) DispatchMessageW(&escape);
        EXPECT_FALSE(form->IsOpen());
    }
    EXPECT_TRUE(attempts.empty());
    EXPECT_TRUE(effects.messages.empty());
}

HWND focusAtOpen = nullptr;
int focusIdAtOpen = 0;  // read while the window exists

TEST_F(FeedbackTest, ModalWithTheMemoFocusedAndTheOwnerBackAfterwards) {
    HWND owner = CreateWindowExW(0, L"STATIC", L"owner", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    form = std::make_unique<FeedbackWindow>(owner, tabulora::MakeAppIdentity("BRIMTAL", "Tabulora", "1.1"),
                                            tabulora::MakerSite(kPlaceholderHost));
    focusAtOpen = nullptr;
    focusIdAtOpen = 0;
    // Once the modal loop runs: note the focus, then press Escape where the focus is.
    SetTimer(nullptr, 0, 1, [](HWND, UINT, UINT_PTR id, DWORD) {
        KillTimer(nullptr, id);
        focusAtOpen = GetFocus();
        focusIdAtOpen = GetDlgCtrlID(focusAtOpen);
        EXPECT_FALSE(IsWindowEnabled(GetWindow(GetParent(focusAtOpen), GW_OWNER)));
        PostMessageW(focusAtOpen, WM_KEYDOWN, VK_ESCAPE, 0);
    });
    form->ShowModal();
    EXPECT_NE(focusAtOpen, nullptr);
    EXPECT_EQ(focusIdAtOpen, FeedbackWindow::MessageEdit);
    EXPECT_FALSE(form->IsOpen());
    EXPECT_TRUE(IsWindowEnabled(owner));
    DestroyWindow(owner);
}

}  // namespace
