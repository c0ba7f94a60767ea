// Whole runs of the update check against the local servers, on the registry of a fresh prefix.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <iostream>
#include <thread>

#include "engine/utf.h"
#include "local_servers.h"
#include "platform/win32_error.h"
#include "update/check_rules.h"
#include "update/checker_win.h"
#include "update/errors.h"
#include "update/identity_win.h"
#include "update/notice_link.h"
#include "update/scramble.h"
#include "update/settings_registry_win.h"

using namespace tabulora;
using namespace tabulora::update;
using namespace tabulora::update::testing;

namespace {

const tabulora::AppIdentity kApp = tabulora::MakeAppIdentity("BRIMTAL", "Tabulora", "2.1");
const std::string kDownload = "https://downloads.example/Tabulora-2.2.exe";

std::string Answer(const std::string& version, const std::string& result = "0", const std::string& important = "",
                   const std::string& url = kDownload) {
    return "<version>" + version + "</version>\r\n<url>" + url + "</url>\r\n\r\n<result>" + result +
           "</result>\r\n\r\n<important>" + important + "</important>\r\n";
}

// Fails chosen steps and keeps the boxes it is asked to show; the rest is the real system.
class TestPlatform : public WindowsCheckPlatform {
public:
    TestPlatform() : WindowsCheckPlatform(1033, nullptr) {}
    bool guidFails = false;
    bool howManyWriteFails = false;
    bool keyNameFails = false;
    std::vector<std::string> boxes;
    std::vector<std::string> openedKeyNames;

    std::string SettingsKeyName(const std::string& appTitle) override {
        if (keyNameFails) throw Md5Error("BCryptOpenAlgorithmProvider failed with status 3221225473");
        return WindowsCheckPlatform::SettingsKeyName(appTitle);
    }

    std::string MachineGuid() override {
        if (guidFails) throw SettingsError("Invalid data type for MachineGuid");
        return WindowsCheckPlatform::MachineGuid();
    }
    std::unique_ptr<SettingsStore> OpenSettingsStore(const std::string& keyName) override;
    void ShowImportantMessage(const std::string& message) override { boxes.push_back(message); }
};

// Passes everything to the registry store except writes of "HowMany".
class HowManyWriteFails : public SettingsStore {
public:
    explicit HowManyWriteFails(std::unique_ptr<SettingsStore> inner) : inner_(std::move(inner)) {}
    std::optional<std::string> ReadValue(std::string_view section, std::string_view name) override {
        return inner_->ReadValue(section, name);
    }
    void WriteString(std::string_view section, std::string_view name, std::string_view value) override {
        if (name == kHowMany) throw SettingsError("Access denied");
        inner_->WriteString(section, name, value);
    }

private:
    std::unique_ptr<SettingsStore> inner_;
};

std::unique_ptr<SettingsStore> TestPlatform::OpenSettingsStore(const std::string& keyName) {
    openedKeyNames.push_back(keyName);
    auto store = WindowsCheckPlatform::OpenSettingsStore(keyName);
    if (howManyWriteFails) return std::make_unique<HowManyWriteFails>(std::move(store));
    return store;
}

class CheckRunTest : public ::testing::Test {
protected:
    void SetUp() override {
        RegDeleteTreeW(HKEY_CURRENT_USER, KeyPath().c_str());
        UseServer(Listener::Mixed);
        ScriptCheckAnswer(Answer("2.2"));
    }

    static std::wstring KeyPath() {
        return Utf8ToWide(std::string(kSettingsKeyParent) + "\\" + SettingsKeyName(kApp.title));
    }
    void UseServer(Listener listener) { site_ = tabulora::MakerSite(LocalHost(listener)); }

    // Runs one check from a fresh start of the program.
    CheckResults& Run() {
        results_ = std::make_unique<CheckResults>();
        RunUpdateCheck(*results_, kApp, site_, platform_);
        EXPECT_TRUE(results_->IsFinished());
        return *results_;
    }

