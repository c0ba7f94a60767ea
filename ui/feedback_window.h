#pragma once
#include <windows.h>

#include <string>

#include "base/app_identity.h"
#include "base/maker_site.h"
#include "ui/feedback_request.h"
#include "update/httpform.h"
#include "winui/handles.h"
#include "winui/window.h"

namespace tabulora::ui {

// The feedback window: a like or dislike mark, a message and an optional e-mail address, posted
// to the maker's server. Created for one opening, shown modally, destroyed when it closes.
class FeedbackWindow : public winui::Window {
public:
    enum ControlId : int {
        LikeChoice = 101,  // "I like it!" with its picture
        DislikeChoice,     // "I dislike it!" with its picture
        Invitation,
        Question,
        MessageEdit,
        EmailLabel,
        EmailEdit,
        SendButton,
    };
    static constexpr int kMessageMaxLength = 10000;
    static constexpr int kEmailMaxLength = 100;

    // `owner` is the main window; `post` carries out one exchange attempt.
    FeedbackWindow(HWND owner, const AppIdentity& app, const MakerSite& site,
                   update::PostFunction post = DefaultPost());

    // Runs the window modally; returns once it is closed and destroyed.
    void ShowModal();
    bool IsOpen() const { return Handle() != nullptr; }
    FeedbackChoice Choice() const;

    void ChooseLike();
    void ChooseDislike();
    void Send();
    void Close();

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void AfterDpiChange() override;
    void AfterColoursChange() override;

private:
    void DescribeControls();
    void OnChoiceKey(int panel, UINT key);
    static update::PostFunction DefaultPost();
    void SetUp();
    void Choose(int chosen, int other);
    bool IsChosen(int panel) const;
    void PlaceChoicePictures();
    void SetSendPicture();

    const AppIdentity app_;
    const MakerSite site_;
    update::PostFunction post_;
    winui::UniqueIcon likeIcon_;
    winui::UniqueIcon dislikeIcon_;
    winui::UniqueImageList sendImage_;
};

}  // namespace tabulora::ui
