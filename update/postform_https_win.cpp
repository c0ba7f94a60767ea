// The HTTPS transport of PostForm, over WinHTTP in asynchronous mode: the calling thread waits
// for the exchange with one deadline for connecting and another for the answer, and walks away
// (closing the request) when either passes, whatever WinHTTP is doing at the time.
#include <windows.h>
#include <winhttp.h>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <utility>

#include "engine/utf.h"
#include "platform/win32_error.h"
#include "update/body_decode.h"
#include "update/errors.h"
#include "update/http_response_reader.h"
#include "update/postform.h"

namespace tabulora::update {
namespace {

using Clock = std::chrono::steady_clock;

struct InternetCloser {
    void operator()(HINTERNET handle) const { WinHttpCloseHandle(handle); }
};
using InternetHandle = std::unique_ptr<void, InternetCloser>;

std::string WinHttpErrorText(DWORD code) { return Win32ErrorText(code, L"winhttp.dll"); }

[[noreturn]] void ThrowLastError(const char* step) {
    const DWORD code = GetLastError();
    throw HttpError(std::string(step) + ": " + WinHttpErrorText(code));
}

// One exchange, shared by the calling thread and WinHTTP's callbacks. The callbacks hold it
// through the request handle's context until WinHTTP reports that handle closing, so it outlives
// a caller that has given up.
class Exchange {
public:
    enum class Stage { Connecting, Receiving, Done, Failed };

    // WinHTTP may read the request body until the request handle closes, so the exchange keeps it.
    explicit Exchange(std::string requestBody) : requestBody_(std::move(requestBody)) {}
    std::string& RequestBody() { return requestBody_; }

    // ---- the calling thread

    // Waits until the answer is in, something fails, or a deadline passes: the request must be
    // sent within `timeout` of `start`, and the answer complete within `timeout` after that.
    // Returns the last stage reached; a stage other than Done or Failed means a timeout.
    Stage Wait(Clock::time_point start, Clock::duration timeout) {
        std::unique_lock lock(lock_);
        for (;;) {
            const Clock::time_point deadline = (stage_ == Stage::Connecting ? start : sentAt_) + timeout;
            const Stage before = stage_;
            changed_.wait_until(lock, deadline, [&] { return stage_ != before; });
            if (stage_ == before) return stage_;  // the deadline passed with nothing new
            if (stage_ == Stage::Done || stage_ == Stage::Failed) return stage_;
        }
    }

    // Stops every further call into WinHTTP for this request and waits for calls in progress to
    // return, so that the handle can be closed without a callback still using it.
    void Abandon() {
        std::unique_lock lock(lock_);
        abandoned_ = true;
        changed_.wait(lock, [&] { return callsInProgress_ == 0; });
    }

    // The results, once the stage is Done or Failed and the exchange abandoned.
    const std::string& Error() const { return error_; }
    const AnswerHead& Head() const { return head_; }
    const std::string& Body() const { return body_; }

    // ---- WinHTTP's callbacks (any thread; calls may nest when an operation completes at once)

    static void CALLBACK OnStatus(HINTERNET request, DWORD_PTR context, DWORD status, void* info, DWORD length) {
        auto* holder = reinterpret_cast<std::shared_ptr<Exchange>*>(context);
        if (!holder) return;
        if (status == WINHTTP_CALLBACK_STATUS_HANDLE_CLOSING) {
            delete holder;  // the last notification for this handle
            return;
        }
        Exchange& exchange = **holder;
        switch (status) {
        case WINHTTP_CALLBACK_STATUS_REQUEST_SENT: exchange.RequestSent(); break;
        case WINHTTP_CALLBACK_STATUS_SENDREQUEST_COMPLETE:
            exchange.RequestSent();
            exchange.CallWinHttp("Receiving the answer failed",
                                 [&] { return WinHttpReceiveResponse(request, nullptr); });
            break;
        case WINHTTP_CALLBACK_STATUS_HEADERS_AVAILABLE: exchange.HeadersArrived(request); break;
        case WINHTTP_CALLBACK_STATUS_READ_COMPLETE:
            exchange.DataArrived(request, static_cast<const char*>(info), length);
            break;
        case WINHTTP_CALLBACK_STATUS_REQUEST_ERROR: {
            const auto* result = static_cast<const WINHTTP_ASYNC_RESULT*>(info);
            exchange.Failed(result->dwResult, result->dwError);
            break;
        }
        default: break;
        }
    }

private:
    // Runs a call into WinHTTP unless the exchange is over or abandoned; a call that fails at
    // once fails the exchange.
    template <typename Call>
    void CallWinHttp(const char* step, Call&& call) {
        {
            const std::lock_guard guard(lock_);
            if (abandoned_ || stage_ == Stage::Done || stage_ == Stage::Failed) return;
            ++callsInProgress_;
        }
        const bool ok = call();
        const DWORD code = ok ? 0 : GetLastError();
        const std::lock_guard guard(lock_);
        if (!ok) Fail(std::string(step) + ": " + WinHttpErrorText(code));
        --callsInProgress_;
        changed_.notify_all();
    }

