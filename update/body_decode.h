#pragma once
#include <string>
#include <string_view>

namespace tabulora::update {

enum class BodyCharset { Utf8, Latin1, Windows1252 };

// The charset named by a Content-Type value, or `fallback` when none (or an unknown one) is named.
BodyCharset CharsetOfContentType(std::string_view contentType, BodyCharset fallback);

// Decodes answer bytes to UTF-8. Malformed UTF-8 sequences become U+FFFD, so the result is
// always valid UTF-8.
std::string DecodeBody(std::string_view bytes, BodyCharset charset);

}  // namespace tabulora::update
