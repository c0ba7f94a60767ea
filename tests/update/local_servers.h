#pragma once
#include <string>

namespace tabulora::update::testing {

// The listeners started by local_servers.py, named after the environment variable suffix.
enum class Listener { Mixed, Untrusted, Plain, Closed, Silent, Trickle, Recorder };

// "127.0.0.1:port" of a listener.
std::string LocalHost(Listener listener);

// "scheme://127.0.0.1:port/path".
std::string LocalUrl(const char* scheme, Listener listener, const std::string& path);

// Sets the answer of the check endpoint; the body is sent as written. A location is sent as the
// Location header, with "RECORDER" replaced by the recorder listener's scheme, host and port.
void ScriptCheckAnswer(const std::string& body, int status = 200, const std::string& location = "");

// The number of requests the recorder listener has answered so far.
int RecorderRequestsSoFar();

// What the check endpoint has seen so far.
struct CheckRequests {
    int count = 0;
    std::string lastTransport;  // "https" or "http"
    std::string lastBody;       // the form body as sent
};
CheckRequests CheckRequestsSoFar();

}  // namespace tabulora::update::testing
