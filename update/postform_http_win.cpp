// The plain-HTTP transport of PostForm, over a Winsock TCP connection.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <algorithm>
#include <chrono>

#include "update/body_decode.h"
#include "update/errors.h"
#include "update/http_response_reader.h"
#include "update/plain_http_request.h"
#include "update/postform.h"
#include "platform/win32_error.h"

namespace tabulora::update {
namespace {

using Clock = std::chrono::steady_clock;

[[noreturn]] void ThrowSocketError(const char* step, int code) {
    throw HttpError(std::string(step) + ": " + Win32ErrorText(static_cast<unsigned long>(code)));
}

class WinsockSession {
public:
    WinsockSession() {
        WSADATA data;
        if (const int code = WSAStartup(MAKEWORD(2, 2), &data)) ThrowSocketError("WSAStartup", code);
    }
    ~WinsockSession() { WSACleanup(); }
    WinsockSession(const WinsockSession&) = delete;
    WinsockSession& operator=(const WinsockSession&) = delete;
};

class Socket {
public:
    Socket() = default;
    ~Socket() { Close(); }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    void Reset(SOCKET s) { Close(); s_ = s; }
    SOCKET Get() const { return s_; }

private:
    void Close() {
        if (s_ != INVALID_SOCKET) closesocket(s_);
        s_ = INVALID_SOCKET;
    }
    SOCKET s_ = INVALID_SOCKET;
};

struct AddressList {
    addrinfo* head = nullptr;
    ~AddressList() { if (head) freeaddrinfo(head); }
};

int MillisecondsLeft(Clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

// Waits until the socket is writable (write) or readable; false on timeout. A failed
// connection counts as ready: select reports it in the exception set, SO_ERROR tells why.
bool WaitFor(SOCKET s, bool write, Clock::time_point deadline) {
    fd_set ready;
    fd_set failed;
    FD_ZERO(&ready);
    FD_ZERO(&failed);
    FD_SET(s, &ready);
    FD_SET(s, &failed);
    const int left = MillisecondsLeft(deadline);
    timeval wait{left / 1000, (left % 1000) * 1000};
    const int count = select(0, write ? nullptr : &ready, write ? &ready : nullptr, &failed, &wait);
    if (count == SOCKET_ERROR) ThrowSocketError("Waiting on the connection failed", WSAGetLastError());
    return count > 0;
}

// Connects to the first address that answers before the deadline.
void Connect(Socket& socket, const HttpTarget& target, Clock::time_point deadline) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    AddressList addresses;
    if (const int code = getaddrinfo(target.host.c_str(), target.port.c_str(), &hints, &addresses.head))
        ThrowSocketError(("Cannot resolve " + target.host).c_str(), code);

    int lastError = WSAETIMEDOUT;
    for (const addrinfo* a = addresses.head; a; a = a->ai_next) {
        socket.Reset(::socket(a->ai_family, a->ai_socktype, a->ai_protocol));
        if (socket.Get() == INVALID_SOCKET) {
            lastError = WSAGetLastError();
            continue;
        }
        u_long nonBlocking = 1;
        ioctlsocket(socket.Get(), FIONBIO, &nonBlocking);
        if (connect(socket.Get(), a->ai_addr, static_cast<int>(a->ai_addrlen)) == 0) return;
        lastError = WSAGetLastError();
        if (lastError != WSAEWOULDBLOCK) continue;
        if (!WaitFor(socket.Get(), true, deadline)) throw HttpError("Connecting to " + target.hostHeader + " timed out");
        int error = 0;
        int length = sizeof(error);
        getsockopt(socket.Get(), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length);
        if (error == 0) return;
        lastError = error;
    }
    ThrowSocketError(("Cannot connect to " + target.hostHeader).c_str(), lastError);
}

void SendAll(SOCKET s, std::string_view bytes, Clock::time_point deadline) {
    while (!bytes.empty()) {
        if (!WaitFor(s, true, deadline)) throw HttpError("Sending the request timed out");
        const int sent = send(s, bytes.data(), static_cast<int>(std::min<size_t>(bytes.size(), 1 << 20)), 0);
        if (sent == SOCKET_ERROR) {
            const int code = WSAGetLastError();
            if (code == WSAEWOULDBLOCK) continue;
            ThrowSocketError("Sending the request failed", code);
        }
        bytes.remove_prefix(static_cast<size_t>(sent));
    }
}

void ReceiveAnswer(SOCKET s, HttpResponseReader& reader, Clock::time_point deadline) {
    char buffer[16 * 1024];
    for (;;) {
        if (!WaitFor(s, false, deadline)) throw HttpError("Reading the answer timed out");
        const int received = recv(s, buffer, sizeof(buffer), 0);
        if (received == SOCKET_ERROR) {
            const int code = WSAGetLastError();
            if (code == WSAEWOULDBLOCK) continue;
            ThrowSocketError("Reading the answer failed", code);
        }
        if (received == 0) {
            reader.FinishAtClose();
            return;
        }
        if (reader.Feed({buffer, static_cast<size_t>(received)})) return;
    }
}

}  // namespace

std::string PostFormPlainHttp(const std::string& url, const std::string& body, int timeoutMs) {
    const HttpTarget target = ParseHttpTarget(url);
    const WinsockSession winsock;
    Socket socket;
    const auto timeout = std::chrono::milliseconds(timeoutMs);
    Connect(socket, target, Clock::now() + timeout);

    // The whole answer must arrive within the timeout after the request goes out.
    const auto deadline = Clock::now() + timeout;
    SendAll(socket.Get(), BuildFormPostRequest(target, body), deadline);
    HttpResponseReader reader;
    ReceiveAnswer(socket.Get(), reader, deadline);

    if (reader.Status() >= 400) throw HttpError(reader.StatusLine());
    return DecodeBody(reader.Body(), CharsetOfContentType(reader.ContentType(), BodyCharset::Latin1));
}

}  // namespace tabulora::update