    void Fail(std::string message) {  // lock held
        if (stage_ == Stage::Done || stage_ == Stage::Failed) return;
        error_ = std::move(message);
        stage_ = Stage::Failed;
        changed_.notify_all();
    }

    // The connection stands and the request is out: the wait for the answer begins. WinHTTP
    // reports this before it reads the answer's head; some versions only report completing the
    // send, after that head, so either counts.
    void RequestSent() {
        const std::lock_guard guard(lock_);
        if (stage_ != Stage::Connecting) return;
        stage_ = Stage::Receiving;
        sentAt_ = Clock::now();
        changed_.notify_all();
    }

    void HeadersArrived(HINTERNET request) {
        std::string raw;
        DWORD size = 0;
        WinHttpQueryHeaders(request, WINHTTP_QUERY_RAW_HEADERS_CRLF, WINHTTP_HEADER_NAME_BY_INDEX, nullptr, &size,
                            WINHTTP_NO_HEADER_INDEX);
        if (GetLastError() == ERROR_INSUFFICIENT_BUFFER && size > 0) {
            std::wstring wide(size / sizeof(wchar_t), L'\0');
            if (WinHttpQueryHeaders(request, WINHTTP_QUERY_RAW_HEADERS_CRLF, WINHTTP_HEADER_NAME_BY_INDEX, wide.data(),
                                    &size, WINHTTP_NO_HEADER_INDEX)) {
                wide.resize(size / sizeof(wchar_t));
                raw = WideToUtf8(wide);
            }
        }
        {
            const std::lock_guard guard(lock_);
            if (stage_ != Stage::Receiving) return;
            try {
                // The same rules as over plain HTTP, except that any status is an answer here.
                head_ = ParseAnswerHead(raw);
                if (IsRedirection(head_.status)) throw HttpError("Redirection refused: " + head_.statusLine);
                received_ = raw.size();
                if (received_ > kMaxAnswerBytes) throw HttpError(TooLargeMessage());
            } catch (const HttpError& error) {
                Fail(error.what());
                return;
            }
        }
        ReadMore(request);
    }

    void DataArrived(HINTERNET request, const char* bytes, DWORD count) {
        {
            const std::lock_guard guard(lock_);
            if (stage_ != Stage::Receiving) return;
            if (count == 0) {
                stage_ = Stage::Done;
                changed_.notify_all();
                return;
            }
            received_ += count;
            if (received_ > kMaxAnswerBytes) {
                Fail(TooLargeMessage());
                return;
            }
            body_.append(bytes, count);
        }
        ReadMore(request);
    }

    void ReadMore(HINTERNET request) {
        CallWinHttp("Reading the answer failed",
                    [&] { return WinHttpReadData(request, buffer_, sizeof(buffer_), nullptr); });
    }

    void Failed(DWORD_PTR step, DWORD code) {
        const char* what = step == API_SEND_REQUEST       ? "Sending the request failed"
                           : step == API_RECEIVE_RESPONSE ? "Receiving the answer failed"
                                                          : "Reading the answer failed";
        const std::lock_guard guard(lock_);
        Fail(std::string(what) + ": " + WinHttpErrorText(code));
    }

    static std::string TooLargeMessage() {
        return "The answer is larger than " + std::to_string(kMaxAnswerBytes) + " bytes";
    }

