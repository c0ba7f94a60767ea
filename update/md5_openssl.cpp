// The digest for the portable (non-Windows) build, where the tests check the key name.
#include <openssl/evp.h>

#include "update/errors.h"
#include "update/md5.h"

namespace tabulora::update {

std::string Md5HexUpper(std::string_view bytes) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_Digest(bytes.data(), bytes.size(), digest, &length, EVP_md5(), nullptr) != 1 || length != 16)
        throw Md5Error("EVP_Digest failed");
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string hex;
    for (unsigned int i = 0; i < length; ++i) {
        hex += kHex[digest[i] >> 4];
        hex += kHex[digest[i] & 0x0F];
    }
    return hex;
}

}  // namespace tabulora::update
