#pragma once
#include <windows.h>

#include <string>

#include "base/maker_site.h"
#include "winui/handles.h"
#include "winui/window.h"
#include "winui/window_drag.h"

namespace tabulora::ui {

// What the notice announces, final before it is created.
struct NewVersionInfo {
    std::wstring productName;
    std::wstring serverVersion;  // the version the update check's answer named
    std::wstring downloadUrl;    // the download address of that answer
};

// The new-version notice: a small borderless always-on-top panel at the top right of the primary
// screen. It grows into view just after creation without taking the focus, colours its link under
// the mouse, opens the download address on a click, can be dragged, and hides itself after about
// eleven seconds. Closing only hides it; it is created at most once per run.
class NewVersionNotice : public winui::Window {
public:
    enum ControlId : int { AppIcon = 101, Heading, DownloadLink, CloseButton };
    static constexpr UINT_PTR kShowTimer = 1;
    static constexpr UINT_PTR kCloseTimer = 2;
    static constexpr UINT_PTR kLinkTimer = 3;

    // `mainWindow` gets the focus back once the notice is shown; `site` gives the home page the
    // link opens when the download address is unusable.
    NewVersionNotice(HWND mainWindow, NewVersionInfo info, MakerSite site);

    COLORREF LinkColour() const { return linkColour_; }

    void ShowAnimated();
    void CountDownToClose();
    void UpdateLinkColour();
    void OpenDownload();
    void Close();

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void AfterDpiChange() override;
    void AfterColoursChange() override { UpdateLinkColour(); }

private:
    void SetUp();
    void LoadImages();
    void Paint();
    bool StartsDrag(POINT client) const;
    void BeginDrag(POINT client);
    void ContinueDrag(POINT client);
    void EndDrag();

    HWND mainWindow_;
    NewVersionInfo info_;
    MakerSite site_;
    COLORREF linkColour_ = 0;
    winui::UniqueIcon appIcon_;
    winui::UniqueIcon closeIcon_;
    winui::WindowDrag drag_;
};

}  // namespace tabulora::ui
