// The pieces fuzz target: the whole streaming export of each input, three times, against the
// plain reference conversion (tests/engine/whole_text.h). Slower than convert_fast_fuzzer.cpp,
// it checks what that one leaves out: piece boundaries, the CSV output, rows spilled to a file.
//
// Besides crashes and what the sanitizers find it checks:
// - the streaming export writes the reference CSV of the input's text whether it reads the input
//   in pieces of one byte (every position a boundary), of a few dozen bytes, or whole, and
//   whether its rows stay in memory or go to a file (one of the three exports spills); the
//   reference parses every line of the layout as text where the export takes simple members
//   apart in the reader; the input is readable exactly when fuzz::TextOf says so, and the
//   export writes nothing for an unreadable input or one without any line;
// - reading a text as its lines gives the same CSV as making its line breaks CR LF beforehand;
// - the CSV is valid UTF-8 whenever the input is.
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>

#include "engine/cell_escapes.h"
#include "engine/conversion.h"
#include "engine/csv_export.h"
#include "engine/line_breaks.h"
#include "engine/utf.h"
#include "fuzz/fuzz_support.h"
#include "tests/engine/whole_text.h"

namespace {

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
    const tabulora::CsvOptions options = tabulora::fuzz::OptionsFor(size);

    const std::string reference = tabulora::ReferenceCsv({text}, options);
    if (reference != tabulora::ReferenceCsv({AsLines(text)}, options, false)) std::abort();

    const bool valid = tabulora::IsValidUtf8(text);
    if (valid && !tabulora::IsValidUtf8(reference)) std::abort();

    // What the export reads: the text behind a byte-order mark, UTF-16 decoded.
    const std::optional<std::string> readText = tabulora::fuzz::TextOf(text);
    std::string expected;
    if (readText) expected = *readText == text ? reference : tabulora::ReferenceCsv({*readText}, options);
    const size_t pieceSizes[] = {1, 8 + size % 57, size + 1};
    for (size_t i = 0; i < 3; ++i) {
        tabulora::ExportSettings settings;
        settings.csv = options;
        settings.readAhead = false;
        settings.pieceSize = pieceSizes[i];
        // Rows in memory, in blocks sized to the input (a quarter of this, at most 1 MiB), or
        // from the first 64 bytes on in a file.
        settings.rowsInMemory = i == size % 3 ? 64 : 64 * (size + 64);
        tabulora::fuzz::StringSink sink;
        const tabulora::ExportSummary summary = tabulora::ExportToOneCsv({tabulora::ExportInput::Memory("in", text)},
                                                                         sink, settings);
        if (summary.inputs.size() != 1 || summary.inputs[0].readable != readText.has_value()) std::abort();
        if (summary.anyLine != (readText && !readText->empty())) std::abort();
        // A header that renames would give two columns one name is refused: nothing is written.
        const bool written = summary.anyLine && summary.failure.empty();
        if (written ? sink.text != expected : !sink.text.empty()) std::abort();
    }

    (void)tabulora::FirstValueLayout(text);
    std::string decoded;
    tabulora::DecodeCellEscapes(text, decoded);
    if (valid && tabulora::Utf16ToUtf8(tabulora::Utf8ToUtf16(text)) != text) std::abort();
    return 0;
}
