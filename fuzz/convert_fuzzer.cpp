// Feeds arbitrary bytes through the conversion. Besides crashes and out-of-bounds access it checks:
// - the streaming export, reading the input in small pieces and keeping few rows in memory, writes
//   the same CSV as the conversion of the whole text in memory;
// - streaming the reformatted lines into the table gives the same CSV as walking the complete
//   reformatted text (the plain reference), and reading a text as its lines gives the same CSV as
//   making its line breaks CR LF beforehand;
// - the CSV is valid UTF-8 whenever the input is.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "engine/cell_escapes.h"
#include "engine/conversion.h"
#include "engine/csv_export.h"
#include "engine/layout_text.h"
#include "engine/line_breaks.h"
#include "engine/utf.h"

namespace {

class StringSink final : public tabulora::ByteSink {
public:
    void Write(std::string_view bytes) override { text.append(bytes); }
    std::string text;
};

// The text as the program reads a file: its lines, each followed by CR LF.
std::string AsLines(std::string_view text) {
    std::string lines;
    tabulora::AppendWithCrLf(text, lines);
    if (!text.empty() && text.back() != '\r' && text.back() != '\n') lines += "\r\n";
    return lines;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const tabulora::CsvOptions options{true, size % 2 ? ";" : ","};

    tabulora::JsonToCsvConverter converter(options);
    converter.AddJsonText(text);
    const std::string whole = converter.Finish().Text();
    const std::string reference =
        tabulora::BuildCsvFromReformatted(tabulora::HumanReadableJson(AsLines(text)), options).Text();
    if (whole != reference) std::abort();

    const bool valid = tabulora::IsValidUtf8(text);
    if (valid && !tabulora::IsValidUtf8(whole)) std::abort();

    // A byte-order mark chooses the encoding of a file; the rest is read as UTF-8.
    const bool utf16 = size >= 2 && ((data[0] == 0xFF && data[1] == 0xFE) || (data[0] == 0xFE && data[1] == 0xFF));
    const bool utf8Mark = text.rfind("\xEF\xBB\xBF", 0) == 0;
    if (!utf16) {
        tabulora::ExportSettings settings;
        settings.csv = options;
        settings.readAhead = false;
        settings.pieceSize = 1 + size % 7;
        settings.rowsInMemory = size % 3 == 0 ? 64 : 4 << 20;
        StringSink sink;
        const tabulora::ExportSummary summary = tabulora::ExportToOneCsv(
            {tabulora::ExportInput::Memory("in", text)}, sink, settings);
        const bool readable = tabulora::IsValidUtf8(utf8Mark ? text.substr(3) : text);
        if (summary.inputs.size() != 1 || summary.inputs[0].readable != readable) std::abort();
        if (readable && summary.anyLine) {
            tabulora::JsonToCsvConverter unmarked(options);
            unmarked.AddJsonText(utf8Mark ? text.substr(3) : text);
            if (sink.text != unmarked.Finish().Text()) std::abort();
        } else if (!sink.text.empty()) {
            std::abort();
        }
    }

    (void)tabulora::ReformatJSONText(text);
    std::string decoded;
    tabulora::DecodeCellEscapes(text, decoded);
    if (valid && tabulora::Utf16ToUtf8(tabulora::Utf8ToUtf16(text)) != text) std::abort();
    return 0;
}
