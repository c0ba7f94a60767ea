// The fast fuzz target: one conversion of each input, checked against the plain reference
// conversion (tests/engine/whole_text.h), so that the inputs grow long and deep quickly.
//
// The input is read as the export reads it (InputPipeline: a byte-order mark chooses UTF-8 or
// UTF-16, UTF-8 is strict) in one piece, and its text goes, as in the export, through the
// reader that takes simple members apart (memberLines) into the table. The rows stay in a
// small sink in memory: the export's CSV output allocates a fixed 1 MiB write buffer, which
// under ASan costs more than the whole conversion of a small input. Piece boundaries, the CSV
// output and rows spilled to a file are the pieces target's (convert_pieces_fuzzer.cpp).
//
// Checks, besides crashes and what the sanitizers find:
// - the input can be read exactly when fuzz::TextOf says so, and the text read is that text;
// - its CSV is the reference CSV of that text, and valid UTF-8;
// - the document reader accepts the bytes exactly when the line check calls them one JSON value
//   (one grammar), and a recipe read from them is saved to a text that reads back the same.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>

#include "engine/input_pipeline.h"
#include "engine/json_document.h"
#include "engine/json_table.h"
#include "engine/recipe.h"
#include "engine/strict_json.h"
#include "engine/text_feeder.h"
#include "engine/utf.h"
#include "fuzz/fuzz_support.h"
#include "tests/engine/whole_text.h"

namespace {

// The checks of the strict grammar and of recipes, on UTF-8 bytes.
void CheckDocument(std::string_view bytes) {
    tabulora::JsonValue root;
    tabulora::JsonDocumentError syntax;
    const bool document = tabulora::ParseJsonDocument(bytes, root, syntax);
    if (document != (tabulora::ClassifyJsonText(bytes) == tabulora::JsonTextKind::OneValue)) std::abort();
    if (!document && syntax.offset > bytes.size()) std::abort();
    tabulora::RecipeSettings settings;
    std::string error;
    if (!tabulora::ReadRecipe(bytes, "fuzz.json", settings, error)) {
        if (error.empty()) std::abort();
        return;
    }
    const std::string saved = tabulora::RecipeText(settings);
    tabulora::RecipeSettings again;
    if (!tabulora::ReadRecipe(saved, "saved.json", again, error) || tabulora::RecipeText(again) != saved) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    if (tabulora::IsValidUtf8(bytes)) CheckDocument(bytes);
    const tabulora::CsvOptions options = tabulora::fuzz::OptionsFor(size);
    const std::optional<std::string> expected = tabulora::fuzz::TextOf(bytes);

    // As the export reads one input (csv_export.cpp, InputReading).
    tabulora::ReferenceRows rows;
    const std::unique_ptr<tabulora::JsonTable> table = tabulora::MakeJsonTable(options, rows);
    const std::unique_ptr<tabulora::PieceReader> reader = table->NewReader(tabulora::ReaderOptions{true, true, true});
    tabulora::TextFeeder feeder(*reader, true);

    tabulora::InputOrigin origin;
    origin.kind = tabulora::InputOrigin::Kind::Memory;
    origin.bytes = bytes;
    tabulora::DecodeSettings decode;
    decode.pieceSize = size + 1;  // the whole input at once
    tabulora::InputPipeline pipeline({origin}, decode, false);
    std::string text;
    bool readable = false;
    for (bool finished = false; !finished;) {
        const tabulora::InputEvent& event = pipeline.Next();
        switch (event.kind) {
        case tabulora::InputEvent::Kind::Start: break;
        case tabulora::InputEvent::Kind::Text: {
            const tabulora::DecodedPiece& piece = event.piece;
            text.append(piece.data, piece.size);
            if (piece.textSize > 0) feeder.Feed({piece.data, piece.textSize, piece.breaksBefore});
            break;
        }
        case tabulora::InputEvent::Kind::End:
            readable = !event.failed;
            if (readable) feeder.Finish(event.breaksAtEnd, event.cutByZero);
            break;
        case tabulora::InputEvent::Kind::Finished: finished = true; break;
        }
    }
    if (readable != expected.has_value()) std::abort();
    if (!readable) return 0;
    if (text != *expected) std::abort();

    table->Finish();
    const tabulora::TableRows& written = table->Rows();
    const std::string csv = written.HeaderLine() + "\r\n" + rows.Text(options.separator, written.ColumnCount());
    if (csv != tabulora::ReferenceCsv({text}, options)) std::abort();
    if (!tabulora::IsValidUtf8(csv)) std::abort();
    return 0;
}