    // A stored settings value, or "(absent)"; every value must be a string.
    static std::string Stored(const char* name, const std::wstring& keyPath = KeyPath()) {
        std::wstring buffer(16 * 1024, L'\0');
        DWORD size = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
        DWORD type = 0;
        if (RegGetValueW(HKEY_CURRENT_USER, (keyPath + L"\\Settings").c_str(), Utf8ToWide(name).c_str(), RRF_RT_ANY,
                         &type, buffer.data(), &size) != ERROR_SUCCESS)
            return "(absent)";
        EXPECT_EQ(type, static_cast<DWORD>(REG_SZ)) << name;
        return WideToUtf8(buffer.c_str());
    }
    static void Store(const char* name, const std::string& value) {
        OpenSettingsStore(SettingsKeyName(kApp.title))->WriteString(kSettingsSection, name, value);
    }

    void ExpectNothingFromTheAnswer(const CheckResults& r) {
        EXPECT_EQ(Stored(kLastUpdateCheck), "(absent)");
        EXPECT_EQ(Stored(kLastUpdateCheckCount), "(absent)");
        EXPECT_EQ(Stored(kCurrentVersion), "(absent)");
        EXPECT_EQ(Stored(kCurrentURL), "(absent)");
        EXPECT_EQ(r.ServerVersion, "");
        EXPECT_FALSE(r.NewVersionAvailable);
        EXPECT_TRUE(platform_.boxes.empty());
    }

    TestPlatform platform_;
    std::unique_ptr<CheckResults> results_;
    tabulora::MakerSite site_{""};
};

}  // namespace

TEST_F(CheckRunTest, AFirstRunAsksOverHttpsAndStoresTheAnswer) {
    const CheckResults& r = Run();
    EXPECT_EQ(r.CheckErrors, "");
    EXPECT_FALSE(r.CheckFailed);
    EXPECT_TRUE(r.NewVersionAvailable);
    EXPECT_EQ(r.ServerVersion, "2.2");
    EXPECT_EQ(r.DownloadURL, kDownload);
    EXPECT_EQ(r.ShowUpdate, 1);
    EXPECT_EQ(r.HowMany, 1);

    EXPECT_EQ(Stored(kLastUpdateCheck), platform_.TodayText());
    EXPECT_EQ(Stored(kLastUpdateCheckCount), "1");
    EXPECT_EQ(Stored(kCurrentVersion), "2.2");
    EXPECT_EQ(Stored(kCurrentURL), ScrambleText(kDownload));
    EXPECT_EQ(Stored(kHowMany), "1");
    EXPECT_EQ(Stored(kInstalledVersion), "2.1");
    EXPECT_EQ(Stored(kShowUpdate), "(absent)");

    const CheckRequests seen = CheckRequestsSoFar();
    EXPECT_EQ(seen.lastTransport, "https");
    EXPECT_EQ(seen.lastBody,
              EncodeFormBody({"cmd=check", "appname=BRIMTAL - Tabulora", "version=2.1", "os=" + GetOSDescription(),
                              "local=en-US", "guid=" + GetMachineGuid(), "howmany=1"}));
    EXPECT_NE(GetMachineGuid(), "");

    // The next start counts on and sends the stored address back unscrambled until replaced.
    EXPECT_EQ(Run().HowMany, 2);
    EXPECT_EQ(Stored(kHowMany), "2");
    EXPECT_NE(CheckRequestsSoFar().lastBody.find("&howmany=2"), std::string::npos);
}

