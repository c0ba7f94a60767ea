#include "ui/egg_state.h"

namespace tabulora::ui {

void HiddenPicture::IconDoubleClicked() {
    if (timerRunning_) return;
    pictureVisible_ = true;
    timerRunning_ = true;
}

void HiddenPicture::TimerTick(int32_t clientWidth) {
    if (!timerRunning_) return;  // a tick already queued when the timer stopped
    panelLeft_ += kSlideStep;
    if (panelLeft_ > clientWidth) timerRunning_ = false;
}

void HiddenPicture::PictureDoubleClicked(int32_t clientWidth, int32_t panelWidth) {
    if (timerRunning_) return;
    pictureVisible_ = false;
    panelLeft_ = (clientWidth - panelWidth) / 2;
}

EggPhase HiddenPicture::Phase() const {
    if (timerRunning_) return EggPhase::Sliding;
    return pictureVisible_ ? EggPhase::Revealed : EggPhase::Normal;
}

}  // namespace tabulora::ui
