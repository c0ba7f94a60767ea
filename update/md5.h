#pragma once
#include <string>
#include <string_view>

namespace tabulora::update {

// The RFC 1321 MD5 digest of the bytes, as 32 upper-case hexadecimal digits. Raises Md5Error
// when the platform's digest service fails.
std::string Md5HexUpper(std::string_view bytes);

}  // namespace tabulora::update
