#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <set>

#include "base/app_identity.h"
#include "base/maker_site.h"
#include "fake_effects.h"
#include "ui/about_box.h"
#include "winui/dpi.h"
#include "winui/panel.h"
#include "winui/program_folder.h"

using tabulora::ui::AboutBox;
using tabulora::ui::SlidePhase;

namespace {

const tabulora::AppIdentity kApp = tabulora::MakeAppIdentity("BRIMTAL", "Tabulora", "1.1");
const tabulora::MakerSite kSite("tabulora.example");

class AboutBoxTest : public testing::Test {
protected:
    void SetUp() override {
        box = std::make_unique<AboutBox>(nullptr, kApp, kSite);
        ShowWindow(box->Handle(), SW_SHOW);
        UpdateWindow(box->Handle());
    }

    HWND Control(int id) const { return box->Control(id); }
    RECT ClientRectOf(HWND window) const {
        RECT rect{};
        GetWindowRect(window, &rect);
        MapWindowPoints(nullptr, box->Handle(), reinterpret_cast<POINT*>(&rect), 2);
        return rect;
    }
    int ClientWidth() const {
        RECT client{};
        GetClientRect(box->Handle(), &client);
        return client.right;
    }
    // Mouse messages as the panel gets them, at a point of its client area.
    void Mouse(int panel, UINT message, POINT at) {
        SendMessageW(Control(panel), message, message == WM_MOUSEMOVE ? 0 : MK_LBUTTON, MAKELPARAM(at.x, at.y));
    }
    void DoubleClick(int panel, POINT at) {
        Mouse(panel, WM_LBUTTONDOWN, at);
        Mouse(panel, WM_LBUTTONUP, at);
        Mouse(panel, WM_LBUTTONDBLCLK, at);
        Mouse(panel, WM_LBUTTONUP, at);
    }
    POINT IconCentre() const { return {box->Scale(26), box->Scale(139)}; }
    POINT PictureCentre() const { return {box->Scale(162), box->Scale(110)}; }
    void Tick(UINT_PTR timer) { SendMessageW(box->Handle(), WM_TIMER, timer, 0); }
    void PressKey(HWND control, WPARAM key) {
        MSG message{control, WM_KEYDOWN, key, 0, 0, {}};
        if (!IsDialogMessageW(box->Handle(), &message)) DispatchMessageW(&message);
    }

