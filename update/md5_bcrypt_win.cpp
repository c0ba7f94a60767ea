#include <windows.h>
#include <bcrypt.h>

#include <algorithm>
#include <array>

#include "update/errors.h"
#include "update/md5.h"

namespace tabulora::update {
namespace {

struct AlgorithmHandle {
    BCRYPT_ALG_HANDLE handle = nullptr;
    ~AlgorithmHandle() {
        if (handle) BCryptCloseAlgorithmProvider(handle, 0);
    }
};

struct HashHandle {
    BCRYPT_HASH_HANDLE handle = nullptr;
    ~HashHandle() {
        if (handle) BCryptDestroyHash(handle);
    }
};

void Check(NTSTATUS status, const char* step) {
    if (!BCRYPT_SUCCESS(status))
        throw Md5Error(std::string(step) + " failed with status " + std::to_string(static_cast<unsigned long>(status)));
}

}  // namespace

std::string Md5HexUpper(std::string_view bytes) {
    AlgorithmHandle algorithm;
    Check(BCryptOpenAlgorithmProvider(&algorithm.handle, BCRYPT_MD5_ALGORITHM, nullptr, 0),
          "BCryptOpenAlgorithmProvider");
    HashHandle hash;
    Check(BCryptCreateHash(algorithm.handle, &hash.handle, nullptr, 0, nullptr, 0, 0), "BCryptCreateHash");
    // BCryptHashData takes a ULONG length; feed large inputs in pieces.
    for (size_t offset = 0; offset < bytes.size();) {
        const ULONG piece = static_cast<ULONG>(std::min<size_t>(bytes.size() - offset, 1u << 30));
        auto* data = reinterpret_cast<PUCHAR>(const_cast<char*>(bytes.data() + offset));
        Check(BCryptHashData(hash.handle, data, piece, 0), "BCryptHashData");
        offset += piece;
    }
    std::array<UCHAR, 16> digest{};
    Check(BCryptFinishHash(hash.handle, digest.data(), static_cast<ULONG>(digest.size()), 0), "BCryptFinishHash");

    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string hex;
    for (const UCHAR b : digest) {
        hex += kHex[b >> 4];
        hex += kHex[b & 0x0F];
    }
    return hex;
}

}  // namespace tabulora::update
