#include "ui/feedback_request.h"

#include "base/text.h"
#include "engine/text_trim.h"
#include "ui/email.h"

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

FeedbackRequest BuildFeedbackRequest(FeedbackChoice choice, std::string_view memoText, std::string_view emailText,
                                     const AppIdentity& app) {
    const std::string_view message = TrimBlanksAndControls(memoText);
    if (message.empty()) return {FeedbackCheck::EmptyMessage, {}};

    const std::string_view email = TrimBlanksAndControls(emailText);
    if (!email.empty() && !IsValidEmailAddress(email)) return {FeedbackCheck::InvalidEmail, {}};

    update::RequestFields fields{
        "cmd=feedback",
        "appname=" + app.title,
        "version=" + app.version,
        "feedback=" + ChoiceLine(choice) + std::string(message),
    };
    if (!email.empty()) fields.push_back("email=" + std::string(email));
    return {FeedbackCheck::Ready, std::move(fields)};
}

bool IsFeedbackDelivered(std::string_view answer) {
    // The answer is read as a list of lines and back as one text, which ends every line
    // with CR LF, before it is trimmed.
    std::string text;
    for (const std::string& line : SplitLines(answer)) text += line + "\r\n";
    return TrimBlanksAndControls(text) == "OK";
}

bool SendFeedback(const std::string& address, const update::RequestFields& fields, const update::PostFunction& post) {
    try {
        const update::ExchangeResult result = update::PostFormTwice(address, fields, kFeedbackTimeoutMs, post,
                                                                    [](update::Transport, const std::string&) {});
        return result.answer && IsFeedbackDelivered(*result.answer);
    } catch (...) {
        return false;
    }
}

}  // namespace tabulora::ui
