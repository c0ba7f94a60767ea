#include "ui/feedback.h"

#include "app/mainform.h"
#include "app/win/busy_cursor.h"
#include "app/win/images.h"
#include "app/win/key_hooks.h"
#include "app/win/messages.h"
#include "app/win/modal.h"
#include "app/win/panel.h"
#include "app/win/side_effects.h"
#include "app/win/text.h"
#include "update/postform.h"

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
constexpr int kChoicePicture = 1;   // the panel item that is Image1 or Image2

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
    {TFeedbackForm::Panel4, ControlKind::Panel, L"I like it!", {3, 3, 257, 40}, kChoiceFont},
    {TFeedbackForm::Panel5, ControlKind::Panel, L"I dislike it!", {266, 3, 256, 40}, kChoiceFont},
    {TFeedbackForm::Label1, ControlKind::Label, L"We would really appreciate your feedback.", {6, 52, 513, 20},
     kChoiceFont},
    {TFeedbackForm::Label2, ControlKind::Label, L"What did you like or dislike?", {6, 74, 513, 18}, kHeadingFont},
    {TFeedbackForm::Memo1, ControlKind::Memo, L"", {6, 94, 513, 160}, kTextFont},
    {TFeedbackForm::Label3, ControlKind::Label, L"Include my e-mail:", {6, 256, 112, 30}, kTextFont,
     SS_CENTERIMAGE},
    {TFeedbackForm::Edit1, ControlKind::Edit, L"", {118, 260, 401, 22}, kTextFont},
    {TFeedbackForm::BitBtn1, ControlKind::Button, L"Send", {342, 289, 180, 34}, kHeadingFont},
};

const wchar_t kDelivered[] = L"Your feedback is received.\r\rThank you!";
const wchar_t kNotDelivered[] = L"Something went wrong. Your feedback could not be delivered.\r\rPlease try again later.";

winui::PanelLook ChosenLook() {
    return {GetSysColor(COLOR_HIGHLIGHT), GetSysColor(COLOR_HIGHLIGHTTEXT), winui::Bevel::Lowered};
}

winui::PanelLook NotChosenLook() {
    return {GetSysColor(COLOR_BTNFACE), GetSysColor(COLOR_WINDOWTEXT), winui::Bevel::Raised};
}

}  // namespace

update::PostFunction TFeedbackForm::DefaultPost() { return update::PostForm; }

TFeedbackForm::TFeedbackForm(HWND owner, update::PostFunction post) : post_(std::move(post)) {
    CreateFrame({L"TFeedbackForm", WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN, 0,
                 {kClientWidth, kClientHeight}, owner, nullptr, L"MAINICON"});
    CreateControls(kFonts, kControls);
    FormCreate();
}

void TFeedbackForm::FormCreate() {
    SetWindowTextW(Handle(), (AppProductName + L" feedback").c_str());
    for (int panel : {Panel4, Panel5}) {
        winui::SetPanelLook(Control(panel), NotChosenLook());
        winui::SetPanelHandCursor(Control(panel), true);
    }
    SendMessageW(Control(Memo1), EM_SETLIMITTEXT, kMemoMaxLength, 0);
    SendMessageW(Control(Edit1), EM_SETLIMITTEXT, kEmailMaxLength, 0);
    winui::HookKeyDown(Control(Memo1), [this](WPARAM key) { Memo1KeyDown(key); return key == VK_ESCAPE; });
    winui::HookKeyDown(Control(Edit1), [this](WPARAM key) { Edit1KeyDown(key); return key == VK_ESCAPE; });
    winui::HookKeyDown(Control(BitBtn1), [this](WPARAM key) { BitBtn1KeyDown(key); return key == VK_ESCAPE; });
    PlaceChoicePictures();
    SetSendPicture();
}

void TFeedbackForm::ShowModal() { winui::ShowModal(Handle(), Control(Memo1)); }

void TFeedbackForm::FormClose() { winui::CloseModal(Handle()); }

void TFeedbackForm::AfterDpiChange() {
    PlaceChoicePictures();
    SetSendPicture();
}

