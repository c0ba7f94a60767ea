#pragma once
#include <string>
#include <string_view>

namespace tabulora::update {

// Where a plain-HTTP request goes. The scheme "http://" is optional.
struct HttpTarget {
    std::string host;  // without brackets for an IPv6 literal
    std::string port = "80";
    std::string path = "/";  // path and query, as given
    std::string hostHeader;  // host, with ":port" when one was written
};

// Splits a URL; raises HttpError for a scheme other than http, an empty host or a bad port.
HttpTarget ParseHttpTarget(std::string_view url);

// The bytes of a form POST: request line, Host, Content-Type, Content-Length, Connection: close.
std::string BuildFormPostRequest(const HttpTarget& target, std::string_view body);

}  // namespace tabulora::update
