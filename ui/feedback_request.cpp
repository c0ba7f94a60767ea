#include "ui/feedback_request.h"

#include "app/maker_site.h"
#include "ui/email.h"
#include "update/text_utils.h"

namespace tabulora::ui {
namespace {

std::string ChoiceLine(FeedbackChoice choice) {
    switch (choice) {
        case FeedbackChoice::Like: return "I like it!\r";
        case FeedbackChoice::Dislike: return "I dislike it!\r";
        case FeedbackChoice::None: break;
    }
    return {};
}

}  // namespace

FeedbackRequest BuildFeedbackRequest(FeedbackChoice choice, std::string_view memoText,
                                     std::string_view emailText, const update::AppIdentity& app) {
    const std::string_view message = update::TrimBlanksAndControls(memoText);
    if (message.empty()) return {FeedbackCheck::EmptyMessage, {}};

    const std::string_view email = update::TrimBlanksAndControls(emailText);
    if (!email.empty() && !IsValidEmailAddress(email)) return {FeedbackCheck::InvalidEmail, {}};

    update::RequestFields fields{
        "cmd=feedback",
        "appname=" + app.titleText,
        "version=" + app.versionText,
        "feedback=" + ChoiceLine(choice) + std::string(message),
    };
    if (!email.empty()) fields.push_back("email=" + std::string(email));
    return {FeedbackCheck::Ready, std::move(fields)};
}

std::string FeedbackAddress() {
    return MakerHost() + "/php/feedback.php";
}

bool IsFeedbackDelivered(std::string_view answer) {
    // The answer is read as a list of lines and back as one text, which ends every line
    // with CR LF, before it is trimmed.
    std::string text;
    for (const std::string& line : update::SplitLines(answer)) text += line + "\r\n";
    return update::TrimBlanksAndControls(text) == "OK";
}

bool SendFeedback(const update::RequestFields& fields, const update::PostFunction& post) {
    try {
        const update::ExchangeResult result = update::PostFormTwice(
            FeedbackAddress(), fields, kFeedbackTimeoutMs, post,
            [](update::Transport, const std::string&) {});
        return result.answer && IsFeedbackDelivered(*result.answer);
    } catch (...) {
        return false;
    }
}

}  // namespace tabulora::ui
