#pragma once
#include <windows.h>

#include <string>

#include "app/win/handles.h"
#include "app/win/window.h"

namespace tabulora {

// What the notice announces, final before it is created.
struct NewVersionInfo {
    std::wstring productName;     // AppProductName
    std::wstring serverVersion;   // ServerVersion of the update check
    std::wstring downloadUrl;     // DownloadURL of the update check
};

// The new-version notice: a small borderless always-on-top panel at the top right of the primary
// screen. It grows into view just after creation without taking the focus, colours its link under
// the mouse, opens the download address on a click, can be dragged, and hides itself after about
// eleven seconds. Closing only hides it; it is created at most once per run.
class TNewVer : public winui::Window {
public:
    enum ControlId : int {
        Image1 = 101,   // the application's icon
        Label1,         // the heading
        Label2,         // the download link
        Button1,        // close
    };
    static constexpr UINT_PTR TimerStart = 1;
    static constexpr UINT_PTR TimerClose = 2;
    static constexpr UINT_PTR TimerLink = 3;

    // `mainWindow` gets the focus back once the notice is shown.
    TNewVer(HWND mainWindow, NewVersionInfo info);

    COLORREF LinkColour() const { return linkColour_; }

    void TimerStartTimer();
    void TimerCloseTimer();
    void TimerLinkTimer();
    void Label2Click();
    void Button1Click() { Close(); }
    void Close();

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void AfterDpiChange() override;

private:
    void FormCreate();
    void LoadImages();
    void Paint();
    bool StartsDrag(POINT client) const;
    void FormMouseDown(POINT client);
    void FormMouseMove(POINT client);
    void FormMouseUp();

    HWND mainWindow_;
    NewVersionInfo info_;
    COLORREF linkColour_ = 0;
    winui::UniqueIcon appIcon_;
    winui::UniqueIcon closeIcon_;
    bool dragging = false;
    int dx = 0;   // last mouse position of the drag, screen coordinates
    int dy = 0;
};

}  // namespace tabulora
