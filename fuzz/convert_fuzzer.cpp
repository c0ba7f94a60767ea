// Feeds arbitrary bytes through the whole conversion. Besides crashes and out-of-bounds access it
// checks that streaming the reformatted lines into the table gives the same CSV as walking the
// complete reformatted text.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "engine/cell_escapes.h"
#include "engine/conversion.h"
#include "engine/json_reformat.h"
#include "engine/utf.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const tabulora::CsvOptions options{true, size % 2 ? ";" : ","};

    tabulora::JsonToCsvConverter converter(options);
    converter.AddJsonText(text);
    const std::string streamed = converter.Finish().Text();
    const std::string whole = tabulora::BuildCsvFromReformatted(tabulora::HumanReadableJson(text), options).Text();
    if (streamed != whole) std::abort();

    (void)tabulora::ReformatJSONText(text);
    std::string decoded;
    tabulora::DecodeCellEscapes(text, decoded);
    if (tabulora::IsValidUtf8(text) && tabulora::Utf16ToUtf8(tabulora::Utf8ToUtf16(text)) != text) std::abort();
    return 0;
}