    std::string requestBody_;
    std::mutex lock_;
    std::condition_variable changed_;
    Stage stage_ = Stage::Connecting;
    Clock::time_point sentAt_;
    bool abandoned_ = false;
    int callsInProgress_ = 0;
    std::string error_;
    AnswerHead head_;
    std::string body_;
    size_t received_ = 0;
    char buffer_[16 * 1024];
};

// Abandons the exchange when the request is left, before its handle closes (declared after it).
class AbandonOnExit {
public:
    explicit AbandonOnExit(Exchange& exchange) : exchange_(exchange) {}
    ~AbandonOnExit() { exchange_.Abandon(); }
    AbandonOnExit(const AbandonOnExit&) = delete;
    AbandonOnExit& operator=(const AbandonOnExit&) = delete;

private:
    Exchange& exchange_;
};

}  // namespace

std::string PostFormHttps(const std::string& url, const std::string& body, int timeoutMs) {
    const auto start = Clock::now();
    const auto timeout = std::chrono::milliseconds(timeoutMs);
    const std::wstring wideUrl = Utf8ToWide(url);
    URL_COMPONENTS parts{};
    parts.dwStructSize = sizeof(parts);
    parts.dwHostNameLength = static_cast<DWORD>(-1);
    parts.dwUrlPathLength = static_cast<DWORD>(-1);
    parts.dwExtraInfoLength = static_cast<DWORD>(-1);
    if (!WinHttpCrackUrl(wideUrl.c_str(), 0, 0, &parts)) ThrowLastError("Invalid URL");
    const std::wstring host(parts.lpszHostName, parts.dwHostNameLength);
    std::wstring path(parts.lpszUrlPath, parts.dwUrlPathLength);
    path.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);
    if (path.empty()) path = L"/";

    // No user agent: the program sets no header beyond the two below.
    const InternetHandle session(WinHttpOpen(nullptr, WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME,
                                             WINHTTP_NO_PROXY_BYPASS, WINHTTP_FLAG_ASYNC));
    if (!session) ThrowLastError("WinHttpOpen");
    // Each step's own limit, so that WinHTTP also lets go soon after the exchange is abandoned.
    if (!WinHttpSetTimeouts(session.get(), timeoutMs, timeoutMs, timeoutMs, timeoutMs))
        ThrowLastError("WinHttpSetTimeouts");
    const InternetHandle connection(WinHttpConnect(session.get(), host.c_str(), parts.nPort, 0));
    if (!connection) ThrowLastError("WinHttpConnect");
    const InternetHandle request(WinHttpOpenRequest(connection.get(), L"POST", path.c_str(), nullptr,
                                                    WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
                                                    WINHTTP_FLAG_SECURE));
    if (!request) ThrowLastError("WinHttpOpenRequest");
    // A redirection would post the same fields to whatever address the answer names.
    DWORD redirectPolicy = WINHTTP_OPTION_REDIRECT_POLICY_NEVER;
    if (!WinHttpSetOption(request.get(), WINHTTP_OPTION_REDIRECT_POLICY, &redirectPolicy, sizeof(redirectPolicy)))
        ThrowLastError("Turning redirection off failed");

    const auto exchange = std::make_shared<Exchange>(body);
    if (WinHttpSetStatusCallback(request.get(), &Exchange::OnStatus,
                                 WINHTTP_CALLBACK_FLAG_ALL_COMPLETIONS | WINHTTP_CALLBACK_FLAG_HANDLES |
                                     WINHTTP_CALLBACK_FLAG_SEND_REQUEST,
                                 0) == WINHTTP_INVALID_STATUS_CALLBACK)
        ThrowLastError("WinHttpSetStatusCallback");
    // From here the request handle's context owns a reference, released when the handle closes.
    auto context = reinterpret_cast<DWORD_PTR>(new std::shared_ptr<Exchange>(exchange));
    if (!WinHttpSetOption(request.get(), WINHTTP_OPTION_CONTEXT_VALUE, &context, sizeof(context))) {
        delete reinterpret_cast<std::shared_ptr<Exchange>*>(context);
        ThrowLastError("Setting the request context failed");
    }
    const AbandonOnExit abandon(*exchange);

    static constexpr wchar_t kHeaders[] =
        L"Connection: close\r\nContent-Type: application/x-www-form-urlencoded; charset=utf-8";
    std::string& requestBody = exchange->RequestBody();
    const auto bodyLength = static_cast<DWORD>(requestBody.size());
    if (!WinHttpSendRequest(request.get(), kHeaders, static_cast<DWORD>(-1L), requestBody.data(), bodyLength,
                            bodyLength, context))
        ThrowLastError("Sending the request failed");

    const Exchange::Stage stage = exchange->Wait(start, timeout);
    exchange->Abandon();
    switch (stage) {
    case Exchange::Stage::Connecting: throw HttpError("Connecting to " + WideToUtf8(host) + " timed out");
    case Exchange::Stage::Receiving: throw HttpError("Reading the answer timed out");
    case Exchange::Stage::Failed: throw HttpError(exchange->Error());
    case Exchange::Stage::Done: break;
    }
    return DecodeBody(exchange->Body(), CharsetOfContentType(exchange->Head().contentType, BodyCharset::Utf8));
}

}  // namespace tabulora::update
