#pragma once
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "app/main_window.h"
#include "app/program_identity.h"
#include "base/maker_site.h"
#include "fake_effects.h"
#include "tests/engine/temp_folder.h"
#include "tests/update/memory_settings.h"
#include "winui/message_loop.h"
#include "winui/program_folder.h"
#include "winui/text.h"

// A main window with faked dialogs and a scratch folder for input and output files.
class FormTest : public testing::Test {
protected:
    using Form = tabulora::MainWindow;

    FakeEffects effects;
    TempFolder folder;
    tabulora::update::testing::MemorySettings* settings = new tabulora::update::testing::MemorySettings;
    Form form{tabulora::ReadProgramIdentity(winui::ExecutablePath()), tabulora::MakerSite("tabulora.example"),
              std::unique_ptr<tabulora::update::SettingsStore>(settings)};

    std::wstring Caption(int id) const {
        wchar_t text[512] = {};
        GetWindowTextW(form.Control(id), text, 512);
        return text;
    }
    bool Enabled(int id) const { return IsWindowEnabled(form.Control(id)) != FALSE; }
    bool Checked(int id) const { return SendMessageW(form.Control(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }
    // Presses `key` with the focus on `control`, as the keyboard does: the key's down and up
    // messages go into the thread's queue and the program's own message loop handles them.
    void PressKeyOn(HWND control, WPARAM key) {
        SetFocus(control);
        ASSERT_EQ(GetFocus(), control);
        const LPARAM scan = static_cast<LPARAM>(MapVirtualKeyW(static_cast<UINT>(key), MAPVK_VK_TO_VSC)) << 16;
        PostMessageW(control, WM_KEYDOWN, key, scan | 1);
        PostMessageW(control, WM_KEYUP, key, scan | 1 | (LPARAM(1) << 30) | (LPARAM(1) << 31));
        PostQuitMessage(0);
        winui::RunMessageLoop(form.Handle(), form.Accelerators());
    }
    // A click as the user makes it: the control changes and tells the window.
    void Click(int id) { SendMessageW(form.Control(id), BM_CLICK, 0, 0); }
    // A command as the menu or a button sends it: errors reach the unhandled-error box. An export
    // it starts is waited for.
    void Command(UINT id) {
        SendMessageW(form.Handle(), WM_COMMAND, MAKEWPARAM(id, 0), 0);
        WaitForExport();
    }
    // Runs the window's messages, as its message loop would, until no export is running.
    void WaitForExport() {
        const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (form.ExportRunning() && std::chrono::steady_clock::now() < limit) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
            MSG message;
            while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
                if (message.message == WM_QUIT) {  // left for the test to see
                    PostQuitMessage(static_cast<int>(message.wParam));
                    break;
                }
                DispatchMessageW(&message);
            }
        }
        ASSERT_FALSE(form.ExportRunning()) << "the export did not end";
    }

    std::wstring WriteFile(const std::string& name, const std::string& bytes) {
        return winui::Utf8ToWide(folder.Write(name, bytes));
    }
    std::wstring Path(const std::string& name) const { return winui::Utf8ToWide(folder / name); }
    static std::string Read(const std::wstring& path) { return TempFolder::Read(winui::WideToUtf8(path)); }
};
