// The HTTPS transport of PostForm, over WinHTTP.
#include <windows.h>
#include <winhttp.h>

#include <chrono>
#include <memory>

#include "update/body_decode.h"
#include "update/errors.h"
#include "update/http_response_reader.h"
#include "update/postform.h"
#include "engine/utf.h"
#include "platform/win32_error.h"

namespace tabulora::update {
namespace {

struct InternetCloser {
    void operator()(HINTERNET handle) const { WinHttpCloseHandle(handle); }
};
using InternetHandle = std::unique_ptr<void, InternetCloser>;

[[noreturn]] void ThrowLastError(const char* step) {
    const DWORD code = GetLastError();
    throw HttpError(std::string(step) + ": " + Win32ErrorText(code, L"winhttp.dll"));
}

std::wstring QueryContentType(HINTERNET request) {
    DWORD size = 0;
    WinHttpQueryHeaders(request, WINHTTP_QUERY_CONTENT_TYPE, WINHTTP_HEADER_NAME_BY_INDEX, nullptr, &size,
                        WINHTTP_NO_HEADER_INDEX);
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || size == 0) return {};
    std::wstring value(size / sizeof(wchar_t), L'\0');
    if (!WinHttpQueryHeaders(request, WINHTTP_QUERY_CONTENT_TYPE, WINHTTP_HEADER_NAME_BY_INDEX, value.data(),
                             &size, WINHTTP_NO_HEADER_INDEX))
        return {};
    value.resize(size / sizeof(wchar_t));
    return value;
}

}  // namespace

std::string PostFormHttps(const std::string& url, const std::string& body, int timeoutMs) {
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
    const InternetHandle session(
        WinHttpOpen(nullptr, WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
    if (!session) ThrowLastError("WinHttpOpen");
    if (!WinHttpSetTimeouts(session.get(), timeoutMs, timeoutMs, timeoutMs, timeoutMs))
        ThrowLastError("WinHttpSetTimeouts");
    const InternetHandle connection(WinHttpConnect(session.get(), host.c_str(), parts.nPort, 0));
    if (!connection) ThrowLastError("WinHttpConnect");
    const InternetHandle request(WinHttpOpenRequest(connection.get(), L"POST", path.c_str(), nullptr,
                                                    WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
                                                    WINHTTP_FLAG_SECURE));
    if (!request) ThrowLastError("WinHttpOpenRequest");
    // The wait for the answer's headers has a timeout of its own.
    DWORD responseTimeout = static_cast<DWORD>(timeoutMs);
    if (!WinHttpSetOption(request.get(), WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &responseTimeout,
                          sizeof(responseTimeout)))
        ThrowLastError("Setting the answer timeout failed");

    static constexpr wchar_t kHeaders[] =
        L"Connection: close\r\nContent-Type: application/x-www-form-urlencoded; charset=utf-8";
    const auto bodyLength = static_cast<DWORD>(body.size());
    if (!WinHttpSendRequest(request.get(), kHeaders, static_cast<DWORD>(-1L), const_cast<char*>(body.data()),
                            bodyLength, bodyLength, 0))
        ThrowLastError("Sending the request failed");
    if (!WinHttpReceiveResponse(request.get(), nullptr)) ThrowLastError("Receiving the answer failed");

    // The receive timeout covers each wait; the deadline bounds a server that trickles bytes.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    std::string bytes;
    char buffer[16 * 1024];
    for (;;) {
        DWORD read = 0;
        if (!WinHttpReadData(request.get(), buffer, sizeof(buffer), &read)) ThrowLastError("Reading the answer failed");
        if (read == 0) break;
        if (bytes.size() + read > kMaxAnswerBytes)
            throw HttpError("The answer is larger than " + std::to_string(kMaxAnswerBytes) + " bytes");
        bytes.append(buffer, read);
        if (std::chrono::steady_clock::now() > deadline) throw HttpError("The answer took too long to arrive");
    }
    return DecodeBody(bytes, CharsetOfContentType(WideToUtf8(QueryContentType(request.get())), BodyCharset::Utf8));
}

}  // namespace tabulora::update