TEST_F(CheckRunTest, InvalidAnswersChangeNothingButTheStartCounter) {
    const struct {
        const char* name;
        std::string answer;
    } cases[] = {
        {"error", "ERROR: unknown product\r\n" + Answer("2.2")},
        {"three lines", "<version>2.2</version>\r\n<url>x</url>\r\n<result>0</result>"},
        {"result 2", Answer("2.2", "2")},
        {"empty", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RegDeleteTreeW(HKEY_CURRENT_USER, KeyPath().c_str());
        ScriptCheckAnswer(c.answer);
        const CheckResults& r = Run();
        EXPECT_EQ(r.CheckErrors, "INVALIDSERVERRESPONSE");
        ExpectNothingFromTheAnswer(r);
        EXPECT_EQ(Stored(kHowMany), "1");
        EXPECT_EQ(Stored(kInstalledVersion), "2.1");
    }
}

TEST_F(CheckRunTest, HttpsFailingLeavesPlainHttpToAnswer) {
    UseServer(Listener::Untrusted);
    const CheckResults& r = Run();
    EXPECT_EQ(r.CheckErrors, "");
    EXPECT_TRUE(r.NewVersionAvailable);
    EXPECT_EQ(Stored(kCurrentVersion), "2.2");
    EXPECT_EQ(CheckRequestsSoFar().lastTransport, "http");
}

TEST_F(CheckRunTest, BothAttemptsFailingRecordsBothAndWritesNothing) {
    UseServer(Listener::Closed);
    const CheckResults& r = Run();
    EXPECT_TRUE(r.CheckFailed);
    EXPECT_TRUE(r.CheckErrors.starts_with("HTTPS Response:\r")) << r.CheckErrors;
    EXPECT_NE(r.CheckErrors.find("\r\rHTTP Response:\r"), std::string::npos) << r.CheckErrors;
    ExpectNothingFromTheAnswer(r);
    EXPECT_EQ(Stored(kHowMany), "1");
}

TEST_F(CheckRunTest, Status500IsReadOverHttpsButFailsOverHttp) {
    ScriptCheckAnswer(Answer("2.2"), 500);
    EXPECT_TRUE(Run().NewVersionAvailable);  // HTTPS hands back any body

    RegDeleteTreeW(HKEY_CURRENT_USER, KeyPath().c_str());
    UseServer(Listener::Plain);  // no TLS there: only plain HTTP, which refuses a 500
    const CheckResults& r = Run();
    EXPECT_NE(r.CheckErrors.find("HTTP Response:\rHTTP/1.1 500 Internal Server Error"), std::string::npos)
        << r.CheckErrors;
    ExpectNothingFromTheAnswer(r);
}

TEST_F(CheckRunTest, FiveValidAnswersADayAndTheNoticeWithTheFirstFour) {
    for (int start = 1; start <= 6; ++start) {
        SCOPED_TRACE(start);
        const int before = CheckRequestsSoFar().count;
        const CheckResults& r = Run();
        const bool asked = start <= 5;
        EXPECT_EQ(CheckRequestsSoFar().count, before + (asked ? 1 : 0));
        EXPECT_EQ(r.NewVersionAvailable, start <= 4);
        EXPECT_EQ(Stored(kLastUpdateCheckCount), std::to_string(std::min(start, 5)));
        EXPECT_EQ(r.HowMany, start);
    }
}

TEST_F(CheckRunTest, ALaterDayStartsTheCountAgain) {
    Store(kLastUpdateCheck, "a day long past");
    Store(kLastUpdateCheckCount, "7");
    const CheckResults& r = Run();
    EXPECT_TRUE(r.NewVersionAvailable);
    EXPECT_EQ(Stored(kLastUpdateCheckCount), "1");
    EXPECT_EQ(Stored(kLastUpdateCheck), platform_.TodayText());
}

TEST_F(CheckRunTest, ShowUpdateZeroAsksNothingButStillCountsTheStart) {
    Store(kShowUpdate, "0");
    Store(kCurrentURL, ScrambleText("https://old.example/T.exe"));
    const int before = CheckRequestsSoFar().count;
    const CheckResults& r = Run();
    EXPECT_EQ(CheckRequestsSoFar().count, before);
    EXPECT_EQ(r.ShowUpdate, 0);
    EXPECT_FALSE(r.CheckFailed);
    EXPECT_FALSE(r.NewVersionAvailable);
    EXPECT_EQ(r.DownloadURL, "https://old.example/T.exe");
    EXPECT_EQ(Stored(kHowMany), "1");
    EXPECT_EQ(Stored(kInstalledVersion), "2.1");
    EXPECT_EQ(Stored(kLastUpdateCheck), "(absent)");
}

TEST_F(CheckRunTest, ShowUpdateTwoUsesTheAnswerWithoutANotice) {
    Store(kShowUpdate, "2");
    const CheckResults& r = Run();
    EXPECT_EQ(r.ShowUpdate, 2);
    EXPECT_FALSE(r.NewVersionAvailable);
    EXPECT_EQ(r.ServerVersion, "2.2");
    EXPECT_EQ(Stored(kLastUpdateCheckCount), "1");
}

TEST_F(CheckRunTest, TheImportantMessageIsShownAsReceivedUnlessBlank) {
    ScriptCheckAnswer(Answer("2.2", "1", "  Please update: security fix  "));
    Run();
    EXPECT_EQ(platform_.boxes, std::vector<std::string>{"  Please update: security fix  "});

    platform_.boxes.clear();
    ScriptCheckAnswer(Answer("2.2", "1", "   "));
    Run();
    EXPECT_TRUE(platform_.boxes.empty());
}

TEST_F(CheckRunTest, AnErrorBeforeTheExchangeDiscardsAnHttpsAnswerButNotAPlainOne) {
    platform_.guidFails = true;
    const CheckResults& overHttps = Run();
    EXPECT_EQ(overHttps.CheckErrors, "Error: GUID generate problem!");
    ExpectNothingFromTheAnswer(overHttps);
    EXPECT_NE(CheckRequestsSoFar().lastBody.find("&guid=&howmany=1"), std::string::npos);

    UseServer(Listener::Untrusted);
    const CheckResults& overHttp = Run();
    EXPECT_EQ(overHttp.CheckErrors, "");
    EXPECT_TRUE(overHttp.NewVersionAvailable);
}

std::string DigestFails(std::string_view) { throw Md5Error("the digest service is missing"); }

TEST_F(CheckRunTest, AKeyNameThatCannotBeComputedIsRecordedAndTheRunGoesOnWithTheEmptyName) {
    const std::wstring parentKey = Utf8ToWide(kSettingsKeyParent);
    RegDeleteTreeW(HKEY_CURRENT_USER, (parentKey + L"\\Settings").c_str());
    platform_.keyNameFails = true;
    const int requestsBefore = CheckRequestsSoFar().count;

    const CheckResults& r = Run();
    EXPECT_EQ(r.CheckErrors, "Error: MD5 generate problem!");
    EXPECT_EQ(platform_.openedKeyNames, std::vector<std::string>{""});
    EXPECT_EQ(CheckRequestsSoFar().count, requestsBefore + 1);
    EXPECT_NE(CheckRequestsSoFar().lastBody.find("&howmany=1"), std::string::npos);
    EXPECT_EQ(r.HowMany, 1);
    EXPECT_EQ(Stored(kHowMany, parentKey), "1");
    EXPECT_EQ(Stored(kInstalledVersion, parentKey), "2.1");
    EXPECT_EQ(Stored(kHowMany), "(absent)");

    // The program's windows open the same key when the digest fails, so a choice they store is
    // the one the next check reads.
    OpenSettingsStoreOfProgram(kApp.title, DigestFails)->WriteInteger(kSettingsSection, kShowUpdate, 0);
    const CheckResults& switchedOff = Run();
    EXPECT_EQ(switchedOff.CheckErrors, "Error: MD5 generate problem!");
    EXPECT_EQ(switchedOff.ShowUpdate, 0);
    EXPECT_EQ(switchedOff.HowMany, 2);
    EXPECT_EQ(CheckRequestsSoFar().count, requestsBefore + 1);
    RegDeleteTreeW(HKEY_CURRENT_USER, (parentKey + L"\\Settings").c_str());
}

TEST_F(CheckRunTest, AFailedStartCounterWriteIsRecordedAndTheRunGoesOn) {
    platform_.howManyWriteFails = true;
    UseServer(Listener::Untrusted);  // a plain-HTTP answer clears earlier errors
    const CheckResults& r = Run();
    EXPECT_EQ(CheckRequestsSoFar().lastTransport, "http");
    EXPECT_TRUE(r.NewVersionAvailable);

    UseServer(Listener::Mixed);
    const CheckResults& overHttps = Run();
    EXPECT_EQ(overHttps.CheckErrors, "SettingsError Error:\rAccess denied");
    EXPECT_FALSE(overHttps.NewVersionAvailable);
}

TEST_F(CheckRunTest, AServerThatKeepsSendingEndsEachAttemptAtItsDeadline) {
    // A header line every 200 ms, never the end of the head: each attempt connects at once and
    // may then wait 10 s for the answer, so the run takes about 20 s.
    UseServer(Listener::Trickle);
    const auto start = std::chrono::steady_clock::now();
    const CheckResults& r = Run();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::cout << "  the run against a trickling server took " << seconds << " s\n";
    EXPECT_LT(seconds, 60);
    EXPECT_NE(r.CheckErrors.find("HTTPS Response:\rReading the answer timed out"), std::string::npos) << r.CheckErrors;
    EXPECT_NE(r.CheckErrors.find("HTTP Response:\rReading the answer timed out"), std::string::npos) << r.CheckErrors;
    ExpectNothingFromTheAnswer(r);
}

TEST_F(CheckRunTest, ARedirectionFailsTheAttemptAndItsTargetIsNeverContacted) {
    const int before = RecorderRequestsSoFar();
    for (const int status : {301, 302, 307, 308}) {
        SCOPED_TRACE(status);
        RegDeleteTreeW(HKEY_CURRENT_USER, KeyPath().c_str());
        ScriptCheckAnswer(Answer("2.2"), status, "RECORDER/php/check2.php");
        const CheckResults& r = Run();
        EXPECT_TRUE(r.CheckErrors.starts_with("HTTPS Response:\rRedirection refused: HTTP/1.1 " +
                                              std::to_string(status)))
            << r.CheckErrors;
        EXPECT_NE(r.CheckErrors.find("HTTP Response:\rRedirection refused: HTTP/1.1 " + std::to_string(status)),
                  std::string::npos)
            << r.CheckErrors;
        ExpectNothingFromTheAnswer(r);
    }
    EXPECT_EQ(RecorderRequestsSoFar(), before) << "the check's fields went to the address the answer named";
}

TEST_F(CheckRunTest, AnOverlongVersionOrAddressIsNeitherStoredNorShown) {
    const std::string longestVersion(kMaxVersionLength, '1');
    const std::string longestUrl = "https://downloads.example/" + std::string(kMaxDownloadUrlLength - 26, 'd');
    const struct {
        const char* name;
        std::string version;
        std::string url;
        std::string keptVersion;
        std::string keptUrl;
    } cases[] = {
        {"at the limits", longestVersion, longestUrl, longestVersion, longestUrl},
        {"version one over", longestVersion + "1", kDownload, "", kDownload},
        {"huge version", std::string(200000, '9'), kDownload, "", kDownload},
        {"address one over", "2.2", longestUrl + "d", "2.2", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RegDeleteTreeW(HKEY_CURRENT_USER, KeyPath().c_str());
        Store(kCurrentURL, ScrambleText("https://old.example/T.exe"));
        ScriptCheckAnswer(Answer(c.version, "0", "Read me", c.url));
        platform_.boxes.clear();
        const CheckResults& r = Run();
        EXPECT_EQ(r.CheckErrors, "");
        // Compared in full, reported in short.
        const auto same = [](const std::string& seen, const std::string& expected) {
            return seen == expected ? ::testing::AssertionSuccess()
                                    : ::testing::AssertionFailure()
                                          << "got " << seen.size() << " characters: " << seen.substr(0, 40) << "...";
        };
        EXPECT_TRUE(same(r.ServerVersion, c.keptVersion));
        EXPECT_TRUE(same(Stored(kCurrentVersion), c.keptVersion));
        EXPECT_TRUE(same(r.DownloadURL, c.keptUrl));
        EXPECT_TRUE(same(UnscrambleText(Stored(kCurrentURL)), c.keptUrl));
        // The rest of the answer is used as usual.
        EXPECT_EQ(Stored(kLastUpdateCheckCount), "1");
        EXPECT_EQ(platform_.boxes, std::vector<std::string>{"Read me"});
        EXPECT_EQ(r.NewVersionAvailable, c.keptVersion == "2.2");
    }
}

TEST(UpdateCheckWorker, RunsOnItsOwnThreadAndPublishesTheFinish) {
    CheckResults& shared = UpdateCheckState();
    ASSERT_FALSE(shared.IsFinished());
    shared.CheckStarted = true;
    StartUpdateCheck(kApp, tabulora::MakerSite(LocalHost(Listener::Closed)), nullptr);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!shared.IsFinished() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ASSERT_TRUE(shared.IsFinished());
    EXPECT_TRUE(shared.CheckFailed);
    EXPECT_FALSE(shared.NewVersionAvailable);
    ASSERT_NE(shared.Settings, nullptr);
    EXPECT_GE(shared.Settings->ReadInteger(kSettingsSection, kHowMany, 0), 1);
}
