#include "update/check.h"

#include "base/text.h"
#include "engine/text_trim.h"
#include "update/check_rules.h"
#include "update/errors.h"
#include "update/identity.h"
#include "update/scramble.h"

namespace tabulora::update {
namespace {

std::string DescribeError(const std::exception& error) {
    return std::string(ErrorClassName(error)) + " Error:\r" + error.what();
}

// Runs a step whose failure leaves the default in place and is not recorded.
template <typename Step>
void Quietly(Step&& step) {
    try {
        step();
    } catch (const std::exception&) {
    }
}

// The settings as read at the start of a run.
struct PreviousCheck {
    std::string day;
    int count = 0;
};

class CheckRun {
public:
    CheckRun(CheckResults& results, const AppIdentity& app, const MakerSite& site, CheckPlatform& platform)
        : r_(results), app_(app), site_(site), platform_(platform) {}

    void Execute() {
        r_.CheckFinished.store(false, std::memory_order_relaxed);
        r_.ClearCheckErrors();
        try {
            if (PrepareAndDecideToAsk()) AskServer();
        } catch (const std::exception& error) {
            r_.AddCheckError(DescribeError(error));
        } catch (...) {
            r_.AddCheckError("Unknown Error:\rAn unexpected failure ended the check");
        }
        r_.CheckFinished.store(true, std::memory_order_release);
    }

private:
    SettingsStore& Store() { return *r_.Settings; }

    void OpenStore() {
        std::string keyName;
        try {
            keyName = platform_.SettingsKeyName(app_.title);
        } catch (const std::exception&) {
            // The run goes on with the empty key name.
            keyName.clear();
            r_.AddCheckError("Error: MD5 generate problem!");
        }
        try {
            guid_ = platform_.MachineGuid();
        } catch (const std::exception&) {
            r_.AddCheckError("Error: GUID generate problem!");
        }
        if (r_.Settings) return;  // the store is opened once per process
        try {
            r_.Settings = platform_.OpenSettingsStore(keyName);
        } catch (const std::exception&) {
            r_.AddCheckError("Error: Registry open problem!");
        }
        if (!r_.Settings) r_.Settings = std::make_unique<UnavailableSettings>();
    }

    // Steps before the request; false when no request is to be made.
    bool PrepareAndDecideToAsk() {
        OpenStore();
        Quietly([&] { previous_.day = Store().ReadString(kSettingsSection, kLastUpdateCheck); });
        Quietly([&] { previous_.count = Store().ReadInteger(kSettingsSection, kLastUpdateCheckCount, 0); });

        // The start is counted on every run; a failed write is recorded and the run goes on.
        try {
            r_.HowMany = UpdateStartCounter(Store(), app_.version);
        } catch (const std::exception& error) {
            r_.AddCheckError(DescribeError(error));
        }

        Quietly([&] {
            const std::string scrambled = Store().ReadString(kSettingsSection, kCurrentURL);
            if (!scrambled.empty()) r_.DownloadURL = UnscrambleText(scrambled);
        });
        r_.ShowUpdate = 1;
        Quietly([&] { r_.ShowUpdate = Store().ReadInteger(kSettingsSection, kShowUpdate, 1); });

        if (r_.ShowUpdate == 0) return false;
        return !DailyLimitReached(previous_.day, previous_.count, platform_.TodayText());
    }

    RequestFields BuildRequest() {
        RequestFields fields{"cmd=check", "appname=" + app_.title, "version=" + app_.version,
                             "os=" + platform_.OsDescription()};
        try {
            fields.push_back("local=" + platform_.LocaleName());
        } catch (const std::exception&) {
            r_.AddCheckError("Error: LocaleName2 problem!");
        }
        fields.push_back("guid=" + guid_);
        try {
            fields.push_back("howmany=" + std::to_string(r_.HowMany));
        } catch (const std::exception&) {
            r_.AddCheckError("Error: HM variable problem!");
        }
        return fields;
    }

    void AskServer() {
        const RequestFields fields = BuildRequest();
        const PostFunction post = [this](const std::string& url, const RequestFields& f, int timeoutMs) {
            return platform_.PostForm(url, f, timeoutMs);
        };
        const ExchangeResult exchange = PostFormTwice(
            site_.UpdateCheckAddress(), fields, kCheckTimeoutMs, post,
            [this](Transport transport, const std::string& message) {
                r_.AddCheckError((transport == Transport::Https ? "HTTPS Response:\r" : "HTTP Response:\r") + message);
            });
        // An answer over plain HTTP makes the earlier failures moot.
        if (exchange.answer && exchange.answeredBy == Transport::Http) r_.ClearCheckErrors();

        const std::string answer = exchange.answer.value_or(std::string());
        const std::vector<std::string> lines = SplitLines(answer);
        if (answer.starts_with("ERROR")) r_.AddCheckError("INVALIDSERVERRESPONSE");
        if (!r_.CheckFailed && !IsValidCheckAnswer(answer, lines)) r_.AddCheckError("INVALIDSERVERRESPONSE");
        if (!r_.CheckFailed) UseAnswer(lines);
    }

    void UseAnswer(const std::vector<std::string>& lines) {
        const CheckAnswerFields fields = ReadCheckAnswerFields(lines);
        const std::string today = platform_.TodayText();
        const int dayCount = NextDayCount(previous_.day, previous_.count, today);
        Quietly([&] {
            Store().WriteString(kSettingsSection, kLastUpdateCheck, today);
            Store().WriteInteger(kSettingsSection, kLastUpdateCheckCount, dayCount);
        });
        Quietly([&] {
            r_.ServerVersion = fields.version;
            Store().WriteString(kSettingsSection, kCurrentVersion, r_.ServerVersion);
        });
        Quietly([&] {
            r_.DownloadURL = fields.url;
            Store().WriteString(kSettingsSection, kCurrentURL, ScrambleText(r_.DownloadURL));
        });
        if (!TrimBlanksAndControls(fields.important).empty()) platform_.ShowImportantMessage(fields.important);
        r_.NewVersionAvailable =
            ShouldAnnounceNewVersion({r_.ServerVersion, app_.version, r_.ShowUpdate, previous_.day, today, dayCount});
    }

    CheckResults& r_;
    const AppIdentity& app_;
    const MakerSite& site_;
    CheckPlatform& platform_;
    std::string guid_;
    PreviousCheck previous_;
};

}  // namespace

void CheckResults::AddCheckError(std::string_view message) {
    if (TrimBlanksAndControls(message).empty()) return;
    CheckFailed = true;
    if (!CheckErrors.empty()) CheckErrors += "\r\r";
    CheckErrors += message;
}

void CheckResults::ClearCheckErrors() {
    CheckFailed = false;
    CheckErrors.clear();
}

void RunUpdateCheck(CheckResults& results, const AppIdentity& app, const MakerSite& site, CheckPlatform& platform) {
    CheckRun(results, app, site, platform).Execute();
}

}  // namespace tabulora::update
