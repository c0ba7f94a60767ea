#pragma once
#include <windows.h>

#include <string>

#include "base/app_identity.h"
#include "base/maker_site.h"
#include "ui/matrix_rain.h"
#include "ui/palette.h"
#include "ui/panel_slide.h"
#include "winui/handles.h"
#include "winui/panel.h"
#include "winui/window.h"
#include "winui/window_drag.h"

namespace tabulora::ui {

// The about box: logo, icon, name and version, the maker's links and the licence, with the
// character rain around its central panel and a picture hidden behind that panel. Created for
// one opening, shown modally, destroyed when it closes.
class AboutBox : public winui::Window {
public:
    enum ControlId : int {
        CentrePanel = 101,  // draws the logo, the icon in its frame, name and version, the site link
        PicturePanel,       // draws the hidden picture
        OkButton,
        InfoButton,
        SiteLink,  // the maker's host name on CentrePanel, a link of the mouse and the keyboard
    };
    // What the two panels draw, as the mouse notices name them.
    enum ItemId : int { Logo = 1, IconFrame, AppIcon, NameAndVersion, CoveredPicture };
    enum CommandId : UINT { AcknowledgementsCommand = 201, UninstallHelpCommand, LicenseCommand };
    static constexpr UINT_PTR kRainTimer = 1;
    static constexpr UINT_PTR kSlideTimer = 2;
    static constexpr UINT kRainInterval = 50;
    static constexpr UINT kSlideInterval = 5;

    AboutBox(HWND owner, const AppIdentity& app, const MakerSite& site);

    // Runs the window modally; returns once it is closed and destroyed.
    void ShowModal();
    bool IsOpen() const { return Handle() != nullptr; }
    HMENU InfoMenu() const { return infoMenu_.Get(); }
    const PanelSlide& Slide() const { return slide_; }
    bool IsDragging() const { return drag_.Active(); }
    // The rain is shared by every about box of the run.
    static const MatrixRain& Rain();
    // The colours of the centre panel and its controls now.
    const AboutBoxColours& Colours() const { return colours_; }

    void Close();
    void ShowInfoMenu();
    void OpenMakerSite();
    void OpenAcknowledgements();
    void OpenUninstallHelp();
    void OpenLicense();
    void RevealPicture();
    void CoverPicture();
    void SlidePanel();
    void AdvanceRain();
    void RenderPictures();

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void LayoutControls() override;
    void AfterDpiChange() override;
    void AfterColoursChange() override;

private:
    void ApplyColours();
    void DescribeControls();
    void SetUp();
    void PaintBlack();
    void RestartRainGrid();
    void StartRain();
    void RunCommand(UINT id);
    void OnPanelNotice(const winui::PanelNotice& notice);
    void OnWindowMouse(UINT message, LPARAM lParam);
    void BeginDrag(UINT button, POINT screen);
    void PlacePanelItems();
    void PlaceLinkTooltip();
    void MoveCentrePanel(int left);
    int ClientWidth() const;

    const AppIdentity app_;
    const MakerSite site_;
    PanelSlide slide_{0};
    AboutBoxColours colours_{};
    bool rainStarted_ = false;
    winui::WindowDrag drag_;
    winui::UniqueMenu infoMenu_;
    winui::UniqueFont rainFont_;
    winui::UniqueIcon appIcon_;
    winui::UniqueIcon arrowIcon_;
    winui::UniqueBitmap logo_;
    winui::UniqueBitmap coveredPicture_;
    HWND linkTooltip_ = nullptr;  // destroyed with the window
    std::wstring linkAddress_;    // the tooltip's text, which the tool points to
};

}  // namespace tabulora::ui
