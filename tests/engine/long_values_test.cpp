// Values longer than a piece of text go through the export part by part; the CSV is the one the
// whole text gives.
#include <gtest/gtest.h>

#include <string>

#include "engine/growing_memory.h"
#include "engine/json_reader.h"
#include "export_helpers.h"

namespace tabulora {
namespace {

// `unit` repeated until the text holds at least `size` bytes.
std::string Repeated(std::string_view unit, size_t size) {
    std::string text;
    while (text.size() < size) text += unit;
    return text;
}

// Longer than a string the reader takes whole, but not by a round number of pieces.
const size_t kLong = kStringPartBytes * 2 + 12345;
// Longer than the part a long row's cell is written in.
const size_t kVeryLong = (1 << 20) + kStringPartBytes + 777;

// Escapes of every length, a surrogate pair among them, so that the pieces cut through each.
const std::string kEscapes = Repeated("ab\\\\\\\"c\\u00e9\\uD83D\\uDE00d\\n\\/xyz", kLong);

struct LongCase {
    const char* name;
    std::string text;
    CsvOptions options = {};
    bool ansi = false;  // the text and the CSV in the system's ANSI code page
    // The text whose CSV it gives, when not its own: a text that ends inside a long string gives
    // the CSV of one that ends inside a short one, which the reader takes whole.
    std::string sameAs = {};
};

void PrintTo(const LongCase& c, std::ostream* out) { *out << c.name; }

class LongValueTest : public testing::TestWithParam<LongCase> {};

// Pieces of 4 KiB read the long strings in parts; a piece of 16 MiB holds each text whole (only
// a string that the text ends inside goes on in parts then).
TEST_P(LongValueTest, GivesTheCsvOfTheWholeText) {
    const LongCase& c = GetParam();
    const AnsiCodec& ansi = SystemAnsiCodec();
    const std::string reference = ReferenceCsv({c.sameAs.empty() ? c.text : c.sameAs}, c.options);
    const std::string expected = c.ansi ? ansi.FromUtf8(reference) : reference;
    const std::string text = c.ansi ? ansi.FromUtf8(c.text) : c.text;
    for (size_t pieceSize : {size_t{4096}, size_t{65537}, size_t{16} << 20}) {
        for (size_t rowsInMemory : {size_t{64}, size_t{4} << 20}) {
            ExportSettings settings = TestSettings(pieceSize, rowsInMemory);
            settings.csv = c.options;
            if (c.ansi) settings.encoding = TextEncoding::Ansi;
            EXPECT_TRUE(StreamedCsv({text}, settings) == expected)
                << "pieces of " << pieceSize << ", rows in memory " << rowsInMemory;
        }
    }
}

CsvOptions Guarded(std::string separator) {
    CsvOptions options;
    options.separator = std::move(separator);
    options.formulaGuard = true;
    return options;
}

CsvOptions Flattened() {
    CsvOptions options;
    options.flattenNested = true;
    return options;
}

CsvOptions Shaped(JsonPath records, std::vector<JsonPath> explode = {}, std::vector<std::string> columns = {}) {
    CsvOptions options;
    options.shape.records = std::move(records);
    options.shape.explode = std::move(explode);
    options.shape.columns = std::move(columns);
    return options;
}

const std::string kPlain = Repeated("0123456789", kLong);
const std::string kCsvSpecial = Repeated("a,b\\\"c;", kVeryLong);

INSTANTIATE_TEST_SUITE_P(
    Values, LongValueTest,
    testing::Values(
        LongCase{"Member", "[{\"id\":1,\"a\":\"" + kPlain + "\",\"b\":2},{\"id\":2,\"a\":\"x\"}]"},
        LongCase{"JsonLines", "{\"a\":\"" + kPlain + "\"}\n{\"b\":\"" + kPlain + "\"}\n{\"a\":1}\n"},
        LongCase{"Escapes", "[{\"a\":\"" + kEscapes + "\"},{\"a\":\"" + kEscapes.substr(1) + "\"}]"},
        LongCase{"QuotedInTheCsv", "[{\"a\":\"" + kCsvSpecial + "\",\"b\":1}]"},
        LongCase{"GuardedFormula", "[{\"a\":\"=" + kCsvSpecial + "\",\"b\":\"-" + kPlain + "\"}]", Guarded(";")},
        LongCase{"ApostropheSeparator", "[{\"a\":\"+" + Repeated("x", kVeryLong) + "\"}]", Guarded("'")},
        LongCase{"AnsiCharacters", "[{\"a\":\"" + Repeated("\xC3\xA9z", kVeryLong) + "\"}]", {}, true},
        LongCase{"FirstColumnRecurs", "{\"a\":\"x\",\"b\":1,\"a\":\"" + kPlain + "\",\"b\":2}"},
        LongCase{"NotAtTheRecordDepth", "[{\"a\":{\"deep\":\"" + kPlain + "\"},\"b\":1}]"},
        LongCase{"ArrayElements", "[{\"a\":[\"" + kPlain + "\",\"" + kPlain + "\"],\"b\":1}]"},
        LongCase{"TopLevelString", "\"" + kPlain + "\"\n{\"a\":1}\n"},
        LongCase{"ColonAfterAnElement", "[\"" + kPlain + "\":{\"a\":1}]"},
        LongCase{"ByteAfterTheString", "[{\"a\":\"" + kPlain + "\"x \"b\":1}]"},
        LongCase{"EmptyName", "[{\"\":\"" + kPlain + "\",\"b\":1}]"},
        LongCase{"RawLineBreakInTheString", "[{\"a\":\"" + kPlain + "\n\"b\": 5, " + kPlain + "\",\"c\":1}]"},
        LongCase{"RawLineBreakInTheFirstPart", "[{\"a\":\"x\r\n" + kPlain + "\",\"c\":1}]"},
        LongCase{"TextEndsInTheString", "[{\"id\":1,\"a\":\"" + kPlain, {}, false, "[{\"id\":1,\"a\":\"01"},
        LongCase{
            "TextEndsAfterABackslash", "[{\"id\":1,\"a\":\"" + kPlain + "\\", {}, false, "[{\"id\":1,\"a\":\"01\\"},
        // Nested values as columns: members, members of nested objects, arrays as their text.
        LongCase{"FlattenedMembers",
                 "[{\"id\":1,\"a\":{\"b\":\"" + kEscapes + "\"},\"c\":[\"" + kPlain + "\",{\"d\":\"" + kPlain +
                     "\"}],\"e\":\"" + kCsvSpecial + "\"x,\"f\":1},{\"id\":2,\"a\":\"" + kPlain + "\"}]",
                 Flattened()},
        LongCase{"FlattenedRawLineBreak", "[{\"a\":\"" + kPlain + "\r\n" + kPlain + "\",\"b\":1}]", Flattened()},
        LongCase{"FlattenedFirstColumnRecurs", "{\"a\":\"x\",\"b\":1,\"a\":\"" + kPlain + "\",\"b\":2}", Flattened()},
        // The record depth is decided by the long member after arrays that were kept aside.
        LongCase{"FlattenedAfterArraysKeptAside", "{\"x\":[1,2],\"a\":\"" + kPlain + "\"}", Flattened()},
        LongCase{"FlattenedTextEnds", "[{\"id\":1,\"a\":{\"b\":\"" + kPlain, Flattened(), false,
                 "[{\"id\":1,\"a\":{\"b\":\"01"},
        // Records named by a path, exploded arrays, chosen columns.
        LongCase{"Records", "{\"data\":[{\"a\":\"" + kEscapes + "\",\"b\":1},{\"a\":{\"c\":\"" + kPlain + "\"}}]}",
                 Shaped({"data"})},
        LongCase{"ScalarRecords", "{\"data\":[\"" + kPlain + "\",\"x\",\"" + kCsvSpecial + "\"]}", Shaped({"data"})},
        LongCase{"RecordsRawLineBreak", "{\"data\":[{\"a\":\"" + kPlain + "\n" + kPlain + "\"}]}", Shaped({"data"})},
        LongCase{"RecordsRawLineBreakInTheFirstPart", "{\"data\":[{\"a\":\"x\n" + kPlain + "\"}]}", Shaped({"data"})},
        LongCase{"RecordsOffThePath", "{\"other\":\"" + kPlain + "\",\"data\":[{\"a\":1}]}", Shaped({"data"})},
        LongCase{"Exploded",
                 "[{\"id\":\"" + kPlain + "\",\"tags\":[\"" + kPlain + "\",\"x\",{\"t\":\"" + kEscapes + "\"}]}]",
                 Shaped({}, {{"tags"}})},
        LongCase{"ChosenColumns", "[{\"a\":\"" + kPlain + "\",\"b\":\"" + kEscapes + "\",\"c\":1}]",
                 Shaped({}, {}, {"c", "b"})},
        LongCase{"RecordsTextEnds", "{\"data\":[{\"a\":1},{\"a\":\"" + kPlain, Shaped({"data"}), false,
                 "{\"data\":[{\"a\":1},{\"a\":\"01"}),
    [](const testing::TestParamInfo<LongCase>& info) { return std::string(info.param.name); });

TEST(LongValue, TextEndingInsideItStopsWhereItBegins) {
    const std::string text = "[{\"id\":1,\n  \"a\":\"" + kPlain;
    for (size_t pieceSize : {size_t{4096}, size_t{16} << 20}) {
        ExportSummary summary;
        StreamedCsv({text}, TestSettings(pieceSize), &summary);
        ASSERT_EQ(summary.inputs.size(), 1u);
        ASSERT_TRUE(summary.inputs[0].stop) << "pieces of " << pieceSize;
        EXPECT_EQ(summary.inputs[0].stop->line, 2u) << "pieces of " << pieceSize;
        EXPECT_EQ(summary.inputs[0].stop->column, 7u) << "pieces of " << pieceSize;
        EXPECT_EQ(summary.inputs[0].stop->reason, StopReason::UnexpectedEnd);
    }
}

// The bytes stay as the memory grows past the size from which a buffer lives apart (in reserved
// address space on Windows) and on within it.
TEST(LongValue, MemoryKeepsItsBytesAsItGrows) {
    GrowingMemory memory;
    size_t used = 0;
    const auto byteAt = [](size_t i) { return static_cast<char>(i * 7 + i / 4093); };
    for (size_t capacity = 1000; capacity <= (size_t{80} << 20); capacity = capacity * 3 / 2) {
        memory.Grow(used, capacity);
        ASSERT_GE(memory.Capacity(), capacity);
        for (size_t i = used; i < capacity; ++i) memory.Data()[i] = byteAt(i);
        used = capacity;
        for (size_t i = 0; i < used; i += 4093) ASSERT_EQ(memory.Data()[i], byteAt(i)) << "at " << i << " of " << used;
        ASSERT_EQ(memory.Data()[used - 1], byteAt(used - 1));
    }
}

}  // namespace
}  // namespace tabulora
