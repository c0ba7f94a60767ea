// Feeds arbitrary bytes through the conversion, with or without flattening and the formula guard.
// Besides crashes and out-of-bounds access it checks:
// - the streaming export writes the same CSV whatever the size of the pieces it reads the input
//   in (one byte, a few, the whole text), whether its rows stay in memory or go to a file, and
//   that is the CSV of the plain reference conversion, which parses every line of the layout as
//   text where the export takes simple members apart in the reformatter;
// - reading a text as its lines gives the same CSV as making its line breaks CR LF beforehand;
// - the CSV is valid UTF-8 whenever the input is.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "engine/cell_escapes.h"
#include "engine/conversion.h"
#include "engine/csv_export.h"
#include "engine/line_breaks.h"
#include "engine/utf.h"
#include "tests/engine/whole_text.h"

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
    tabulora::CsvOptions options;
    options.separator = size % 2 ? ";" : ",";
    options.flattenNested = size % 4 >= 2;
    options.formulaGuard = size % 8 >= 4;

    const std::string reference = tabulora::ReferenceCsv({text}, options);
    if (reference != tabulora::ReferenceCsv({AsLines(text)}, options, false)) std::abort();

    const bool valid = tabulora::IsValidUtf8(text);
    if (valid && !tabulora::IsValidUtf8(reference)) std::abort();

    // A byte-order mark chooses the encoding of a file; the rest is read as UTF-8.
    const bool utf16 = size >= 2 && ((data[0] == 0xFF && data[1] == 0xFE) || (data[0] == 0xFE && data[1] == 0xFF));
    const bool utf8Mark = text.rfind("\xEF\xBB\xBF", 0) == 0;
    if (!utf16) {
        const bool readable = tabulora::IsValidUtf8(utf8Mark ? text.substr(3) : text);
        const std::string unmarked = utf8Mark ? tabulora::ReferenceCsv({text.substr(3)}, options) : reference;
        for (const size_t pieceSize : {size_t{1} + size % 7, size_t{8} + size % 57, size + 1}) {
            tabulora::ExportSettings settings;
            settings.csv = options;
            settings.readAhead = false;
            settings.pieceSize = pieceSize;
            settings.rowsInMemory = (size + pieceSize) % 3 == 0 ? 64 : 4 << 20;
            StringSink sink;
            const tabulora::ExportSummary summary =
                tabulora::ExportToOneCsv({tabulora::ExportInput::Memory("in", text)}, sink, settings);
            if (summary.inputs.size() != 1 || summary.inputs[0].readable != readable) std::abort();
            if (readable && summary.anyLine) {
                if (sink.text != unmarked) std::abort();
            } else if (!sink.text.empty()) {
                std::abort();
            }
        }
    }

    (void)tabulora::FirstValueLayout(text);
    std::string decoded;
    tabulora::DecodeCellEscapes(text, decoded);
    if (valid && tabulora::Utf16ToUtf8(tabulora::Utf8ToUtf16(text)) != text) std::abort();
    return 0;
}
