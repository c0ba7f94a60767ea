#include "engine/text_file.h"

#include "engine/file_io.h"
#include "engine/utf.h"

namespace tabulora {
namespace {

constexpr const char* kInvalidUtf8 = "No mapping for the Unicode character exists in the target multi-byte code page";

std::string DecodeUtf16(std::string_view bytes, bool bigEndian) {
    std::u16string units(bytes.size() / 2, u'\0');   // an odd last byte is dropped
    for (size_t i = 0; i < units.size(); ++i) {
        const auto first = static_cast<unsigned char>(bytes[2 * i]);
        const auto second = static_cast<unsigned char>(bytes[2 * i + 1]);
        units[i] = static_cast<char16_t>(bigEndian ? (first << 8 | second) : (second << 8 | first));
    }
    return Utf16ToUtf8(units);
}

bool StartsWith(std::string_view bytes, std::string_view mark) { return bytes.substr(0, mark.size()) == mark; }

}  // namespace

LoadedText LoadTextFile(const std::string& path, TextEncoding encoding, const AnsiCodec& ansi) {
    LoadedText result;
    FileBytes file = ReadWholeFile(path);
    if (!file.ok) {
        result.error = std::move(file.error);
        return result;
    }
    std::string& bytes = file.bytes;
    if (StartsWith(bytes, "\xEF\xBB\xBF")) {
        bytes.erase(0, 3);
        encoding = TextEncoding::Utf8;
    } else if (StartsWith(bytes, "\xFF\xFE") || StartsWith(bytes, "\xFE\xFF")) {
        result.text = DecodeUtf16(std::string_view(bytes).substr(2), bytes[0] == '\xFE');
        result.ok = true;
        return result;
    }
    if (encoding == TextEncoding::Ansi) {
        result.text = ansi.ToUtf8(bytes);
    } else if (IsValidUtf8(bytes)) {
        result.text = std::move(bytes);
    } else {
        result.error = kInvalidUtf8;
        return result;
    }
    result.ok = true;
    return result;
}

}  // namespace tabulora
