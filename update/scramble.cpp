#include "update/scramble.h"

#include <cstdint>
#include <vector>

#include "engine/utf.h"

namespace tabulora::update {
namespace {

// The key state starts at kSeed and advances with each scrambled byte c as
// K = (c + K) * kMultiplier + kAddend, modulo 65536. Changing these makes stored values unreadable.
constexpr uint16_t kSeed = 0x4E2B;
constexpr uint16_t kMultiplier = 0x7C35;
constexpr uint16_t kAddend = 0x2D9F;

uint16_t NextKey(uint16_t key, uint8_t scrambled) {
    return static_cast<uint16_t>((scrambled + key) * kMultiplier + kAddend);
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

}  // namespace

std::string ScrambleText(std::string_view text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string hex;
    hex.reserve(text.size() * 2);
    uint16_t key = kSeed;
    for (const char c : text) {
        const auto scrambled = static_cast<uint8_t>(static_cast<uint8_t>(c) ^ (key >> 8));
        hex += kHex[scrambled >> 4];
        hex += kHex[scrambled & 0x0F];
        key = NextKey(key, scrambled);
    }
    return hex;
}

std::string UnscrambleText(std::string_view hex) {
    std::vector<uint8_t> scrambled;
    scrambled.reserve(hex.size() / 2);
    for (size_t i = 0; i + 1 < hex.size(); i += 2) {
        const int high = HexDigit(hex[i]);
        const int low = HexDigit(hex[i + 1]);
        if (high < 0 || low < 0) return {};
        scrambled.push_back(static_cast<uint8_t>(high * 16 + low));
    }
    std::string plain;
    plain.reserve(scrambled.size());
    uint16_t key = kSeed;
    for (const uint8_t c : scrambled) {
        plain += static_cast<char>(c ^ (key >> 8));
        key = NextKey(key, c);
    }
    return SanitizeUtf8(plain);
}

}  // namespace tabulora::update
