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
// - the CSV is valid UTF-8 whenever the input is;
// - the preview of the whole input, its cells joined as CSV fields, is that CSV, and a preview of
//   fewer rows is the start of the whole one when the input is readable (engine/table_preview.h);
// - with its first "~" stretched to a run longer than the reader takes whole, so that a string
//   around it goes on in parts (engine/json_reader.h), the input still gives its reference CSV.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>

#include "engine/cell_escapes.h"
#include "engine/conversion.h"
#include "engine/csv_export.h"
#include "engine/csv_writer.h"
#include "engine/json_reader.h"
#include "engine/line_breaks.h"
#include "engine/table_preview.h"
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

// The preview as a CSV: its header and rows as fields (the cells carry the formula guard's
// apostrophe already, the names not), each row padded to the header's columns.
std::string PreviewCsv(const tabulora::TablePreview& preview, const tabulora::CsvOptions& options) {
    const tabulora::CsvFieldWriter names(options.separator, options.formulaGuard), cells(options.separator, false);
    std::string csv;
    const auto append = [&](const std::vector<std::string>& fields, const tabulora::CsvFieldWriter& writer) {
        for (size_t i = 0; i < preview.header.size(); ++i) {
            if (i > 0) csv += options.separator;
            if (i < fields.size()) writer.AppendField(csv, fields[i]);
        }
        if (fields.size() > preview.header.size()) std::abort();
        csv += "\r\n";
    };
    if (options.includeHeader) append(preview.header, names);
    for (const auto& row : preview.rows) append(row, cells);
    return csv;
}

// The preview agrees with the export's CSV, whole and cut short.
void CheckPreview(const tabulora::ExportSettings& settings, std::string_view text,
                  const tabulora::ExportSummary& summary, const std::string& csv, size_t shortRows) {
    const std::vector<tabulora::ExportInput> inputs{tabulora::ExportInput::Memory("in", text)};
    const tabulora::TablePreview whole = tabulora::PreviewTable(inputs, settings, SIZE_MAX);
    if (!whole.complete || whole.inputs.size() != 1 || whole.inputs[0].readable != summary.inputs[0].readable)
        std::abort();
    if (summary.anyLine && summary.failure.empty() && PreviewCsv(whole, settings.csv) != csv) std::abort();
    // An input that turns out unreadable after the part a shorter preview reads is shown there.
    if (!summary.inputs[0].readable) return;
    const tabulora::TablePreview part = tabulora::PreviewTable(inputs, settings, shortRows);
    if (part.complete != (whole.rows.size() <= shortRows)) std::abort();
    if (part.rows.size() != std::min(shortRows, whole.rows.size())) std::abort();
    if (!std::equal(part.rows.begin(), part.rows.end(), whole.rows.begin())) std::abort();
    if (part.header.size() > whole.header.size() ||
        !std::equal(part.header.begin(), part.header.end(), whole.header.begin()))
        std::abort();
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
        CheckPreview(settings, text, summary, sink.text, size % 4);
    }

    if (const size_t tilde = text.find('~'); tilde != std::string::npos && readText && *readText == text) {
        std::string stretched = text;
        stretched.insert(tilde, tabulora::kStringPartBytes + size, '~');
        tabulora::ExportSettings settings;
        settings.csv = options;
        settings.readAhead = false;
        settings.pieceSize = 4096 + size % 4096;
        tabulora::fuzz::StringSink sink;
        const tabulora::ExportSummary summary =
            tabulora::ExportToOneCsv({tabulora::ExportInput::Memory("in", stretched)}, sink, settings);
        if (summary.anyLine && summary.failure.empty() && sink.text != tabulora::ReferenceCsv({stretched}, options))
            std::abort();
    }

    (void)tabulora::FirstValueLayout(text);
    std::string decoded;
    tabulora::DecodeCellEscapes(text, decoded);
    if (valid && tabulora::Utf16ToUtf8(tabulora::Utf8ToUtf16(text)) != text) std::abort();
    return 0;
}