void TFeedbackForm::PlaceChoicePictures() {
    const int size = Scale(kChoicePictureSize);
    const int inset = Scale(kChoicePictureInset);
    likeIcon_ = winui::LoadIconAtSize(L"IMG_LIKE", size);
    dislikeIcon_ = winui::LoadIconAtSize(L"IMG_DISLIKE", size);
    const RECT bounds{inset, inset, inset + size, inset + size};
    winui::PanelItem like{kChoicePicture, winui::PanelItem::Kind::Icon, bounds};
    like.icon = likeIcon_.Get();
    winui::PanelItem dislike = like;
    dislike.icon = dislikeIcon_.Get();
    winui::SetPanelItems(Control(Panel4), {like});
    winui::SetPanelItems(Control(Panel5), {dislike});
}

void TFeedbackForm::SetSendPicture() {
    winui::UniqueImageList image = winui::ButtonImageList(L"IMG_SEND", Scale(kSendPictureSize));
    winui::SetButtonImage(Control(BitBtn1), image.Get(), Scale(kSendPictureMargin));
    sendImage_ = std::move(image);
}

// ---- The choice: the state of the two panels

bool TFeedbackForm::IsChosen(int panel) const {
    return winui::GetPanelLook(Control(panel)).background != GetSysColor(COLOR_BTNFACE);
}

FeedbackChoice TFeedbackForm::Choice() const {
    if (IsChosen(Panel4)) return FeedbackChoice::Like;
    if (IsChosen(Panel5)) return FeedbackChoice::Dislike;
    return FeedbackChoice::None;
}

void TFeedbackForm::Choose(int chosen, int other) {
    if (!IsChosen(chosen)) winui::SetPanelLook(Control(chosen), ChosenLook());
    if (IsChosen(other)) winui::SetPanelLook(Control(other), NotChosenLook());
}

void TFeedbackForm::Image1Click() { Choose(Panel4, Panel5); }

void TFeedbackForm::Image2Click() { Choose(Panel5, Panel4); }

// ---- Sending

std::wstring TFeedbackForm::Text(int id) const {
    HWND control = Control(id);
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(control)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(control, text.data(), static_cast<int>(text.size()))));
    return text;
}

void TFeedbackForm::BitBtn1Click() {
    const update::AppIdentity app{winui::WideToUtf8(AppTitleText), winui::WideToUtf8(AppVersionText)};
    const FeedbackRequest request =
        BuildFeedbackRequest(Choice(), winui::WideToUtf8(Text(Memo1)), winui::WideToUtf8(Text(Edit1)), app);
    switch (request.check) {
    case FeedbackCheck::EmptyMessage:
        SetFocus(Control(Memo1));
        winui::Effects().Beep(0);
        return;
    case FeedbackCheck::InvalidEmail:
        SetFocus(Control(Edit1));
        winui::ShowMessage(Handle(), L"Invalid e-mail address!", L"Failure", MB_ICONERROR);
        return;
    case FeedbackCheck::Ready:
        break;
    }

    bool delivered = false;
    {
        winui::BusyCursor busy;   // the exchange blocks this thread for up to two attempts
        delivered = SendFeedback(request.fields, post_);
    }
    if (delivered) {
        winui::ShowMessage(Handle(), kDelivered, L"Success", MB_ICONINFORMATION);
        FormClose();
    } else {
        winui::ShowMessage(Handle(), kNotDelivered, L"Failure", MB_ICONERROR);
    }
}

void TFeedbackForm::CloseOnEscape(WPARAM key) {
    if (key == VK_ESCAPE) FormClose();
}

LRESULT TFeedbackForm::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
        if (LOWORD(wParam) == BitBtn1 && HIWORD(wParam) == BN_CLICKED) BitBtn1Click();
        return 0;
    case winui::kPanelNotice: {
        const auto& notice = *reinterpret_cast<const winui::PanelNotice*>(lParam);
        if (notice.event != winui::PanelNotice::Event::Click) return 0;
        if (notice.panelId == Panel4) Image1Click();
        if (notice.panelId == Panel5) Image2Click();
        return 0;
    }
    case WM_CLOSE:
        FormClose();
        return 0;
    }
    return Window::HandleMessage(message, wParam, lParam);
}

}  // namespace tabulora::ui
