// Shaping the table: records named by a path, arrays exploded into rows or joined into one cell,
// columns chosen and renamed.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/conversion.h"
#include "engine/csv_export.h"
#include "export_helpers.h"
#include "shape_args.h"
#include "whole_text.h"

namespace tabulora {
namespace {

struct ShapeCase {
    const char* name;
    std::vector<std::string> texts;  // one input each
    ShapeArgs args;
    std::string csv;  // header on, separator ","
};

class ShapeTest : public ::testing::TestWithParam<ShapeCase> {};

TEST_P(ShapeTest, WritesTheShapedTable) { ExpectCsv(GetParam().texts, Shaped(GetParam().args), GetParam().csv); }

INSTANTIATE_TEST_SUITE_P(
    Page, ShapeTest,
    ::testing::Values(
        ShapeCase{"RecordsUnderData", {kPage}, {"data"}, "id,name,note\r\n1,Ann,\r\n2,Bob,late\r\n"},
        ShapeCase{"RecordsFlattened",
                  {kPage},
                  {"data", {}, "", {}, {}, true},
                  "id,name,tags,items,address.city,note\r\n"
                  "1,Ann,\"[\"\"x\"\",\"\"y\"\"]\",\"[{\"\"sku\"\":\"\"p\"\",\"\"qty\"\":2},{\"\"sku\"\":\"\"q\"\","
                  "\"\"qty\"\":1}]\",Oslo,\r\n"
                  "2,Bob,[],[],,late\r\n"},
        ShapeCase{"OneRowPerItem",
                  {kPage},
                  {"data", {"items"}},
                  "id,name,tags,items.sku,items.qty,address.city,note\r\n"
                  "1,Ann,\"[\"\"x\"\",\"\"y\"\"]\",p,2,Oslo,\r\n1,Ann,\"[\"\"x\"\",\"\"y\"\"]\",q,1,Oslo,\r\n2,Bob,[],,"
                  ",,late\r\n"},
        ShapeCase{"TwoArraysSideBySide",
                  {kPage},
                  {"data", {"tags", "items"}},
                  "id,name,tags,items.sku,items.qty,address.city,note\r\n"
                  "1,Ann,x,p,2,Oslo,\r\n1,Ann,y,q,1,Oslo,\r\n2,Bob,,,,,late\r\n"},
        ShapeCase{
            "JoinedTags",
            {kPage},
            {"data", {}, "/"},
            "id,name,tags,items,address.city,note\r\n"
            "1,Ann,x/y,\"[{\"\"sku\"\":\"\"p\"\",\"\"qty\"\":2},{\"\"sku\"\":\"\"q\"\",\"\"qty\"\":1}]\",Oslo,\r\n"
            "2,Bob,,,,late\r\n"},
        ShapeCase{"ChosenAndRenamedColumns",
                  {kPage},
                  {"data", {"items"}, ";", {"id", "items.sku", "tags", "email"}, {{"items.sku", "sku"}}},
                  "id,sku,tags,email\r\n1,p,x;y,\r\n1,q,x;y,\r\n2,,,\r\n"},
        ShapeCase{"RecordsThroughAnArray", {kPage}, {"data.items"}, "sku,qty\r\np,2\r\nq,1\r\n"},
        ShapeCase{"AnObjectIsOneRecord", {kPage}, {"meta"}, "page,of\r\n1,3\r\n"}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Edges, ShapeTest,
    ::testing::Values(
        ShapeCase{"EscapedDotInAName", {R"({"a.b":[{"x":1}],"a":{"b":[{"x":2}]}})"}, {"a\\.b"}, "x\r\n1\r\n"},
        ShapeCase{
            "PathThroughArraysOfArrays", {R"({"d":[[{"x":1},{"x":2}],[{"x":3}]]})"}, {"d"}, "x\r\n1\r\n2\r\n3\r\n"},
        ShapeCase{"ScalarsAreOneCellRecords", {R"({"d":{"tags":["a","b"]}})"}, {"d.tags"}, "tags\r\na\r\nb\r\n"},
        ShapeCase{"JsonLinesAndSeveralInputs",
                  {"{\"r\":{\"a\":1}}\n{\"r\":{\"a\":2,\"b\":3}}\n", R"({"r":[{"b":4}]})"},
                  {"r"},
                  "a,b\r\n1,\r\n2,3\r\n,4\r\n"},
        ShapeCase{"EveryRecordIsOneRow", {R"({"d":[{"a":1,"b":2,"a":3},{}]})"}, {"d"}, "a,b\r\n3,2\r\n,\r\n"},
        ShapeCase{
            "NestedValuesLeftOutWithoutFlattening", {R"({"d":[{"a":{"b":1},"c":[1],"e":5}]})"}, {"d"}, "e\r\n5\r\n"},
        ShapeCase{"ExplodedArraysOfArrays",
                  {R"({"d":[{"id":1,"m":[[1,2],[]]}]})"},
                  {"d", {"m"}},
                  "id,m\r\n1,\"[1,2]\"\r\n1,[]\r\n"},
        ShapeCase{"ExplodedArraysOfArraysJoined",
                  {R"({"d":[{"id":1,"m":[[1,2],[]]}]})"},
                  {"d", {"m"}, "+"},
                  "id,m\r\n1,1+2\r\n1,\r\n"},
        ShapeCase{"ExplodedArrayMissingFromARecord",
                  {R"({"d":[{"id":1},{"id":2,"t":["a","b"]},{"id":3,"t":"x"}]})"},
                  {"d", {"t"}},
                  "id,t\r\n1,\r\n2,a\r\n2,b\r\n3,x\r\n"},
        ShapeCase{"ExplodedArrayInANestedObject",
                  {R"({"d":[{"o":{"t":[1,2]},"k":0}]})"},
                  {"d", {"o.t"}},
                  "o.t,k\r\n1,0\r\n2,0\r\n"},
        ShapeCase{"JoinWithoutRecords",
                  {R"([{"id":1,"t":["a",2,true,null,"\"q\""],"o":[{"a":1}]}])"},
                  {"", {}, "|"},
                  "id,t,o\r\n1,\"a|2|true|null|\"\"q\"\"\",\"[{\"\"a\"\":1}]\"\r\n"},
        ShapeCase{
            "ColumnsKeepRecordsApart", {R"([{"a":1,"b":2},{"a":3,"b":4}])"}, {"", {}, "", {"b"}}, "b\r\n2\r\n4\r\n"},
        ShapeCase{
            "RenameWithoutChoosingColumns", {R"([{"a":1,"b":2}])"}, {"", {}, "", {}, {{"b", "B"}}}, "a,B\r\n1,2\r\n"},
        ShapeCase{"TopLevelValuesAreRecords",
                  {"[{\"a\":1},{\"a\":2}]\n{\"a\":3}\n7\n"},
                  {"."},
                  "a,value\r\n1,\r\n2,\r\n3,\r\n,7\r\n"},
        ShapeCase{"RecordsPathReachingNothing", {R"({"x":[{"a":1}]})"}, {"data"}, "\r\n\r\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ShapeWarnings, NameWhatIsMissing) {
    ExportSettings settings = TestSettings();
    settings.csv = Shaped({"data", {}, "", {"id", "email"}, {{"nope", "x"}}});
    ExportSummary summary;
    StreamedCsv({kPage, R"({"other":1})"}, settings, &summary);
    ASSERT_EQ(summary.inputs.size(), 2u);
    EXPECT_TRUE(summary.inputs[0].warnings.empty());
    EXPECT_EQ(summary.inputs[1].warnings, std::vector<std::string>{"in1: nothing at the records path \"data\""});
    EXPECT_EQ(summary.warnings, (std::vector<std::string>{"the column \"email\" never appears; it is written empty",
                                                          "the column \"nope\" to rename never appears"}));
}

// The default reading says which arrays of objects outside its records it leaves out, and how
// to take them; the CSV stays as it was.
TEST(ShapeWarnings, RecordsLeftOutByTheDefaultReading) {
    const struct {
        std::string json;
        std::vector<std::string> warnings;
    } cases[] = {
        {kPage, {"in0: 2 records under \"data\" were not converted; --records data converts them"}},
        {R"({"a":{},"r":[{"x":1}],"b":{"c":[{"y":1}]}})",
         {"in0: 1 record under \"b.c\" was not converted; --records b.c converts them"}},
        {R"([{"id":1,"items":[{"a":1}]},{"id":2}])", {}},      // arrays inside the records are theirs
        {R"({"data":[{"x":1},{"x":2}],"meta":{"p":1}})", {}},  // the records are data's objects
        {"{\"m\":{\"p\":1},\"d\":[{\"x\":1}]}\n{\"m\":{\"p\":2},\"d\":[{\"x\":2},{\"x\":3}]}\n",
         {"in0: 3 records under \"d\" were not converted; --records d converts them"}},
    };
    for (const auto& c : cases) {
        ExportSummary summary;
        const std::string csv = StreamedCsv({c.json}, TestSettings(), &summary);
        EXPECT_EQ(csv, ReferenceCsv({c.json})) << c.json;
        ASSERT_EQ(summary.inputs.size(), 1u);
        EXPECT_EQ(summary.inputs[0].warnings, c.warnings) << c.json;
    }
}

TEST(ShapeWarnings, ARenameThatClashesWritesNothing) {
    ExportSettings settings = TestSettings();
    settings.csv = Shaped({"data", {}, "", {}, {{"id", "name"}}});
    ExportSummary summary;
    EXPECT_EQ(StreamedCsv({kPage}, settings, &summary), "");
    EXPECT_EQ(summary.failure, "two columns would both be called \"name\"; nothing was written");
}

// What each written column held: rows where it is not empty (once per row, also when a record
// sets it twice) and the kinds of value, for every table.
TEST(ColumnSummary, CountsRowsAndKinds) {
    using Kinds = std::vector<std::pair<std::string, std::pair<uint64_t, uint8_t>>>;
    auto summary = [](std::vector<std::string> texts, CsvOptions options) {
        options.shape.countColumns = true;
        ExportSettings settings = TestSettings();
        settings.csv = options;
        ExportSummary result;
        StreamedCsv(texts, settings, &result);
        Kinds kinds;
        for (const auto& [name, stats] : result.columnSummary) kinds.push_back({name, {stats.filled, stats.kinds}});
        return kinds;
    };
    constexpr uint8_t kString = 1, kNumber = 2, kBoolean = 4, kNull = 8, kObject = 16, kArray = 32;
    const std::string json = R"([{"a":1,"b":"x","c":true,"d":[]},{"a":"y","b":null,"e":{}}])";
    EXPECT_EQ(
        summary({json}, {}),
        (Kinds{{"a", {2, kString | kNumber}}, {"b", {2, kString | kNull}}, {"c", {1, kBoolean}}, {"d", {1, kArray}}}));
    CsvOptions flat;
    flat.flattenNested = true;
    EXPECT_EQ(summary({json}, flat)[4], (std::pair<std::string, std::pair<uint64_t, uint8_t>>{"e", {1, kObject}}));
    const Kinds shaped = summary({kPage}, Shaped({"data", {"items"}, "", {"id", "items.sku", "x"}, {{"id", "ID"}}}));
    EXPECT_EQ(shaped, (Kinds{{"ID", {3, kNumber}}, {"items.sku", {2, kString}}, {"x", {0, 0}}}));
}

TEST(ShapeErrors, ShapesThatCannotBeUsed) {
    const struct {
        ShapeArgs args;
        std::string error;
    } cases[] = {
        {{"d", {"a", "a.b"}}, "--explode a.b lies inside --explode a"},
        {{"d", {"a", "a"}}, "--explode a is given twice"},
        {{"", {"a"}}, "--explode needs --records: the arrays are exploded inside each record"},
        {{"d", {}, "", {}, {{"a", "x"}, {"a", "y"}}}, "the column a is renamed twice"},
        {{"d", {}, "", {}, {{"a", "x"}, {"b", "x"}}}, "two columns are renamed x"},
    };
    for (const auto& c : cases) EXPECT_EQ(ShapeError(Shaped(c.args).shape), c.error);
    EXPECT_EQ(ShapeError(Shaped({"d", {"a", "b.c"}, ";"}).shape), "");
}

TEST(JsonPaths, EscapesAndErrors) {
    JsonPath path;
    std::string error;
    ASSERT_TRUE(ParseJsonPath("a\\.b.c\\\\", path, error));
    EXPECT_EQ(path, (JsonPath{"a.b", "c\\"}));
    EXPECT_EQ(JsonPathText(path), "a\\.b.c\\\\");
    EXPECT_EQ(PathColumnName(path), "a.b.c\\");
    for (const char* bad : {"", ".a", "a..b", "a.", "a\\b", ".."}) EXPECT_FALSE(ParseJsonPath(bad, path, error)) << bad;
    ASSERT_TRUE(ParseJsonPath(".", path, error));
    EXPECT_TRUE(path.empty());
    EXPECT_EQ(JsonPathText(path), ".");
}

}  // namespace
}  // namespace tabulora
