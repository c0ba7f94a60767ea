#pragma once
#include <windows.h>

#include <string>

#include "app/win/handles.h"
#include "app/win/window.h"
#include "ui/feedback_request.h"
#include "update/httpform.h"

namespace tabulora::ui {

// The feedback window: a like or dislike mark, a message and an optional e-mail address, posted
// to the maker's server. Created for one opening, shown modally, destroyed when it closes.
class TFeedbackForm : public winui::Window {
public:
    enum ControlId : int {
        Panel4 = 101,   // "I like it!", draws Image1
        Panel5,         // "I dislike it!", draws Image2
        Label1,
        Label2,
        Memo1,
        Label3,
        Edit1,
        BitBtn1,        // "Send"
    };
    static constexpr int kMemoMaxLength = 10000;
    static constexpr int kEmailMaxLength = 100;

    // `owner` is the main window; `post` carries out one exchange attempt.
    explicit TFeedbackForm(HWND owner, update::PostFunction post = DefaultPost());

    // Runs the window modally; returns once it is closed and destroyed.
    void ShowModal();
    bool IsOpen() const { return Handle() != nullptr; }
    FeedbackChoice Choice() const;

    void Image1Click();
    void Image2Click();
    void BitBtn1Click();
    void Memo1KeyDown(WPARAM key) { CloseOnEscape(key); }
    void Edit1KeyDown(WPARAM key) { CloseOnEscape(key); }
    void BitBtn1KeyDown(WPARAM key) { CloseOnEscape(key); }
    void FormClose();

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void AfterDpiChange() override;

private:
    static update::PostFunction DefaultPost();
    void FormCreate();
    void Choose(int chosen, int other);
    bool IsChosen(int panel) const;
    void PlaceChoicePictures();
    void SetSendPicture();
    void CloseOnEscape(WPARAM key);
    std::wstring Text(int id) const;

    update::PostFunction post_;
    winui::UniqueIcon likeIcon_;
    winui::UniqueIcon dislikeIcon_;
    winui::UniqueImageList sendImage_;
};

}  // namespace tabulora::ui
