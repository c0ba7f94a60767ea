#include "update/body_decode.h"

#include <cstdint>

#include "base/text.h"
#include "engine/text_trim.h"
#include "engine/utf.h"

namespace tabulora::update {
namespace {

// Windows-1252 differs from Latin-1 only in 0x80..0x9F; its five unassigned bytes map to
// the C1 control of the same number, as Windows itself does.
constexpr uint16_t kCp1252High[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                      0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                      0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                      0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

}  // namespace

BodyCharset CharsetOfContentType(std::string_view contentType, BodyCharset fallback) {
    const std::string lower = AsciiLower(contentType);
    const size_t at = lower.find("charset=");
    if (at == std::string::npos) return fallback;
    std::string_view name = std::string_view(lower).substr(at + 8);
    name = name.substr(0, name.find(';'));
    name = TrimBlanksAndControls(name);
    if (name.size() >= 2 && name.front() == '"' && name.back() == '"') name = name.substr(1, name.size() - 2);
    if (name == "utf-8" || name == "utf8") return BodyCharset::Utf8;
    if (name == "iso-8859-1" || name == "iso8859-1" || name == "latin1" || name == "us-ascii")
        return BodyCharset::Latin1;
    if (name == "windows-1252" || name == "cp1252") return BodyCharset::Windows1252;
    return fallback;
}

std::string DecodeBody(std::string_view bytes, BodyCharset charset) {
    if (charset == BodyCharset::Utf8) return SanitizeUtf8(bytes);
    std::string out;
    out.reserve(bytes.size());
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        const bool remapped = charset == BodyCharset::Windows1252 && b >= 0x80 && b < 0xA0;
        AppendUtf8(out, remapped ? kCp1252High[b - 0x80] : b);
    }
    return out;
}

}  // namespace tabulora::update
