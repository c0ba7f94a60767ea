// The new-version notice in-process: layout, showing, the link, hover colour and dragging.
#include <windowsx.h>

#include <algorithm>
#include <string>
#include <vector>

#include "notice_fixture.h"
#include "winui/link_text.h"

namespace {

using tabulora::ui::NewVersionNotice;

std::wstring Text(HWND window) {
    wchar_t text[256] = {};
    GetWindowTextW(window, text, 256);
    return text;
}

LOGFONTW FontOf(HWND control) {
    LOGFONTW font{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)), sizeof font, &font);
    return font;
}

POINT ScreenCentre(HWND control) {
    RECT rect{};
    GetWindowRect(control, &rect);
    return {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

// The colours the link paints itself with: its owner-drawn face rendered into a bitmap.
std::vector<COLORREF> PaintedLinkPixels(HWND notice, HWND link) {
    RECT client{};
    GetClientRect(link, &client);
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, client.right, client.bottom);
    HGDIOBJ old = SelectObject(dc, bitmap);
    DRAWITEMSTRUCT item{ODT_STATIC, static_cast<UINT>(GetDlgCtrlID(link)), 0, ODA_DRAWENTIRE, 0, link, dc, client, 0};
    SendMessageW(notice, WM_DRAWITEM, item.CtlID, reinterpret_cast<LPARAM>(&item));
    std::vector<COLORREF> pixels;
    for (int y = 0; y < client.bottom; ++y) {
        for (int x = 0; x < client.right; ++x) pixels.push_back(GetPixel(dc, x, y));
    }
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    return pixels;
}

bool Contains(const std::vector<COLORREF>& pixels, COLORREF colour) {
    return std::find(pixels.begin(), pixels.end(), colour) != pixels.end();
}

TEST_F(NoticeTest, CreatedHiddenAtTheTopRightWithItsTexts) {
    EXPECT_FALSE(IsWindowVisible(Notice()));
    EXPECT_EQ(Text(Control(NewVersionNotice::Heading)), L"UPDATE AVAILABLE");
    EXPECT_EQ(Text(Control(NewVersionNotice::DownloadLink)), L"Click to download Tabulora 2.2");
    EXPECT_EQ(FontOf(Control(NewVersionNotice::Heading)).lfWeight, FW_BOLD);
    EXPECT_TRUE(FontOf(Control(NewVersionNotice::DownloadLink)).lfUnderline);

    const RECT rect = WindowRect();
    EXPECT_EQ(rect.right - rect.left, Scaled(320));
    EXPECT_EQ(rect.bottom - rect.top, Scaled(68));
    EXPECT_EQ(rect.top, 5);
    EXPECT_EQ(rect.right, GetSystemMetrics(SM_CXSCREEN) - 5);

    const auto style = GetWindowLongPtrW(Notice(), GWL_STYLE);
    EXPECT_FALSE(style & (WS_CAPTION | WS_BORDER | WS_THICKFRAME | WS_SYSMENU));
    EXPECT_TRUE(GetWindowLongPtrW(Notice(), GWL_EXSTYLE) & WS_EX_TOPMOST);
}

TEST_F(NoticeTest, ShowsOnceAndLeavesTheFocusWithTheMainWindow) {
    ASSERT_EQ(GetActiveWindow(), form.Handle());
    notice->ShowAnimated();
    EXPECT_TRUE(IsWindowVisible(Notice()));
    EXPECT_EQ(GetActiveWindow(), form.Handle());
    const HWND focus = GetFocus();
    EXPECT_TRUE(focus == form.Handle() || IsChild(form.Handle(), focus));
    EXPECT_FALSE(KillTimer(Notice(), NewVersionNotice::kShowTimer)) << "the start timer runs only once";
}

TEST_F(NoticeTest, ClickingTheLinkOpensTheAddressOnlyWhenItIsASafeWebAddress) {
    const struct {
        const wchar_t* downloadUrl;
        const wchar_t* opened;
    } cases[] = {
        {L"HTTPS://maker.example/get", L"HTTPS://maker.example/get"},
        {L"C:\\x.exe", L"http://tabulora.example/"},
        {L"", L"http://tabulora.example/"},
        {L"https:///get", L"http://tabulora.example/"},
        {L"https://maker.example/\" --new-window \"x", L"http://tabulora.example/"},
    };
    for (const auto& c : cases) {
        effects.shellCalls.clear();
        NewVersionNotice link(form.Handle(), {L"Tabulora", L"2.2", c.downloadUrl},
                              tabulora::MakerSite("tabulora.example"));
        link.ShowAnimated();
        // A press on the link as the mouse gives it.
        const HWND label = link.Control(NewVersionNotice::DownloadLink);
        SendMessageW(label, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
        SendMessageW(label, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
        ASSERT_EQ(effects.shellCalls.size(), 1u) << c.downloadUrl;
        EXPECT_EQ(effects.shellCalls[0].verb, L"open");
        EXPECT_EQ(effects.shellCalls[0].file, c.opened);
        EXPECT_EQ(effects.shellCalls[0].parent, GetDesktopWindow());
        EXPECT_EQ(effects.shellCalls[0].showCommand, SW_HIDE);
        EXPECT_FALSE(IsWindowVisible(link.Handle())) << "the link closes the notice";
        EXPECT_TRUE(IsWindow(link.Handle())) << "closing only hides";
    }
}

TEST_F(NoticeTest, CloseButtonHidesWithoutOpeningAnything) {
    notice->ShowAnimated();
    SendMessageW(Control(NewVersionNotice::CloseButton), BM_CLICK, 0, 0);
    EXPECT_FALSE(IsWindowVisible(Notice()));
    EXPECT_TRUE(IsWindow(Notice()));
    EXPECT_TRUE(effects.shellCalls.empty());
}

TEST_F(NoticeTest, LinkTakesTheMenuHighlightColourWhileTheMouseIsOverIt) {
    notice->ShowAnimated();
    const COLORREF highlight = winui::StyledSystemColor(Notice(), COLOR_MENUHILIGHT);
    const COLORREF plain = winui::StyledSystemColor(Notice(), COLOR_WINDOWTEXT);
    ASSERT_NE(highlight, plain);
    const HWND link = Control(NewVersionNotice::DownloadLink);
    EXPECT_TRUE(Contains(PaintedLinkPixels(Notice(), link), plain));

    const POINT over = ScreenCentre(link);
    ASSERT_TRUE(SetCursorPos(over.x, over.y));
    notice->UpdateLinkColour();
    std::vector<COLORREF> pixels = PaintedLinkPixels(Notice(), link);
    EXPECT_TRUE(Contains(pixels, highlight));  // the underline is drawn in the text colour
    EXPECT_FALSE(Contains(pixels, plain));

    ASSERT_TRUE(SetCursorPos(over.x, WindowRect().bottom + 40));
    notice->UpdateLinkColour();
    pixels = PaintedLinkPixels(Notice(), link);
    EXPECT_TRUE(Contains(pixels, plain));
    EXPECT_FALSE(Contains(pixels, highlight));
}

TEST_F(NoticeTest, PressesOnTheHeadingAndIconReachTheWindowThoseOnTheLinkDoNot) {
    notice->ShowAnimated();
    EXPECT_EQ(WindowFromPoint(ScreenCentre(Control(NewVersionNotice::Heading))), Notice());
    EXPECT_EQ(WindowFromPoint(ScreenCentre(Control(NewVersionNotice::AppIcon))), Notice());
    EXPECT_EQ(WindowFromPoint(ScreenCentre(Control(NewVersionNotice::DownloadLink))),
              Control(NewVersionNotice::DownloadLink));
    EXPECT_EQ(WindowFromPoint(ScreenCentre(Control(NewVersionNotice::CloseButton))),
              Control(NewVersionNotice::CloseButton));
}

TEST_F(NoticeTest, DragsWithAnyButtonButTheRightOne) {
    const struct {
        const char* what;
        UINT down, up;
        POINT at96;  // where the press lands, client coordinates at 96 DPI
        bool drags;
    } cases[] = {
        {"left on the heading", WM_LBUTTONDOWN, WM_LBUTTONUP, {180, 10}, true},
        {"left on the icon", WM_LBUTTONDOWN, WM_LBUTTONUP, {30, 30}, true},
        {"left beside the close button", WM_LBUTTONDOWN, WM_LBUTTONUP, {308, 50}, true},
        {"middle on the bevel", WM_MBUTTONDOWN, WM_MBUTTONUP, {1, 1}, true},
        {"right on the heading", WM_RBUTTONDOWN, WM_RBUTTONUP, {180, 10}, false},
        {"left on the bare middle panel", WM_LBUTTONDOWN, WM_LBUTTONUP, {68, 21}, false},
    };
    notice->ShowAnimated();
    for (const auto& c : cases) {
        const RECT before = WindowRect();
        const POINT at{Scaled(c.at96.x), Scaled(c.at96.y)};
        SendMessageW(Notice(), c.down, 0, MAKELPARAM(at.x, at.y));
        SendMessageW(Notice(), WM_MOUSEMOVE, 0, MAKELPARAM(at.x - 30, at.y + 20));
        const RECT moved = WindowRect();
        SendMessageW(Notice(), c.up, 0, 0);
        SendMessageW(Notice(), WM_MOUSEMOVE, 0, MAKELPARAM(at.x + 50, at.y + 50));  // released: no effect
        const RECT after = WindowRect();

        const int shift = c.drags ? 1 : 0;
        EXPECT_EQ(moved.left, before.left - 30 * shift) << c.what;
        EXPECT_EQ(moved.top, before.top + 20 * shift) << c.what;
        EXPECT_EQ(moved.right - moved.left, before.right - before.left) << c.what;
        EXPECT_TRUE(EqualRect(&after, &moved)) << c.what;
        EXPECT_NE(GetCapture(), Notice()) << c.what;
    }
}

}  // namespace
