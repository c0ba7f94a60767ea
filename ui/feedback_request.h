#pragma once
#include <string>
#include <string_view>

#include "base/app_identity.h"
#include "update/httpform.h"

namespace tabulora::ui {

// Each exchange attempt waits at most this long to connect and again for the answer.
inline constexpr int kFeedbackTimeoutMs = 3000;

// The state of the two choice panels: at most one is chosen.
enum class FeedbackChoice { None, Like, Dislike };

enum class FeedbackCheck {
    Ready,         // fields are built and can be sent
    EmptyMessage,  // the message is blank: beep, focus the memo, send nothing
    InvalidEmail,  // an address was given but does not pass IsValidEmailAddress
};

struct FeedbackRequest {
    FeedbackCheck check = FeedbackCheck::Ready;
    update::RequestFields fields;  // filled only when check is Ready
};

// Checks the window's input (UTF-8 texts as typed) and builds the form fields: cmd, appname,
// version, feedback (the choice line and a CR before the trimmed message) and, when an
// address was given, email (trimmed).
FeedbackRequest BuildFeedbackRequest(FeedbackChoice choice, std::string_view memoText, std::string_view emailText,
                                     const AppIdentity& app);

// The server took the feedback only when its answer, blanks and line breaks around it
// removed, is exactly "OK".
bool IsFeedbackDelivered(std::string_view answer);

// Posts to `address` (no scheme) over HTTPS, then over plain HTTP when that fails, and applies the "OK" rule. Failures
// of either attempt, and any other error on the way, are swallowed: they count as not
// delivered.
bool SendFeedback(const std::string& address, const update::RequestFields& fields, const update::PostFunction& post);

}  // namespace tabulora::ui
