#include "update/plain_http_request.h"

#include "base/text.h"
#include "update/errors.h"

namespace tabulora::update {

HttpTarget ParseHttpTarget(std::string_view url) {
    const size_t schemeEnd = url.find("://");
    if (schemeEnd != std::string_view::npos) {
        if (AsciiLower(url.substr(0, schemeEnd)) != "http")
            throw HttpError("Unsupported URL scheme: " + std::string(url));
        url.remove_prefix(schemeEnd + 3);
    }
    HttpTarget target;
    const size_t pathStart = url.find_first_of("/?#");
    std::string_view authority = url.substr(0, pathStart);
    if (pathStart != std::string_view::npos) {
        std::string_view path = url.substr(pathStart);
        path = path.substr(0, path.find('#'));
        target.path = path.starts_with('/') ? "" : "/";
        target.path += path;
    }
    if (const size_t at = authority.rfind('@'); at != std::string_view::npos) authority.remove_prefix(at + 1);
    target.hostHeader = std::string(authority);

    std::string_view portText;
    if (authority.starts_with('[')) {
        const size_t close = authority.find(']');
        if (close == std::string_view::npos) throw HttpError("Invalid host in URL: " + std::string(url));
        target.host = std::string(authority.substr(1, close - 1));
        if (close + 1 < authority.size()) {
            if (authority[close + 1] != ':') throw HttpError("Invalid host in URL: " + std::string(url));
            portText = authority.substr(close + 2);
        }
    } else {
        const size_t colon = authority.find(':');
        target.host = std::string(authority.substr(0, colon));
        if (colon != std::string_view::npos) portText = authority.substr(colon + 1);
    }
    if (target.host.empty()) throw HttpError("No host in URL: " + std::string(url));
    if (!portText.empty()) {
        int port = 0;
        if (!TryParseInt32(portText, port) || port < 1 || port > 65535 || portText.front() == '+' ||
            portText.front() == '-')
            throw HttpError("Invalid port in URL: " + std::string(url));
        target.port = std::to_string(port);
    }
    return target;
}

std::string BuildFormPostRequest(const HttpTarget& target, std::string_view body) {
    std::string request;
    request.reserve(200 + body.size());
    request += "POST " + target.path + " HTTP/1.1\r\n";
    request += "Host: " + target.hostHeader + "\r\n";
    request += "Content-Type: application/x-www-form-urlencoded\r\n";
    request += "Content-Length: " + std::to_string(body.size()) + "\r\n";
    request += "Connection: close\r\n\r\n";
    request += body;
    return request;
}

}  // namespace tabulora::update
