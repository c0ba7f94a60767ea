#include "ui/panel_slide.h"

namespace tabulora::ui {

void PanelSlide::IconDoubleClicked() {
    if (timerRunning_) return;
    pictureVisible_ = true;
    timerRunning_ = true;
}

void PanelSlide::TimerTick(int32_t clientWidth) {
    if (!timerRunning_) return;  // a tick already queued when the timer stopped
    panelLeft_ += kSlideStep;
    if (panelLeft_ > clientWidth) timerRunning_ = false;
}

void PanelSlide::PictureDoubleClicked(int32_t clientWidth, int32_t panelWidth) {
    if (timerRunning_) return;
    pictureVisible_ = false;
    panelLeft_ = (clientWidth - panelWidth) / 2;
}

SlidePhase PanelSlide::Phase() const {
    if (timerRunning_) return SlidePhase::Sliding;
    return pictureVisible_ ? SlidePhase::Revealed : SlidePhase::Normal;
}

}  // namespace tabulora::ui
