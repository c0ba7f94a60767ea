// The plain-HTTP transport of PostForm, over a Winsock TCP connection.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <algorithm>
#include <chrono>
#include <optional>
#include <utility>

#include "platform/win32_error.h"
#include "update/body_decode.h"
#include "update/errors.h"
#include "update/http_response_reader.h"
#include "update/plain_http_request.h"
#include "update/postform.h"
#include "update/run_until.h"

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
    void Reset(SOCKET s) {
        Close();
        s_ = s;
    }
    SOCKET Get() const { return s_; }

private:
    void Close() {
        if (s_ != INVALID_SOCKET) closesocket(s_);
        s_ = INVALID_SOCKET;
    }
    SOCKET s_ = INVALID_SOCKET;
};

// The addresses of a host, freed with the list (on the lookup's thread when nobody waited).
class AddressList {
public:
    AddressList() = default;
    AddressList(AddressList&& other) noexcept : head_(std::exchange(other.head_, nullptr)) {}
    AddressList& operator=(AddressList&&) = delete;
    ~AddressList() {
        if (head_) freeaddrinfo(head_);
    }
    addrinfo** Out() { return &head_; }
    const addrinfo* First() const { return head_; }

private:
    addrinfo* head_ = nullptr;
};

// Looks the host up; getaddrinfo takes no time limit, so the lookup runs on a thread of its own
// that is left behind when the deadline passes.
AddressList LookUp(const HttpTarget& target, Clock::time_point deadline) {
    std::optional<AddressList> found = RunUntil<AddressList>(
        [host = target.host, port = target.port] {
            const WinsockSession winsock;  // the caller's may have ended by now
            addrinfo hints{};
            hints.ai_family = AF_UNSPEC;
            hints.ai_socktype = SOCK_STREAM;
            hints.ai_protocol = IPPROTO_TCP;
            AddressList addresses;
            if (const int code = getaddrinfo(host.c_str(), port.c_str(), &hints, addresses.Out()))
                ThrowSocketError(("Cannot resolve " + host).c_str(), code);
            return addresses;
        },
        deadline);
    if (!found) throw HttpError("Looking up " + target.host + " timed out");
    return std::move(*found);
}

// Waits until the socket is writable (write) or readable; false once the deadline has passed,
// even when the socket is ready. A failed connection counts as ready: select reports it in the
// exception set, SO_ERROR tells why.
bool WaitFor(SOCKET s, bool write, Clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::microseconds>(deadline - Clock::now()).count();
    if (left <= 0) return false;
    fd_set ready;
    fd_set failed;
    FD_ZERO(&ready);
    FD_ZERO(&failed);
    FD_SET(s, &ready);
    FD_SET(s, &failed);
    timeval wait{static_cast<long>(left / 1000000), static_cast<long>(left % 1000000)};
    const int count = select(0, write ? nullptr : &ready, write ? &ready : nullptr, &failed, &wait);
    if (count == SOCKET_ERROR) ThrowSocketError("Waiting on the connection failed", WSAGetLastError());
    return count > 0;
}

// Looks the host up and connects to the first of its addresses that answers, all before the
// deadline.
void Connect(Socket& socket, const HttpTarget& target, Clock::time_point deadline) {
    const AddressList addresses = LookUp(target, deadline);
    int lastError = WSAETIMEDOUT;
    for (const addrinfo* a = addresses.First(); a; a = a->ai_next) {
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
        if (!WaitFor(socket.Get(), true, deadline))
            throw HttpError("Connecting to " + target.hostHeader + " timed out");
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
    // The name lookup and the connection within the timeout; then the request and the whole
    // answer within the timeout again.
    Connect(socket, target, Clock::now() + timeout);
    const auto deadline = Clock::now() + timeout;
    SendAll(socket.Get(), BuildFormPostRequest(target, body), deadline);
    HttpResponseReader reader;
    ReceiveAnswer(socket.Get(), reader, deadline);

    if (IsRedirection(reader.Status())) throw HttpError("Redirection refused: " + reader.StatusLine());
    if (reader.Status() >= 400) throw HttpError(reader.StatusLine());
    return DecodeBody(reader.Body(), CharsetOfContentType(reader.ContentType(), BodyCharset::Latin1));
}

}  // namespace tabulora::update
