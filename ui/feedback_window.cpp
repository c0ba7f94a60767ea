#include "ui/feedback_window.h"

#include <oleacc.h>

#include "update/postform.h"
#include "winui/accessibility.h"
#include "winui/busy_cursor.h"
#include "winui/images.h"
#include "winui/key_hooks.h"
#include "winui/messages.h"
#include "winui/modal.h"
#include "winui/panel.h"
#include "winui/side_effects.h"
#include "winui/text.h"

namespace tabulora::ui {
namespace {

using winui::ControlKind;
using winui::ControlSpec;

constexpr int kClientWidth = 525;
constexpr int kClientHeight = 326;
constexpr int kChoicePictureSize = 32;
constexpr int kChoicePictureInset = 4;
constexpr int kSendPictureSize = 24;
constexpr int kSendPictureMargin = 3;
constexpr int kChoicePicture = 1;  // the panel item that draws the choice's picture

enum Fonts { kWindowFont, kChoiceFont, kHeadingFont, kTextFont };
const winui::FontSpec kFonts[] = {
    {L"Tahoma", 11},
    {L"Tahoma", 16},
    {L"Tahoma", 13, FW_BOLD},
    {L"Tahoma", 13},
};

// Top to bottom: the two choice panels (a 46-pixel strip), the two headings, the message, the
// e-mail line (30 high) and the button strip (40 high).
const ControlSpec kControls[] = {
    // The two choices work as a pair of radio buttons: one tab stop, the arrow keys move between them.
    {FeedbackWindow::LikeChoice,
     ControlKind::Panel,
     L"I like it!",
     {3, 3, 257, 40},
     kChoiceFont,
     WS_GROUP | WS_TABSTOP},
    {FeedbackWindow::DislikeChoice, ControlKind::Panel, L"I dislike it!", {266, 3, 256, 40}, kChoiceFont},
    {FeedbackWindow::Invitation,
     ControlKind::Label,
     L"We would really appreciate your feedback.",
     {6, 52, 513, 20},
     kChoiceFont,
     WS_GROUP},
    {FeedbackWindow::Question, ControlKind::Label, L"What did you like or dislike?", {6, 74, 513, 18}, kHeadingFont},
    {FeedbackWindow::MessageEdit, ControlKind::Memo, L"", {6, 94, 513, 160}, kTextFont},
    {FeedbackWindow::EmailLabel,
     ControlKind::Label,
     L"Include my e-mail:",
     {6, 256, 112, 30},
     kTextFont,
     SS_CENTERIMAGE},
    {FeedbackWindow::EmailEdit, ControlKind::Edit, L"", {118, 260, 401, 22}, kTextFont},
    {FeedbackWindow::SendButton, ControlKind::Button, L"Send", {342, 289, 180, 34}, kHeadingFont},
};

const wchar_t kDelivered[] = L"Your feedback is received.\r\rThank you!";
const wchar_t kNotDelivered[] =
    L"Something went wrong. Your feedback could not be delivered.\r\rPlease try again later.";

winui::PanelLook ChosenLook() {
    return {GetSysColor(COLOR_HIGHLIGHT), GetSysColor(COLOR_HIGHLIGHTTEXT), winui::Bevel::Lowered};
}

winui::PanelLook NotChosenLook() {
    return {GetSysColor(COLOR_BTNFACE), GetSysColor(COLOR_WINDOWTEXT), winui::Bevel::Raised};
}

}  // namespace

update::PostFunction FeedbackWindow::DefaultPost() { return update::PostForm; }

FeedbackWindow::FeedbackWindow(HWND owner, const AppIdentity& app, const MakerSite& site, update::PostFunction post)
    : app_(app), site_(site), post_(std::move(post)) {
    CreateFrame({L"TabuloraFeedbackWindow",
                 WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN,
                 0,
                 {kClientWidth, kClientHeight},
                 owner,
                 nullptr,
                 L"MAINICON"});
    CreateControls(kFonts, kControls);
    SetUp();
}

void FeedbackWindow::SetUp() {
    SetWindowTextW(Handle(), winui::Utf8ToWide(app_.product + " feedback").c_str());
    for (int panel : {LikeChoice, DislikeChoice}) {
        winui::SetPanelLook(Control(panel), NotChosenLook());
        winui::SetPanelHandCursor(Control(panel), true);
        winui::SetPanelTakesFocus(Control(panel), true);
    }
    // Tab and Shift+Tab leave the message for the e-mail box and "Send"; Ctrl+Tab types a TAB.
    winui::LetTabLeave(Control(MessageEdit));
    DescribeControls();
    SendMessageW(Control(MessageEdit), EM_SETLIMITTEXT, kMessageMaxLength, 0);
    SendMessageW(Control(EmailEdit), EM_SETLIMITTEXT, kEmailMaxLength, 0);
    // Escape closes the window from every control that takes the focus, the choices included.
    for (int control : {LikeChoice, DislikeChoice, MessageEdit, EmailEdit, SendButton})
        winui::CloseModalOnEscape(Control(control), Handle());
    PlaceChoicePictures();
    SetSendPicture();
}

void FeedbackWindow::DescribeControls() {
    for (int panel : {LikeChoice, DislikeChoice}) {
        Describe(panel, {.name = [this, panel] { return winui::WindowText(Control(panel)); },
                         .role = ROLE_SYSTEM_RADIOBUTTON,
                         .extraStates = [this, panel] { return IsChosen(panel) ? STATE_SYSTEM_CHECKED : 0L; },
                         .defaultAction = L"Check",
                         .doDefaultAction = [this, panel] { panel == LikeChoice ? ChooseLike() : ChooseDislike(); }});
    }
}

// Space chooses the focused choice; an arrow key moves to the other one and chooses it, as in a
// group of radio buttons.
void FeedbackWindow::OnChoiceKey(int panel, UINT key) {
    const int target = key == VK_SPACE ? panel : (panel == LikeChoice ? DislikeChoice : LikeChoice);
    if (target != panel) SetFocus(Control(target));
    target == LikeChoice ? ChooseLike() : ChooseDislike();
}

void FeedbackWindow::AfterColoursChange() {
    // The choice is read from the bevels, which no colour change touches.
    for (int panel : {LikeChoice, DislikeChoice}) {
        const bool chosen = winui::GetPanelLook(Control(panel)).bevel == winui::Bevel::Lowered;
        winui::SetPanelLook(Control(panel), chosen ? ChosenLook() : NotChosenLook());
    }
}

void FeedbackWindow::ShowModal() { winui::ShowModal(Handle(), Control(MessageEdit)); }

void FeedbackWindow::Close() { winui::CloseModal(Handle()); }

void FeedbackWindow::AfterDpiChange() {
    PlaceChoicePictures();
    SetSendPicture();
}

void FeedbackWindow::PlaceChoicePictures() {
    const int size = Scale(kChoicePictureSize);
    const int inset = Scale(kChoicePictureInset);
    likeIcon_ = winui::LoadIconAtSize(L"IMG_LIKE", size);
    dislikeIcon_ = winui::LoadIconAtSize(L"IMG_DISLIKE", size);
    const RECT bounds{inset, inset, inset + size, inset + size};
    winui::PanelItem like{kChoicePicture, winui::PanelItem::Kind::Icon, bounds};
    like.icon = likeIcon_.Get();
    winui::PanelItem dislike = like;
    dislike.icon = dislikeIcon_.Get();
    winui::SetPanelItems(Control(LikeChoice), {like});
    winui::SetPanelItems(Control(DislikeChoice), {dislike});
}

void FeedbackWindow::SetSendPicture() {
    winui::UniqueImageList image = winui::ButtonImageList(L"IMG_SEND", Scale(kSendPictureSize));
    winui::SetButtonImage(Control(SendButton), image.Get(), Scale(kSendPictureMargin));
    sendImage_ = std::move(image);
}

// ---- The choice: the state of the two panels

bool FeedbackWindow::IsChosen(int panel) const {
    return winui::GetPanelLook(Control(panel)).background != GetSysColor(COLOR_BTNFACE);
}

FeedbackChoice FeedbackWindow::Choice() const {
    if (IsChosen(LikeChoice)) return FeedbackChoice::Like;
    if (IsChosen(DislikeChoice)) return FeedbackChoice::Dislike;
    return FeedbackChoice::None;
}

void FeedbackWindow::Choose(int chosen, int other) {
    if (!IsChosen(chosen)) winui::SetPanelLook(Control(chosen), ChosenLook());
    if (IsChosen(other)) winui::SetPanelLook(Control(other), NotChosenLook());
    // Tab comes back to the chosen one.
    auto tabStop = [this](int panel, bool on) {
        const HWND control = Control(panel);
        const LONG_PTR style = GetWindowLongPtrW(control, GWL_STYLE);
        SetWindowLongPtrW(control, GWL_STYLE, on ? (style | WS_TABSTOP) : (style & ~WS_TABSTOP));
    };
    tabStop(chosen, true);
    tabStop(other, false);
}

void FeedbackWindow::ChooseLike() { Choose(LikeChoice, DislikeChoice); }

void FeedbackWindow::ChooseDislike() { Choose(DislikeChoice, LikeChoice); }

// ---- Sending

void FeedbackWindow::Send() {
    const FeedbackRequest request =
        BuildFeedbackRequest(Choice(), winui::WideToUtf8(winui::WindowText(Control(MessageEdit))),
                             winui::WideToUtf8(winui::WindowText(Control(EmailEdit))), app_);
    switch (request.check) {
    case FeedbackCheck::EmptyMessage:
        SetFocus(Control(MessageEdit));
        winui::Effects().Beep(0);
        return;
    case FeedbackCheck::InvalidEmail:
        SetFocus(Control(EmailEdit));
        winui::ShowMessage(Handle(), L"Invalid e-mail address!", L"Failure", MB_ICONERROR);
        return;
    case FeedbackCheck::Ready: break;
    }

    bool delivered = false;
    {
        winui::BusyCursor busy;  // the exchange blocks this thread for up to two attempts
        delivered = SendFeedback(site_.FeedbackAddress(), request.fields, post_);
    }
    if (delivered) {
        winui::ShowMessage(Handle(), kDelivered, L"Success", MB_ICONINFORMATION);
        Close();
    } else {
        winui::ShowMessage(Handle(), kNotDelivered, L"Failure", MB_ICONERROR);
    }
}

LRESULT FeedbackWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
        if (LOWORD(wParam) == SendButton && HIWORD(wParam) == BN_CLICKED) Send();
        return 0;
    case winui::kPanelNotice: {
        const auto& notice = *reinterpret_cast<const winui::PanelNotice*>(lParam);
        if (notice.event == winui::PanelNotice::Event::Key) {
            OnChoiceKey(notice.panelId, notice.key);
            return 0;
        }
        if (notice.event != winui::PanelNotice::Event::Click) return 0;
        if (notice.panelId == LikeChoice) ChooseLike();
        if (notice.panelId == DislikeChoice) ChooseDislike();
        return 0;
    }
    case WM_CLOSE: Close(); return 0;
    }
    return Window::HandleMessage(message, wParam, lParam);
}

}  // namespace tabulora::ui
