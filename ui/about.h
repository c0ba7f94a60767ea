#pragma once
#include <windows.h>

#include <string>

#include "app/win/handles.h"
#include "app/win/panel.h"
#include "app/win/window.h"
#include "ui/egg_state.h"
#include "ui/matrix_rain.h"

namespace tabulora::ui {

// The about box: logo, icon, name and version, the maker's links and the licence, with the
// character rain around its central panel and a picture hidden behind that panel. Created for
// one opening, shown modally, destroyed when it closes.
class TAboutBox : public winui::Window {
public:
    enum ControlId : int {
        Panel1 = 101,   // draws Image2 (logo), Bevel1, Image1 (icon), Label2, Label5 (link)
        PanelEgg,       // draws ImageEgg
        BitBtn1,        // "OK"
        BitBtn2,        // "Info"
    };
    // What Panel1 and PanelEgg draw, as the mouse notices name them.
    enum ItemId : int { Image2 = 1, Bevel1, Image1, Label2, Label5, ImageEgg };
    enum CommandId : UINT { Credits1 = 201, Howtouninstall1, LicensePrivacyPolicy1 };
    static constexpr UINT_PTR tmTimer = 1;
    static constexpr UINT_PTR TimerEgg = 2;
    static constexpr UINT kRainInterval = 50;
    static constexpr UINT kEggInterval = 5;

    explicit TAboutBox(HWND owner);

    // Runs the window modally; returns once it is closed and destroyed.
    void ShowModal();
    bool IsOpen() const { return Handle() != nullptr; }
    HMENU PopupMenu1() const { return popupMenu1_.Get(); }
    const HiddenPicture& Egg() const { return egg_; }
    bool IsDragging() const { return dragging_; }
    // The rain is shared by every about box of the run.
    static const MatrixRain& Rain();

    void FormClose();
    void BitBtn1Click() { FormClose(); }
    void BitBtn1KeyDown(WPARAM key) { CloseOnEscape(key); }
    void BitBtn2KeyDown(WPARAM key) { CloseOnEscape(key); }
    void BitBtn2Click();
    void Label5Click();
    void Credits1Click();
    void Howtouninstall1Click();
    void LicensePrivacyPolicy1Click();
    void Image1DblClick();
    void ImageEggDblClick();
    void TimerEggTimer();
    void tmTimerTimer();
    void FormMouseDown(UINT button, POINT screen);
    void FormMouseMove(POINT screen);
    void FormMouseUp();
    void HighDPIImageYukle();

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void LayoutControls() override;
    void AfterDpiChange() override;

private:
    void FormCreate();
    void FormPaint();
    void FormResize();
    void StartMatrix();
    void RunCommand(UINT id);
    void CloseOnEscape(WPARAM key);
    void OnPanelNotice(const winui::PanelNotice& notice);
    void OnWindowMouse(UINT message, LPARAM lParam);
    void PlacePanelItems();
    void PlaceLinkTooltip();
    void MovePanel1(int left);
    int ClientWidth() const;
    void OpenMakerPage(const wchar_t* scheme, const wchar_t* path);

    HiddenPicture egg_{0};
    bool rainStarted_ = false;
    bool dragging_ = false;
    int dx_ = 0;
    int dy_ = 0;
    winui::UniqueMenu popupMenu1_;
    winui::UniqueFont rainFont_;
    winui::UniqueFont linkFont_;
    winui::UniqueIcon appIcon_;
    winui::UniqueIcon arrowIcon_;
    winui::UniqueBitmap logo_;
    winui::UniqueBitmap cat_;
    HWND linkTooltip_ = nullptr;   // destroyed with the window
    std::wstring linkAddress_;     // the tooltip's text, which the tool points to
};

}  // namespace tabulora::ui
