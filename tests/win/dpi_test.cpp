// The DPI functions newer than Windows 7 are looked up at run time; without them the program
// measures with the screen's system DPI and the classic frame function. Wine has both, so the
// fallback is checked against what the newer functions say on the same system.
#include <gtest/gtest.h>

#include <cstdlib>

#include "winui/dpi.h"

namespace {

constexpr winui::DpiFunctions kWindows7{};  // none of the functions

class DpiFallbackTest : public testing::Test {
protected:
    void SetUp() override {
        window_ = CreateWindowExW(0, L"STATIC", L"dpi", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr, nullptr,
                                  nullptr);
        ASSERT_NE(window_, nullptr);
    }
    void TearDown() override { DestroyWindow(window_); }
    HWND window_ = nullptr;
};

// Set by the run in a prefix of another system DPI, which this makes sure took effect.
TEST_F(DpiFallbackTest, RunsAtTheSystemDpiTheRunAskedFor) {
    const char* asked = std::getenv("TABULORA_TEST_SYSTEM_DPI");
    if (!asked) GTEST_SKIP() << "no system DPI asked for";
    EXPECT_EQ(winui::ScreenDpi(), static_cast<UINT>(std::atoi(asked)));
}

TEST_F(DpiFallbackTest, TheNewerFunctionsAreFoundWhereTheSystemHasThem) {
    const winui::DpiFunctions& found = winui::SystemDpiFunctions();
    ASSERT_NE(found.getDpiForWindow, nullptr);
    ASSERT_NE(found.getDpiForSystem, nullptr);
    ASSERT_NE(found.adjustWindowRectExForDpi, nullptr);
    EXPECT_EQ(winui::SystemFrameDpi(window_), found.getDpiForWindow(window_));
    EXPECT_EQ(winui::SystemFrameDpi(nullptr), found.getDpiForSystem());
}

TEST_F(DpiFallbackTest, WithoutThemTheDpiIsTheScreensSystemDpi) {
    const HDC screen = GetDC(nullptr);
    const UINT screenDpi = static_cast<UINT>(GetDeviceCaps(screen, LOGPIXELSX));
    ReleaseDC(nullptr, screen);
    EXPECT_EQ(winui::ScreenDpi(), screenDpi);
    EXPECT_EQ(winui::SystemFrameDpi(window_, kWindows7), screenDpi);
    EXPECT_EQ(winui::SystemFrameDpi(nullptr, kWindows7), screenDpi);
    // The same answer the newer function gives for the system DPI.
    EXPECT_EQ(screenDpi, winui::SystemDpiFunctions().getDpiForSystem());
}

TEST_F(DpiFallbackTest, WithoutThemTheFrameIsMeasuredAsTheNewerFunctionDoesAtTheSystemDpi) {
    const struct {
        const char* what;
        DWORD style, exStyle;
        bool menu;
    } frames[] = {
        {"main window", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN, WS_EX_ACCEPTFILES,
         true},
        {"dialog", WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN, WS_EX_DLGMODALFRAME, false},
        {"borderless popup", WS_POPUP, 0, false},
    };
    const UINT systemDpi = winui::SystemFrameDpi(nullptr);
    for (const auto& frame : frames) {
        const SIZE client{462, 413};
        const SIZE fallback = winui::WindowSizeForClient(client, frame.style, frame.exStyle, frame.menu, systemDpi,
                                                         kWindows7);
        const SIZE newer = winui::WindowSizeForClient(client, frame.style, frame.exStyle, frame.menu, systemDpi);
        EXPECT_EQ(fallback.cx, newer.cx) << frame.what;
        EXPECT_EQ(fallback.cy, newer.cy) << frame.what;
        if (frame.style & WS_CAPTION) {
            EXPECT_GT(fallback.cy, client.cy) << frame.what;  // a frame was added
        }
    }
}

}  // namespace