    FakeEffects effects;
    std::unique_ptr<AboutBox> box;
};

TEST_F(AboutBoxTest, OpensWithItsTextsAndTwoDropsPerColumn) {
    wchar_t caption[64] = {};
    GetWindowTextW(box->Handle(), caption, 64);
    EXPECT_STREQ(caption, L"About Tabulora");
    EXPECT_TRUE(GetWindowLongPtrW(box->Handle(), GWL_EXSTYLE) & WS_EX_TOOLWINDOW);

    RECT outer{};
    GetWindowRect(box->Handle(), &outer);
    const auto& rain = AboutBox::Rain();
    EXPECT_EQ(rain.MatrixChars, u"brm");
    EXPECT_EQ(rain.matrixWidth, (outer.right - outer.left) / 8);
    EXPECT_EQ(rain.matrixHeight, (outer.bottom - outer.top) / 12);
    EXPECT_EQ(rain.MatrixDropCount, 2 * rain.matrixWidth);

    const RECT panel = ClientRectOf(Control(AboutBox::CentrePanel));
    EXPECT_EQ(panel.left, box->Scale(48));
    EXPECT_EQ(panel.top, box->Scale(42));
    EXPECT_FALSE(IsWindowVisible(Control(AboutBox::PicturePanel)));
    EXPECT_EQ(box->Slide().Phase(), SlidePhase::Normal);
}

// Every pixel the rain leaves around CentrePanel is black or a head or trail colour of some drop.
TEST_F(AboutBoxTest, TheRainDrawsOnlyItsGreensAroundThePanel) {
    std::set<COLORREF> allowed{RGB(0, 0, 0)};
    for (int brightness = 0; brightness < 100; ++brightness) {
        for (auto colour : {tabulora::ui::HeadColour(brightness), tabulora::ui::TrailColour(brightness)}) {
            allowed.insert(RGB(colour.red, colour.green, colour.blue));
        }
    }
    const int32_t tickBefore = AboutBox::Rain().MatrixTick;
    for (int i = 0; i < 20; ++i) Tick(AboutBox::kRainTimer);
    EXPECT_EQ(AboutBox::Rain().MatrixTick, tickBefore + 20);

    HDC dc = GetDC(box->Handle());
    const RECT panel = ClientRectOf(Control(AboutBox::CentrePanel));
    int green = 0;
    int foreign = 0;
    for (int y = 0; y < panel.top; y += 1) {  // the strip above the panel
        for (int x = 0; x < ClientWidth(); ++x) {
            const COLORREF pixel = GetPixel(dc, x, y);
            if (pixel == CLR_INVALID) continue;
            if (!allowed.count(pixel)) ++foreign;
            if (pixel != RGB(0, 0, 0)) ++green;
        }
    }
    ReleaseDC(box->Handle(), dc);
    EXPECT_GT(green, 0);
    EXPECT_EQ(foreign, 0);
}

TEST_F(AboutBoxTest, ThePictureSlidesOutAndBackWithDoubleClicksIgnoredWhileSliding) {
    DoubleClick(AboutBox::CentrePanel, IconCentre());
    EXPECT_EQ(box->Slide().Phase(), SlidePhase::Sliding);
    EXPECT_TRUE(IsWindowVisible(Control(AboutBox::PicturePanel)));

    Tick(AboutBox::kSlideTimer);
    const int left = ClientRectOf(Control(AboutBox::CentrePanel)).left;
    EXPECT_EQ(left, box->Scale(48) + 5);
    DoubleClick(AboutBox::CentrePanel, IconCentre());      // ignored while sliding
    DoubleClick(AboutBox::PicturePanel, PictureCentre());  // ignored too
    EXPECT_EQ(box->Slide().Phase(), SlidePhase::Sliding);
    EXPECT_EQ(ClientRectOf(Control(AboutBox::CentrePanel)).left, left);

    for (int i = 0; i < 1000 && box->Slide().TimerRunning(); ++i) Tick(AboutBox::kSlideTimer);
    EXPECT_EQ(box->Slide().Phase(), SlidePhase::Revealed);
    EXPECT_GT(ClientRectOf(Control(AboutBox::CentrePanel)).left, ClientWidth());
    EXPECT_LE(ClientRectOf(Control(AboutBox::CentrePanel)).left, ClientWidth() + 5);

    DoubleClick(AboutBox::PicturePanel, PictureCentre());
    EXPECT_EQ(box->Slide().Phase(), SlidePhase::Normal);
    EXPECT_FALSE(IsWindowVisible(Control(AboutBox::PicturePanel)));
    const RECT panel = ClientRectOf(Control(AboutBox::CentrePanel));
    EXPECT_EQ(panel.left, (ClientWidth() - (panel.right - panel.left)) / 2);
}

TEST_F(AboutBoxTest, EscapeClosesOnlyFromTheButtons) {
    PressKey(box->Handle(), VK_ESCAPE);  // the window itself has the focus
    EXPECT_TRUE(box->IsOpen());
    for (int id : {AboutBox::OkButton, AboutBox::InfoButton}) {
        SCOPED_TRACE(id);
        box = std::make_unique<AboutBox>(nullptr, kApp, kSite);
        SetFocus(Control(id));
        PressKey(Control(id), VK_SPACE + 1);  // some other key
        EXPECT_TRUE(box->IsOpen());
        PressKey(Control(id), VK_ESCAPE);
        EXPECT_FALSE(box->IsOpen());
    }
}

TEST_F(AboutBoxTest, OkCloses) {
    SendMessageW(Control(AboutBox::OkButton), BM_CLICK, 0, 0);
    EXPECT_FALSE(box->IsOpen());
}

TEST_F(AboutBoxTest, InfoDropsItsMenuDownButNotAgainFromTheClosingClick) {
    tabulora::ui::AboutBox* about = box.get();
    effects.tick = 5000;
    SendMessageW(Control(AboutBox::InfoButton), BM_CLICK, 0, 0);
    ASSERT_EQ(effects.menusShown.size(), 1u);
    EXPECT_EQ(effects.menusShown[0], about->InfoMenu());
    RECT button{};
    GetWindowRect(Control(AboutBox::InfoButton), &button);
    EXPECT_EQ(effects.lastMenuPoint.x, button.left);
    EXPECT_EQ(effects.lastMenuPoint.y, button.bottom);

    effects.tick = 5099;  // the click that closed the menu
    SendMessageW(Control(AboutBox::InfoButton), BM_CLICK, 0, 0);
    EXPECT_EQ(effects.menusShown.size(), 1u);
    effects.tick = 5300;
    SendMessageW(Control(AboutBox::InfoButton), BM_CLICK, 0, 0);
    EXPECT_EQ(effects.menusShown.size(), 2u);
}

TEST_F(AboutBoxTest, TheLinksOpenTheMakersPagesFromTheDesktop) {
    const std::wstring host = L"tabulora.example";
    effects.tick = 10000;
    effects.menuReplies = {AboutBox::AcknowledgementsCommand, AboutBox::UninstallHelpCommand};
    SendMessageW(Control(AboutBox::InfoButton), BM_CLICK, 0, 0);
    effects.tick += 1000;
    SendMessageW(Control(AboutBox::InfoButton), BM_CLICK, 0, 0);
    const HWND link = Control(AboutBox::SiteLink);
    SendMessageW(link, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    EXPECT_FALSE(box->IsDragging());  // the link does not move the window
    SendMessageW(link, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));

    const std::wstring expected[] = {
        L"https://" + host + L"/blog/credits-and-acknowledgements/",
        L"http://" + host + L"/blog/how-to-uninstall-brimtal-software/",
        L"http://" + host + L"/",
    };
    ASSERT_EQ(effects.shellCalls.size(), std::size(expected));
    for (size_t i = 0; i < std::size(expected); ++i) {
        EXPECT_EQ(effects.shellCalls[i].file, expected[i]);
        EXPECT_EQ(effects.shellCalls[i].verb, L"open");
        EXPECT_EQ(effects.shellCalls[i].parameters, L"");
        EXPECT_EQ(effects.shellCalls[i].parent, GetDesktopWindow());
        EXPECT_EQ(effects.shellCalls[i].showCommand, 0);
    }
}

TEST_F(AboutBoxTest, LicenseOpensInNotepadWhenItIsBesideTheProgram) {
    const std::wstring path = winui::ProgramFolder() + L"license.txt";
    ASSERT_TRUE(winui::FileExists(path)) << "the build puts license.txt beside the program";
    box->OpenLicense();
    ASSERT_EQ(effects.shellCalls.size(), 1u);
    EXPECT_EQ(effects.shellCalls[0].parent, box->Handle());
    EXPECT_EQ(effects.shellCalls[0].verb, L"");
    EXPECT_EQ(effects.shellCalls[0].file, L"notepad.exe");
    EXPECT_EQ(effects.shellCalls[0].parameters, path);
    EXPECT_EQ(effects.shellCalls[0].showCommand, SW_SHOWNORMAL);
    EXPECT_TRUE(effects.messages.empty());

    // Without the file: only the box.
    const std::wstring aside = path + L".aside";
    ASSERT_TRUE(MoveFileW(path.c_str(), aside.c_str()));
    box->OpenLicense();
    MoveFileW(aside.c_str(), path.c_str());
    EXPECT_EQ(effects.shellCalls.size(), 1u);
    ASSERT_EQ(effects.messages.size(), 1u);
    EXPECT_EQ(effects.messages[0].text, L"File not found!");
    EXPECT_EQ(effects.messages[0].caption, L"License");
    EXPECT_EQ(effects.messages[0].type, UINT(MB_OK | MB_ICONERROR));
}

TEST_F(AboutBoxTest, DraggingMovesTheWindowWithAnyButtonButTheRightOne) {
    RECT before{};
    GetWindowRect(box->Handle(), &before);
    SendMessageW(Control(AboutBox::CentrePanel), WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(5, 5));
    EXPECT_FALSE(box->IsDragging());
    SendMessageW(Control(AboutBox::CentrePanel), WM_RBUTTONUP, 0, MAKELPARAM(5, 5));

    Mouse(AboutBox::CentrePanel, WM_LBUTTONDOWN, {5, 5});
    EXPECT_TRUE(box->IsDragging());
    Mouse(AboutBox::CentrePanel, WM_MOUSEMOVE, {25, 15});
    RECT after{};
    GetWindowRect(box->Handle(), &after);
    EXPECT_EQ(after.left - before.left, 20);
    EXPECT_EQ(after.top - before.top, 10);
    SendMessageW(Control(AboutBox::CentrePanel), WM_RBUTTONUP, 0, MAKELPARAM(25, 15));  // any button ends it
    EXPECT_FALSE(box->IsDragging());
}

}  // namespace
