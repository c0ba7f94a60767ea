#pragma once
#include <string>

#include "update/httpform.h"

namespace tabulora::update {

// Posts the fields as a URL-encoded form and returns the answer body as UTF-8. A URL that
// begins with "https://" (any letter case) goes through WinHTTP, every other URL through a
// plain TCP client. TimeoutMs bounds connecting and waiting for the answer. Raises HttpError
// when no usable answer arrives: no connection, TLS failure, timeout, broken connection, an
// answer over 1 MiB, or (plain HTTP only) a 4xx or 5xx status.
std::string PostForm(const std::string& url, const RequestFields& fields, int timeoutMs);

// The two transports behind PostForm; each takes the encoded body.
std::string PostFormHttps(const std::string& url, const std::string& body, int timeoutMs);
std::string PostFormPlainHttp(const std::string& url, const std::string& body, int timeoutMs);

}  // namespace tabulora::update
