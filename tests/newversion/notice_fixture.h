#pragma once
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "app/main_window.h"
#include "app/program_identity.h"
#include "tests/update/memory_settings.h"
#include "tests/win/fake_effects.h"
#include "ui/new_version_notice.h"
#include "winui/program_folder.h"

// A shown main window and a freshly created notice about version 2.2, with faked side effects.
class NoticeTest : public testing::Test {
protected:
    void SetUp() override {
        ShowWindow(form.Handle(), SW_SHOW);
        SetForegroundWindow(form.Handle());
        SetActiveWindow(form.Handle());
        notice = std::make_unique<tabulora::ui::NewVersionNotice>(form.Handle(), info, site);
    }

    // The DPI the run was started for (TABULORA_DPI), else Wine's default.
    static int ExpectedDpi() {
        const char* forced = std::getenv("TABULORA_DPI");
        return forced ? std::atoi(forced) : 96;
    }
    static int Scaled(int value96) { return MulDiv(value96, ExpectedDpi(), 96); }

    HWND Notice() const { return notice->Handle(); }
    HWND Control(int id) const { return notice->Control(id); }
    RECT WindowRect() const {
        RECT rect{};
        GetWindowRect(Notice(), &rect);
        return rect;
    }

    FakeEffects effects;
    tabulora::MakerSite site{"maker.example"};
    tabulora::MainWindow form{tabulora::ReadProgramIdentity(winui::ExecutablePath()), site,
                              std::make_unique<tabulora::update::testing::MemorySettings>()};
    tabulora::ui::NewVersionInfo info{L"Tabulora", L"2.2", L"https://maker.example/get/Tabulora-2.2.exe"};
    std::unique_ptr<tabulora::ui::NewVersionNotice> notice;
};
