// The preview of a table: the first rows exactly as the export writes them, the choices of
// records and arrays found on the way, and the scan of every column.
#include "engine/table_preview.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <ostream>
#include <string>
#include <vector>

#include "engine/csv_writer.h"
#include "export_helpers.h"
#include "shape_args.h"
#include "temp_folder.h"

namespace tabulora {
namespace {

// JSON Lines whose texts need quoting or the formula guard, with records under "data" too.
const std::string kLines =
    "{\"data\":[{\"id\":3,\"name\":\"=SUM(A1)\",\"tags\":[\"a;b\"],\"items\":[{\"sku\":\"r,s\",\"qty\":-1}]}]}\n"
    "{\"data\":[{\"id\":-4,\"name\":\"@x\",\"note\":\"say \\\"hi\\\"\\r\\nbye\",\"items\":[{\"sku\":\"+t\"}]}]}\n"
    "{\"data\":[{\"id\":5,\"name\":\"-y\",\"note\":\"'q\",\"tags\":[1,2],\"=total\":9}],\"meta\":{\"page\":2}}\n";

ExportSettings Settings(const ShapeArgs& args, size_t pieceSize = 1 << 20) {
    ExportSettings settings = TestSettings(pieceSize);
    settings.csv = Shaped(args);
    return settings;
}

// The fields joined as CSV fields: quoted as the CSV writer quotes them, joined with the
// separator; `guard` for the header's names (cells hold the guard's apostrophe already).
std::string JoinedFields(const std::vector<std::string>& fields, const std::string& separator, bool guard = false) {
    const CsvFieldWriter writer(separator, guard);
    std::string line;
    for (size_t i = 0; i < fields.size(); ++i) {
        if (i > 0) line += separator;
        writer.AppendField(line, fields[i]);
    }
    return line;
}

// The CSV's row line for a preview row: its cells as fields, then an empty field for each column
// of the CSV that came only after the row was made (the CSV pads its rows to its final header;
// with no separator there is nothing to pad with).
std::string RowLine(const std::vector<std::string>& row, const std::string& separator, size_t csvColumns) {
    std::string line = JoinedFields(row, separator);
    for (size_t i = row.size(); i < csvColumns; ++i) line += separator;
    return line + "\r\n";
}

// What the export writes for the same inputs and settings.
struct Export {
    std::string csv;
    ExportSummary summary;
};
Export ExportOf(const std::vector<ExportInput>& inputs, const ExportSettings& settings) {
    Export result;
    StringSink sink;
    result.summary = ExportToOneCsv(inputs, sink, settings);
    result.csv = std::move(sink.text);
    return result;
}

// The preview's header is the start of the CSV's header line (all of it once the preview is
// complete), and its rows, as row lines, are the first row lines of the CSV, byte for byte.
void ExpectAgreement(const TablePreview& preview, const Export& exported, const ExportSettings& settings) {
    const std::string& separator = settings.csv.separator;
    // The preview is UTF-8; an ANSI CSV is the same text converted.
    const auto encoded = [&settings](const std::string& utf8) {
        return settings.encoding == TextEncoding::Ansi ? settings.ansi->FromUtf8(utf8) : utf8;
    };
    const std::string& csv = exported.csv;
    size_t at = 0;
    if (settings.csv.includeHeader) {
        const std::string header = encoded(JoinedFields(preview.header, separator, settings.csv.formulaGuard));
        ASSERT_EQ(csv.compare(0, header.size(), header), 0) << "header " << header << "\nCSV:\n" << csv;
        at = csv.find("\r\n", header.size());
        ASSERT_NE(at, std::string::npos);
        if (preview.complete) {
            EXPECT_EQ(at, header.size()) << "a complete preview has every column";
        }
        at += 2;
    }
    std::string rows;
    for (const auto& row : preview.rows) rows += RowLine(row, separator, exported.summary.columns);
    rows = encoded(rows);
    EXPECT_EQ(csv.substr(at, rows.size()), rows) << "CSV:\n" << csv;
    if (preview.complete) {
        EXPECT_EQ(at + rows.size(), csv.size()) << "a complete preview has every row";
        EXPECT_EQ(preview.rows.size(), exported.summary.rows);
    }
}

struct AgreementCase {
    const char* name;
    ShapeArgs args;
};

void PrintTo(const AgreementCase& c, std::ostream* out) { *out << c.name; }

class PreviewAgreement : public ::testing::TestWithParam<AgreementCase> {};

// Each input set in pieces of several sizes, the preview whole and cut short.
TEST_P(PreviewAgreement, RowsAreTheFirstRowLinesOfTheCsv) {
    const std::vector<std::vector<std::string>> inputSets = {{kPage}, {kLines}, {kPage, kLines, kPage}};
    for (const auto& texts : inputSets) {
        for (size_t pieceSize : {size_t{7}, size_t{1} << 20}) {
            const ExportSettings settings = Settings(GetParam().args, pieceSize);
            const std::vector<ExportInput> inputs = MemoryInputs(texts);
            const Export exported = ExportOf(inputs, settings);
            for (size_t maxRows : {size_t{1}, size_t{2}, size_t{1000}}) {
                SCOPED_TRACE("inputs " + std::to_string(texts.size()) + ", pieces of " + std::to_string(pieceSize) +
                             ", " + std::to_string(maxRows) + " rows");
                const TablePreview preview = PreviewTable(inputs, settings, maxRows);
                EXPECT_EQ(preview.complete, exported.summary.rows <= maxRows);
                EXPECT_EQ(preview.rows.size(), std::min<uint64_t>(exported.summary.rows, maxRows));
                ExpectAgreement(preview, exported, settings);
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, PreviewAgreement,
    ::testing::Values(AgreementCase{"Default", {}}, AgreementCase{"Flattened", {.flatten = true}},
                      AgreementCase{"RecordsUnderData", {.records = "data"}},
                      AgreementCase{"ItemsExploded", {.records = "data", .explode = {"items"}}},
                      AgreementCase{"TagsAndItemsExploded", {.records = "data", .explode = {"tags", "items"}}},
                      AgreementCase{"Joined", {.records = "data", .join = "/"}},
                      AgreementCase{"JoinedWithoutRecords", {.join = "/"}},
                      AgreementCase{"ColumnsChosenAndRenamed",
                                    {.records = "data",
                                     .explode = {"items"},
                                     .columns = {"id", "items.sku", "name", "email"},
                                     .renames = {{"items.sku", "sku"}}}},
                      AgreementCase{"RenamedOnly", {.records = "data", .renames = {{"name", "who"}}}},
                      AgreementCase{"FormulaGuard", {.records = "data", .explode = {"items"}, .formulaGuard = true}},
                      AgreementCase{"FormulaGuardWithApostropheSeparator",
                                    {.records = "data", .formulaGuard = true, .separator = "'"}},
                      AgreementCase{"Semicolon", {.records = "data", .join = ";", .separator = ";"}},
                      AgreementCase{"NoSeparator", {.records = "data", .separator = ""}},
                      AgreementCase{"NoHeader", {.records = "data", .explode = {"items"}, .header = false}}),
    [](const auto& info) { return std::string(info.param.name); });

// Inputs read as ANSI, the CSV written in ANSI: the preview holds the same text in UTF-8.
TEST(TablePreview, AnsiCsvIsTheSameRowsConverted) {
    const std::vector<std::string> texts = {"{\"caf\xE9\":\"\x80 5\",\"b\":\"x\xA7y\"}\n{\"b\":\"\xA7\"}\n"};
    ExportSettings settings = Settings({});
    settings.encoding = TextEncoding::Ansi;
    settings.csv.separator = "\xC2\xA7";  // the section sign, one byte in Windows-1252
    const TablePreview preview = PreviewTable(MemoryInputs(texts), settings, 1000);
    EXPECT_EQ(preview.header, (std::vector<std::string>{"caf\xC3\xA9", "b"}));
    ASSERT_EQ(preview.rows.size(), 2u);
    EXPECT_EQ(preview.rows[0], (std::vector<std::string>{"\xE2\x82\xAC 5", "x\xC2\xA7y"}));
    ExpectAgreement(preview, ExportOf(MemoryInputs(texts), settings), settings);
}

TEST(TablePreview, HeaderAndColumnNamesAreThoseOfTheTable) {
    ExportSettings settings = Settings({.records = "data", .renames = {{"name", "who"}}});
    const TablePreview preview = PreviewTable(MemoryInputs({kPage}), settings, 10);
    EXPECT_EQ(preview.header, (std::vector<std::string>{"id", "who", "note"}));
    EXPECT_EQ(preview.columnNames, (std::vector<std::string>{"id", "name", "note"}));
    EXPECT_EQ(preview.rows, (std::vector<std::vector<std::string>>{{"1", "Ann"}, {"2", "Bob", "late"}}));
    EXPECT_TRUE(preview.complete);
}

std::vector<std::pair<std::string, uint64_t>> Choices(const TablePreview& preview) {
    std::vector<std::pair<std::string, uint64_t>> choices;
    for (const RecordsChoice& choice : preview.records) choices.emplace_back(JsonPathText(choice.path), choice.objects);
    return choices;
}

std::vector<std::string> Arrays(const TablePreview& preview) {
    std::vector<std::string> arrays;
    for (const JsonPath& path : preview.arrays) arrays.push_back(JsonPathText(path));
    return arrays;
}

struct ChoicesCase {
    const char* name;
    std::vector<std::string> texts;
    std::string records;  // "" for the default reading
    std::vector<std::pair<std::string, uint64_t>> choices;
    std::vector<std::string> arrays;
};

void PrintTo(const ChoicesCase& c, std::ostream* out) { *out << c.name; }

class PreviewChoices : public ::testing::TestWithParam<ChoicesCase> {};

TEST_P(PreviewChoices, ListsTheArraysOfObjectsAndTheArraysInTheRecords) {
    const ChoicesCase& c = GetParam();
    for (size_t pieceSize : {size_t{3}, size_t{1} << 20}) {
        const TablePreview preview = PreviewTable(MemoryInputs(c.texts), Settings({.records = c.records}, pieceSize),
                                                  1000);
        EXPECT_EQ(Choices(preview), c.choices) << "pieces of " << pieceSize;
        EXPECT_EQ(Arrays(preview), c.arrays) << "pieces of " << pieceSize;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PreviewChoices,
    ::testing::Values(
        ChoicesCase{
            "PageByDefault", {kPage}, "", {{"data", 2}, {"data.items", 2}}, {"data", "data.tags", "data.items"}},
        ChoicesCase{"PageRecordsUnderData", {kPage}, "data", {{"data", 2}, {"data.items", 2}}, {"tags", "items"}},
        ChoicesCase{"PageRecordsOfItems", {kPage}, "data.items", {{"data", 2}, {"data.items", 2}}, {}},
        ChoicesCase{
            "CountedOverAllInputs", {kPage, kLines}, "data", {{"data", 5}, {"data.items", 4}}, {"tags", "items"}},
        ChoicesCase{"ArraysOfArraysKeepTheirParentsPath",
                    {R"({"d":[[{"x":1},{"x":2}],[{"x":3,"m":[[1],[{"z":[0]}]]}]]})"},
                    "d",
                    {{"d", 3}, {"d.m", 1}},
                    {"m", "m.z"}},
        ChoicesCase{"TopLevelArray",
                    {R"([{"a":[{"b":1}]},{"a":[],"c":{"e":[2]}},5,[{"f":1}]])"},
                    "",
                    {{".", 3}, {"a", 1}},
                    {"a", "c.e"}},
        ChoicesCase{"JsonLinesOfObjects", {"{\"t\":[1]}\n{\"u\":{\"v\":[{}]}}\n"}, "", {{"u.v", 1}}, {"t", "u.v"}},
        ChoicesCase{"ScalarsAndEmptyArraysAreNoChoices", {R"({"a":[1,"x"],"b":[],"c":{}})"}, "", {}, {"a", "b"}},
        ChoicesCase{"NamesWithDots", {R"({"a.b":[{"c.d":[1]}]})"}, "a\\.b", {{"a\\.b", 1}}, {"c\\.d"}}),
    [](const auto& info) { return std::string(info.param.name); });

// JSON Lines of `count` records "{"n":i,"s":"row i"}", with a column "late" from record `lateAt` on.
std::string NumberedLines(size_t count, size_t lateAt = SIZE_MAX) {
    std::string text;
    for (size_t i = 0; i < count; ++i) {
        text += "{\"n\":" + std::to_string(i) + ",\"s\":\"row " + std::to_string(i) + "\"";
        if (i >= lateAt) text += ",\"late\":true";
        text += "}\n";
    }
    return text;
}

TEST(TablePreview, StopsAfterTheRowsAskedFor) {
    const std::string text = NumberedLines(10);
    const std::vector<ExportInput> inputs{ExportInput::Memory("in0", text)};
    const ExportSettings settings = Settings({}, 16);
    struct Case {
        size_t maxRows;
        bool complete;
    };
    for (const Case c : {Case{0, false}, Case{3, false}, Case{9, false}, Case{10, true}, Case{11, true}}) {
        const TablePreview preview = PreviewTable(inputs, settings, c.maxRows);
        EXPECT_EQ(preview.rows.size(), std::min<size_t>(c.maxRows, 10)) << c.maxRows;
        EXPECT_EQ(preview.complete, c.complete) << c.maxRows;
        if (!preview.rows.empty()) {
            EXPECT_EQ(preview.rows.back()[1], "row " + std::to_string(preview.rows.size() - 1));
        }
        ASSERT_EQ(preview.inputs.size(), 1u);
        EXPECT_TRUE(preview.inputs[0].readable);
        EXPECT_TRUE(preview.inputs[0].hasLine);
    }
}

TEST(TablePreview, ReadsOnlyTheBeginningOfABigInput) {
    const std::string text = NumberedLines(200000);  // about 6 MB
    ExportControl control;
    uint64_t mostBytesDone = 0;
    control.onProgress = [&](const ExportProgress& p) { mostBytesDone = std::max(mostBytesDone, p.bytesDone); };
    const TablePreview preview = PreviewTable(MemoryInputs({text}), Settings({}), 1000, &control);
    ASSERT_EQ(preview.rows.size(), 1000u);
    EXPECT_FALSE(preview.complete);
    EXPECT_EQ(preview.rows[999], (std::vector<std::string>{"999", "row 999"}));
    EXPECT_LT(preview.bytesRead, 1u << 20) << "of " << text.size();
    EXPECT_GT(preview.bytesRead, 0u);
    EXPECT_EQ(mostBytesDone, preview.bytesRead);
    ASSERT_EQ(preview.inputs.size(), 1u);
    EXPECT_TRUE(preview.inputs[0].readable);
    EXPECT_FALSE(preview.inputs[0].stop.has_value());
}

TEST(TablePreview, LaterInputsAreNotOpenedOnceTheRowsAreThere) {
    const std::string first = NumberedLines(50);
    const std::vector<ExportInput> inputs{ExportInput::Memory("a.jsonl", first),
                                          ExportInput::File("/no/such/folder/b.json")};
    const TablePreview preview = PreviewTable(inputs, Settings({}), 20);
    EXPECT_EQ(preview.rows.size(), 20u);
    ASSERT_EQ(preview.inputs.size(), 1u);
    EXPECT_EQ(preview.inputs[0].name, "a.jsonl");
}

TEST(TablePreview, UnreadableInputsAddNothingAndAreReported) {
    // The second input's text turns out not to be UTF-8 after its first records.
    const std::vector<std::string> texts = {NumberedLines(2), "[{\"n\":7},{\"n\":8,\"t\":[1]}]\n\xff\xfe\n",
                                            NumberedLines(1)};
    std::vector<ExportInput> inputs = MemoryInputs(texts);
    inputs.insert(inputs.begin(), ExportInput::File("/no/such/folder/missing.json"));
    const ExportSettings settings = Settings({}, 4);
    const TablePreview preview = PreviewTable(inputs, settings, 100);
    ASSERT_EQ(preview.inputs.size(), 4u);
    EXPECT_FALSE(preview.inputs[0].readable);
    EXPECT_FALSE(preview.inputs[0].error.empty());
    EXPECT_TRUE(preview.inputs[1].readable);
    EXPECT_FALSE(preview.inputs[2].readable);
    EXPECT_TRUE(preview.inputs[3].readable);
    EXPECT_EQ(preview.rows, (std::vector<std::vector<std::string>>{{"0", "row 0"}, {"1", "row 1"}, {"0", "row 0"}}));
    EXPECT_TRUE(preview.complete);
    EXPECT_TRUE(preview.records.empty()) << "nothing of the input taken out";
    EXPECT_TRUE(preview.arrays.empty()) << "nothing of the input taken out";
    const Export exported = ExportOf(inputs, settings);
    ExpectAgreement(preview, exported, settings);
    ASSERT_EQ(exported.summary.inputs.size(), 4u);
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(preview.inputs[i].readable, exported.summary.inputs[i].readable) << i;
        EXPECT_EQ(preview.inputs[i].error, exported.summary.inputs[i].error) << i;
    }
}

TEST(TablePreview, ReadingStopsAndWarningsAreThoseOfTheExport) {
    const std::vector<std::string> texts = {kPage, "{\"a\":1}\n{\"a\":2,,\"b\":3}\n{\"a\":4}\n"};
    const ExportSettings settings = Settings({});
    const TablePreview preview = PreviewTable(MemoryInputs(texts), settings, 1000);
    const Export exported = ExportOf(MemoryInputs(texts), settings);
    ExpectAgreement(preview, exported, settings);
    ASSERT_EQ(preview.inputs.size(), 2u);
    ASSERT_TRUE(preview.inputs[1].stop.has_value());
    EXPECT_EQ(ReadingStoppedMessage("in1", *preview.inputs[1].stop),
              ReadingStoppedMessage("in1", *exported.summary.inputs[1].stop));
    EXPECT_EQ(preview.inputs[1].stop->line, 2u);
    EXPECT_EQ(preview.warnings, (std::vector<std::string>{
                                    "in0: 2 records under \"data\" were not converted; --records data converts them"}));
}

TEST(TablePreview, BadLinesSkippedAsTheExportSkipsThem) {
    const std::vector<std::string> texts = {"{\"a\":1,\"t\":[{\"u\":1}]}\n{\"a\":2,,}\n{\"a\":3}\n[{\"t\":[{}]}]\n"};
    ExportSettings settings = Settings({}, 5);
    settings.skipBadLines = true;
    const TablePreview preview = PreviewTable(MemoryInputs(texts), settings, 1000);
    ExpectAgreement(preview, ExportOf(MemoryInputs(texts), settings), settings);
    EXPECT_EQ(preview.rows, (std::vector<std::vector<std::string>>{{"1"}, {"3"}}));
    EXPECT_EQ(preview.warnings, (std::vector<std::string>{"in0: 1 bad line skipped (line 2)"}));
    ASSERT_EQ(preview.inputs.size(), 1u);
    EXPECT_EQ(preview.inputs[0].skipped.count, 1u);
    EXPECT_EQ(Choices(preview), (std::vector<std::pair<std::string, uint64_t>>{{"t", 2}, {".", 1}}));
}

TEST(TablePreview, LeftOutRecordsNameTheChoiceThatTakesThem) {
    auto leftOut = [](const TablePreview& preview) {
        std::vector<std::pair<std::string, uint64_t>> list;
        for (const RecordsChoice& choice : preview.leftOut)
            list.emplace_back(JsonPathText(choice.path), choice.objects);
        return list;
    };
    const std::string nested = R"({"a":{},"r":[{"x":1}],"b":{"c":[{"y":1}]}})";
    // The record depth comes from the first input: the page's top-level members.
    EXPECT_EQ(leftOut(PreviewTable(MemoryInputs({kPage, nested, kPage}), Settings({}), 1000)),
              (std::vector<std::pair<std::string, uint64_t>>{{"data", 4}, {"r", 1}}));
    EXPECT_TRUE(PreviewTable(MemoryInputs({kPage}), Settings({.records = "data"}), 1000).leftOut.empty());
    // An input taken back out leaves out nothing and offers no choices.
    const TablePreview takenBack = PreviewTable(MemoryInputs({kPage, kPage + "\xff"}), Settings({}), 1000);
    EXPECT_EQ(leftOut(takenBack), (std::vector<std::pair<std::string, uint64_t>>{{"data", 2}}));
    EXPECT_EQ(Choices(takenBack), (std::vector<std::pair<std::string, uint64_t>>{{"data", 2}, {"data.items", 2}}));
}

TEST(TablePreview, ReadingStopInThePartRead) {
    std::string text = "{\"a\":1}\n{\"a\":2,,}\n" + NumberedLines(100000);
    const TablePreview preview = PreviewTable(MemoryInputs({text}), Settings({}), 1);
    ASSERT_EQ(preview.inputs.size(), 1u);
    ASSERT_TRUE(preview.inputs[0].stop.has_value());
    EXPECT_EQ(preview.inputs[0].stop->line, 2u);
    EXPECT_EQ(preview.rows.size(), 1u);
}

TEST(TablePreview, WarnsAboutChosenColumnsNotSeen) {
    const TablePreview preview = PreviewTable(MemoryInputs({kPage}),
                                              Settings({.records = "data", .columns = {"id", "email"}}), 1000);
    EXPECT_EQ(preview.header, (std::vector<std::string>{"id", "email"}));
    EXPECT_EQ(preview.warnings, (std::vector<std::string>{"the column \"email\" never appears; it is written empty"}));
}

TEST(TablePreview, Cancelled) {
    const std::string text = NumberedLines(100000);
    {
        ExportControl control;
        control.Cancel();
        const TablePreview preview = PreviewTable(MemoryInputs({text}), Settings({}), 1000, &control);
        EXPECT_TRUE(preview.cancelled);
        EXPECT_FALSE(preview.complete);
        EXPECT_TRUE(preview.rows.empty());
    }
    {
        ExportControl control;
        control.onProgress = [&](const ExportProgress& p) {
            if (p.bytesDone > 0) control.Cancel();
        };
        const TablePreview preview = PreviewTable(MemoryInputs({text}), Settings({}, 64), 1000, &control);
        EXPECT_TRUE(preview.cancelled);
        EXPECT_FALSE(preview.complete);
        EXPECT_LT(preview.rows.size(), 1000u);
    }
    {
        // A page whose records the default reading leaves out makes one row: the reading goes
        // on to the end unless cancelled, and what it found so far is kept.
        std::string page = "{\"meta\":{\"page\":1},\"data\":[";
        for (int i = 0; i < 20000; ++i) page += "{\"id\":" + std::to_string(i) + "},";
        page += "{}]}";
        ExportControl control;
        control.onProgress = [&](const ExportProgress& p) {
            if (p.bytesDone > 1000) control.Cancel();
        };
        const TablePreview preview = PreviewTable(MemoryInputs({page}), Settings({}, 1024), 1000, &control);
        EXPECT_TRUE(preview.cancelled);
        EXPECT_EQ(preview.rows, (std::vector<std::vector<std::string>>{{"1"}}));
        EXPECT_LT(preview.bytesRead, page.size());
        ASSERT_EQ(preview.inputs.size(), 1u);
        EXPECT_TRUE(preview.inputs[0].hasLine);
        ASSERT_EQ(preview.leftOut.size(), 1u);
        EXPECT_EQ(JsonPathText(preview.leftOut[0].path), "data");
        EXPECT_GT(preview.leftOut[0].objects, 10u);
        EXPECT_EQ(preview.warnings.size(), 1u);
        ASSERT_FALSE(preview.records.empty());
        EXPECT_EQ(preview.records[0].objects, preview.leftOut[0].objects);
    }
}

TEST(TablePreview, StopsAtItsLimitOfTextWhenTheRowsComeLate) {
    std::string page = "{\"meta\":{\"page\":1},\"data\":[";
    for (int i = 0; i < 20000; ++i) page += "{\"id\":" + std::to_string(i) + "},";
    page += "{}]}";
    const TablePreview cut = PreviewTable(MemoryInputs({page}), Settings({}, 1024), 1000, nullptr, 16 * 1024);
    EXPECT_TRUE(cut.textLimitReached);
    EXPECT_FALSE(cut.complete);
    EXPECT_FALSE(cut.cancelled);
    EXPECT_EQ(cut.rows, (std::vector<std::vector<std::string>>{{"1"}}));
    EXPECT_GE(cut.bytesRead, 16u * 1024);
    EXPECT_LT(cut.bytesRead, 18u * 1024);
    ASSERT_EQ(cut.records.size(), 1u);
    EXPECT_GT(cut.records[0].objects, 100u);
    EXPECT_LT(cut.records[0].objects, 20001u);

    // Within the limit the whole input is read; choosing the records gives rows at once.
    const TablePreview whole = PreviewTable(MemoryInputs({page}), Settings({}, 1024), 1000, nullptr, page.size() + 1);
    EXPECT_FALSE(whole.textLimitReached);
    EXPECT_TRUE(whole.complete);
    const TablePreview records = PreviewTable(MemoryInputs({page}), Settings({"data"}, 1024), 1000, nullptr, 16 * 1024);
    EXPECT_FALSE(records.textLimitReached);
    EXPECT_EQ(records.rows.size(), 1000u);
}

TEST(TablePreview, EmptyInputsGiveNoRows) {
    const TablePreview preview = PreviewTable(MemoryInputs({"", "  \n"}), Settings({}), 1000);
    EXPECT_TRUE(preview.complete);
    const Export exported = ExportOf(MemoryInputs({"", "  \n"}), Settings({}));
    ExpectAgreement(preview, exported, Settings({}));
}

TEST(FindAllColumns, FindsTheColumnsBeyondThePreview) {
    const std::string text = NumberedLines(5000, 4000);
    const std::vector<ExportInput> inputs{ExportInput::Memory("in0", text)};
    ExportSettings settings = Settings({}, 4096);
    settings.rejectsPath = "/no/such/folder/rejects.jsonl";  // never written
    const TablePreview preview = PreviewTable(inputs, settings, 100);
    EXPECT_EQ(preview.header, (std::vector<std::string>{"n", "s"}));

    uint64_t progressCalls = 0;
    ExportControl control;
    control.onProgress = [&](const ExportProgress&) { ++progressCalls; };
    const ColumnScan scan = FindAllColumns(inputs, settings, &control);
    EXPECT_FALSE(scan.cancelled);
    EXPECT_GT(progressCalls, 0u);
    ASSERT_EQ(scan.columns.size(), 3u);
    EXPECT_EQ(scan.columns[0].first, "n");
    EXPECT_EQ(scan.columns[2].first, "late");
    EXPECT_EQ(scan.columns[2].second.filled, 1000u);
    EXPECT_EQ(scan.columns[2].second.kinds, 1u << static_cast<unsigned>(CellKind::Boolean));
    EXPECT_EQ(scan.columns[0].second.filled, 5000u);
    ASSERT_EQ(scan.inputs.size(), 1u);
    EXPECT_TRUE(scan.inputs[0].readable);

    ExportControl cancelled;
    cancelled.Cancel();
    EXPECT_TRUE(FindAllColumns(inputs, settings, &cancelled).cancelled);
}

TEST(FindAllColumns, RenamedAndChosenColumnsInTheOrderWritten) {
    const ColumnScan scan =
        FindAllColumns(MemoryInputs({kPage}),
                       Settings({.records = "data", .columns = {"note", "id", "email"}, .renames = {{"id", "ID"}}}));
    ASSERT_EQ(scan.columns.size(), 3u);
    EXPECT_EQ(scan.columns[0].first, "note");
    EXPECT_EQ(scan.columns[0].second.filled, 1u);
    EXPECT_EQ(scan.columns[1].first, "ID");
    EXPECT_EQ(scan.columns[1].second.filled, 2u);
    EXPECT_EQ(scan.columns[2].first, "email");
    EXPECT_EQ(scan.columns[2].second.filled, 0u);
    EXPECT_EQ(scan.warnings, (std::vector<std::string>{"the column \"email\" never appears; it is written empty"}));
}

// About 110 MB of JSON Lines in a file: the first screen of its preview, and the same rows in the
// export. Disabled in the ordinary run (it writes and converts the whole file); the test
// engine_preview_large runs it.
TEST(LargeInputPreview, DISABLED_FirstScreenOfAHundredAndTenMegabyteFile) {
    TempFolder folder;
    const std::string path = folder / "big.jsonl";
    {
        std::FILE* file = std::fopen(path.c_str(), "wb");
        ASSERT_NE(file, nullptr);
        std::string line;
        uint64_t written = 0;
        for (uint64_t i = 0; written < 110u << 20; ++i) {
            line = "{\"id\":" + std::to_string(i) + ",\"name\":\"customer " + std::to_string(i * 7919 % 100000) +
                   "\",\"city\":\"Oslo, \\\"Norway\\\"\",\"balance\":" + std::to_string(i % 1000) +
                   ".25,\"tags\":[\"a\",\"b\"],\"active\":" + (i % 3 ? "true" : "false") + "}\n";
            std::fwrite(line.data(), 1, line.size(), file);
            written += line.size();
        }
        std::fclose(file);
    }
    ExportSettings settings = TestSettings();
    settings.readAhead = true;
    const std::vector<ExportInput> inputs{ExportInput::File(path)};
    const auto started = std::chrono::steady_clock::now();
    const TablePreview preview = PreviewTable(inputs, settings, 1000);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::printf("first screen of a %.0f MB file: %.3f s, %llu bytes read\n",
                static_cast<double>(std::filesystem::file_size(path)) / 1e6, seconds,
                static_cast<unsigned long long>(preview.bytesRead));
    ASSERT_EQ(preview.rows.size(), 1000u);
    EXPECT_FALSE(preview.complete);
    const Export exported = ExportOf(inputs, settings);
    ExpectAgreement(preview, exported, settings);
}

}  // namespace
}  // namespace tabulora
