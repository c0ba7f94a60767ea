// The tests' side of local_servers.py: ports from the environment, the trusted certificate
// put into the Wine prefix's root store, and the check endpoint's controls.
#include "local_servers.h"

#include <windows.h>
#include <wincrypt.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <stdexcept>
#include <vector>

#include "base/text.h"
#include "update/postform.h"

namespace tabulora::update::testing {
namespace {

std::string RequiredVariable(const char* name) {
    const char* value = std::getenv(name);
    if (!value || !*value) throw std::runtime_error(std::string(name) + " is not set: run under local_servers.py");
    return value;
}

// Makes the test certificate a trusted root of this Wine prefix, as an administrator would.
class TrustTestCertificate : public ::testing::Environment {
public:
    void SetUp() override {
        const std::string base64 = RequiredVariable("TABULORA_TEST_TRUSTED_CERT");
        DWORD size = 0;
        ASSERT_TRUE(CryptStringToBinaryA(base64.c_str(), 0, CRYPT_STRING_BASE64, nullptr, &size, nullptr, nullptr));
        std::vector<BYTE> der(size);
        ASSERT_TRUE(CryptStringToBinaryA(base64.c_str(), 0, CRYPT_STRING_BASE64, der.data(), &size, nullptr, nullptr));
        const HCERTSTORE root = CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE, L"Root");
        ASSERT_NE(root, nullptr);
        const BOOL added = CertAddEncodedCertificateToStore(root, X509_ASN_ENCODING, der.data(), size,
                                                            CERT_STORE_ADD_REPLACE_EXISTING, nullptr);
        CertCloseStore(root, 0);
        ASSERT_TRUE(added) << GetLastError();
    }
};

[[maybe_unused]] const auto* const kTrust = ::testing::AddGlobalTestEnvironment(new TrustTestCertificate);

const char* VariableOf(Listener listener) {
    switch (listener) {
    case Listener::Mixed: return "TABULORA_TEST_MIXED_PORT";
    case Listener::Untrusted: return "TABULORA_TEST_UNTRUSTED_PORT";
    case Listener::Plain: return "TABULORA_TEST_PLAIN_PORT";
    case Listener::Closed: return "TABULORA_TEST_CLOSED_PORT";
    case Listener::Silent: return "TABULORA_TEST_SILENT_PORT";
    case Listener::Trickle: return "TABULORA_TEST_TRICKLE_PORT";
    case Listener::Recorder: return "TABULORA_TEST_RECORDER_PORT";
    }
    return "";
}

}  // namespace

std::string LocalHost(Listener listener) { return "127.0.0.1:" + RequiredVariable(VariableOf(listener)); }

std::string LocalUrl(const char* scheme, Listener listener, const std::string& path) {
    return std::string(scheme) + "://" + LocalHost(listener) + path;
}

void ScriptCheckAnswer(const std::string& body, int status, const std::string& location) {
    PostForm(LocalUrl("http", Listener::Plain, "/control/answer"),
             {"status=" + std::to_string(status), "body=" + body, "location=" + location}, 5000);
}

int RecorderRequestsSoFar() {
    int count = -1;
    TryParseInt32(PostForm(LocalUrl("http", Listener::Plain, "/control/recorded"), {}, 5000), count);
    return count;
}

CheckRequests CheckRequestsSoFar() {
    const std::vector<std::string> lines =
        SplitLines(PostForm(LocalUrl("http", Listener::Plain, "/control/requests"), {}, 5000));
    CheckRequests requests;
    if (!lines.empty()) TryParseInt32(lines[0], requests.count);
    if (lines.size() > 1) requests.lastTransport = lines[1];
    if (lines.size() > 2) requests.lastBody = lines[2];
    return requests;
}

}  // namespace tabulora::update::testing
