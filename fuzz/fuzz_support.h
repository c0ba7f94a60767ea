#pragma once
// What the fuzz targets share: the CSV options an input chooses, the text the export reads from
// its bytes, and a sink for a CSV in memory.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "engine/conversion.h"
#include "engine/csv_output.h"
#include "engine/utf.h"

namespace tabulora::fuzz {

// The input's size chooses the separator, flattening, the formula guard and a shape of the table
// (records at "a", exploded "b" arrays, joined arrays, chosen and renamed columns), so that the
// bytes themselves stay free for the JSON.
inline CsvOptions OptionsFor(size_t size) {
    CsvOptions options;
    options.separator = size % 2 ? ";" : ",";
    options.flattenNested = size % 4 >= 2;
    options.formulaGuard = size % 8 >= 4;
    TableShape& shape = options.shape;
    if (size % 3 == 0) shape.records = JsonPath{"a"};
    if (size % 3 == 0 && size % 5 < 2) shape.explode = {JsonPath{"b"}, JsonPath{"c", "d"}};
    if (size % 7 < 2) shape.join = ";";
    if (size % 11 < 2) shape.columns = {"b", "a.c", "x"};
    if (size % 13 < 2) shape.renames = {{"a", "b"}, {"b", "z"}};
    shape.countColumns = size % 17 < 3;
    return options;
}

// The UTF-8 text the export reads from `bytes` (in the default encoding, UTF-8): a byte-order
// mark chooses UTF-8 or UTF-16 (LE or BE, a lone surrogate read as U+FFFD) and is not part of
// the text; without one the bytes must be valid UTF-8. Nothing when they cannot be read.
inline std::optional<std::string> TextOf(std::string_view bytes) {
    const bool little = bytes.substr(0, 2) == "\xFF\xFE";
    if (bytes.substr(0, 3) != "\xEF\xBB\xBF" && (little || bytes.substr(0, 2) == "\xFE\xFF")) {
        bytes.remove_prefix(2);
        if (bytes.size() % 2) return std::nullopt;
        std::u16string units(bytes.size() / 2, u'\0');
        for (size_t i = 0; i < units.size(); ++i) {
            const auto first = static_cast<unsigned char>(bytes[2 * i]);
            const auto second = static_cast<unsigned char>(bytes[2 * i + 1]);
            units[i] = static_cast<char16_t>(little ? second << 8 | first : first << 8 | second);
        }
        return Utf16ToUtf8(units);
    }
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
    if (!IsValidUtf8(bytes)) return std::nullopt;
    return std::string(bytes);
}

class StringSink final : public ByteSink {
public:
    void Write(std::string_view bytes) override { text.append(bytes); }
    std::string text;
};

}  // namespace tabulora::fuzz
