#pragma once
#include <string>

#include "update/httpform.h"

namespace tabulora::update {

// Posts the fields as a URL-encoded form and returns the answer body as UTF-8. A URL that
// begins with "https://" (any letter case) goes through WinHTTP, every other URL through a
// plain TCP client. Each attempt has two deadlines: the name lookup and the connection (over
// HTTPS also the TLS handshake and the request) within TimeoutMs of the start, and the whole
// answer within TimeoutMs after that, however slowly or steadily the server sends. Raises
// HttpError when no usable answer arrives: no connection, TLS failure, a deadline passed, broken
// connection, more than 1 MiB received, a malformed answer, a redirection (never followed), or
// (plain HTTP only) a 4xx or 5xx status.
std::string PostForm(const std::string& url, const RequestFields& fields, int timeoutMs);

// The two transports behind PostForm; each takes the encoded body.
std::string PostFormHttps(const std::string& url, const std::string& body, int timeoutMs);
std::string PostFormPlainHttp(const std::string& url, const std::string& body, int timeoutMs);

}  // namespace tabulora::update
