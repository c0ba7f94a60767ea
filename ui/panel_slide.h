#pragma once
#include <cstdint>

namespace tabulora::ui {

enum class SlidePhase {
    Normal,    // the panel centred, the picture hidden
    Sliding,   // the picture shown behind the panel, which moves right on every timer tick
    Revealed,  // the panel has left the window
};

// The about box's central panel sliding aside to uncover the picture behind it: a double-click
// on the icon slides the panel out to the right, a double-click on the uncovered picture puts it
// back. Double-clicks are ignored
// while the panel slides. Positions are client pixels.
class PanelSlide {
public:
    static constexpr int32_t kSlideStep = 5;

    explicit PanelSlide(int32_t panelLeft) : panelLeft_(panelLeft) {}

    void IconDoubleClicked();
    void TimerTick(int32_t clientWidth);
    void PictureDoubleClicked(int32_t clientWidth, int32_t panelWidth);

    SlidePhase Phase() const;
    bool PictureVisible() const { return pictureVisible_; }
    bool TimerRunning() const { return timerRunning_; }
    int32_t PanelLeft() const { return panelLeft_; }

private:
    int32_t panelLeft_;
    bool pictureVisible_ = false;
    bool timerRunning_ = false;
};

}  // namespace tabulora::ui
