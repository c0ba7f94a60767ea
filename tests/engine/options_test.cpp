// The CSV options beyond header and separator: flattening nested values, the UTF-8 byte-order
// mark and the guard against formulas.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/conversion.h"
#include "engine/csv_export.h"
#include "engine/csv_writer.h"
#include "export_helpers.h"
#include "temp_folder.h"
#include "whole_text.h"

namespace tabulora {
namespace {

CsvOptions Flattening(std::string separator = ",") {
    CsvOptions options;
    options.separator = std::move(separator);
    options.flattenNested = true;
    return options;
}

struct FlattenCase {
    const char* name;
    std::vector<std::string> texts;  // one input each
    std::string csv;                 // header on, separator ","
};

class FlattenTest : public ::testing::TestWithParam<FlattenCase> {};

TEST_P(FlattenTest, NestedValuesBecomeCells) { ExpectCsv(GetParam().texts, Flattening(), GetParam().csv); }

INSTANTIATE_TEST_SUITE_P(
    Cases, FlattenTest,
    ::testing::Values(
        FlattenCase{
            "ObjectMembersByPathArraysAsJson",
            {R"([{"id":1,"user":{"name":"x","age":3},"tags":["a","b"]},{"id":2,"user":{"name":"y"},"tags":[]}])"},
            "id,user.name,user.age,tags\r\n1,x,3,\"[\"\"a\"\",\"\"b\"\"]\"\r\n2,y,,[]\r\n"},
        FlattenCase{
            "WrapperObjectIsSeenThrough", {R"({"data":[{"x":1,"p":{"q":2}},{"x":3}]})"}, "x,p.q\r\n1,2\r\n3,\r\n"},
        FlattenCase{"FirstMemberIsAnObject",
                    {R"([{"user":{"name":"x"},"id":1},{"user":{"name":"y"},"id":2}])"},
                    "user.name,id\r\nx,1\r\ny,2\r\n"},
        FlattenCase{"FirstMemberIsAnArray",
                    {R"([{"tags":["a"],"id":1},{"tags":["b"],"id":2}])"},
                    "tags,id\r\n\"[\"\"a\"\"]\",1\r\n\"[\"\"b\"\"]\",2\r\n"},
        FlattenCase{"ArrayOfObjectsIsOneCell",
                    {R"([{"id":1,"items":[{"k":1},{"k":2}]}])"},
                    "id,items\r\n1,\"[{\"\"k\"\":1},{\"\"k\"\":2}]\"\r\n"},
        FlattenCase{"DeepNesting", {R"({"a":{"b":{"c":{"d":{"e":1}}},"f":2},"g":3})"}, "a.b.c.d.e,a.f,g\r\n1,2,3\r\n"},
        FlattenCase{"NamesHoldingDots", {R"([{"a.b":{"c":1},"x":{"y.z":2}}])"}, "a.b.c,x.y.z\r\n1,2\r\n"},
        // A dotted name and a path that spell the same column are one column, as a repeated
        // name is: when the first column recurs, a new row begins.
        FlattenCase{"DottedNameAndPathSpellingTheSameColumn", {R"({"a.b":1,"a":{"b":2}})"}, "a.b\r\n1\r\n2\r\n"},
        FlattenCase{
            "NestedNamesAreDecodedLikeOtherNames", {R"({"u":{"n\u00e9\"":1}})"}, "\"u.n\xC3\xA9\"\"\"\r\n1\r\n"},
        FlattenCase{"ArraysOfArrays", {R"([{"m":[[1,2],[],[3,[4]]]}])"}, "m\r\n\"[[1,2],[],[3,[4]]]\"\r\n"},
        FlattenCase{"ArrayTextAsWritten",
                    {R"({"id":0,"a":[1.50,-0e+3,1E5,"\u00e9\"x\n\/",true,null,{"\u00e9":{}}]})"},
                    "id,a\r\n0,\"[1.50,-0e+3,1E5,\"\"\\u00e9\\\"\"x\\n\\/\"\",true,null,{\"\"\\u00e9\"\":{}}]\"\r\n"},
        FlattenCase{"BlanksBetweenTokensAreDropped",
                    {"{\"id\":0,\"a\": [ 1 ,\n { \"b\" : \"x y\" } , [ ] , { } ]\n}"},
                    "id,a\r\n0,\"[1,{\"\"b\"\":\"\"x y\"\"},[],{}]\"\r\n"},
        FlattenCase{"NamesInArraysGetDoubleQuotes",
                    {R"({"id":0,"a":[{'q"\\':2,r:3,t = 5}]})"},
                    "id,a\r\n0,\"[{\"\"q\\\"\"\\\\\\\\\"\":2,\"\"r\"\":3,\"\"t\"\":5}]\"\r\n"},
        // A raw line break inside a string (not allowed in JSON) would break the CSV line.
        FlattenCase{"RawLineBreaksInArraysAreEscaped",
                    {"{\"id\":0,\"a\":[\"x\ny\",\"p\\\r\nq\"],\"b\":[{\"c\rd\":1}]}"},
                    "id,a,b\r\n0,\"[\"\"x\\r\\ny\"\",\"\"p\\r\\nq\"\"]\",\"[{\"\"c\\r\\nd\"\":1}]\"\r\n"},
        FlattenCase{"ControlBytesInArrayStringsAsWritten",
                    {"{\"id\":0,\"a\":[\"x\ty\",\"\\\tz\"]}"},
                    "id,a\r\n0,\"[\"\"x\ty\"\",\"\"\\\tz\"\"]\"\r\n"},
        FlattenCase{"ArrayCellsDeeperThanSixtyFourLevels",
                    {"{\"id\":0,\"a\":" + std::string(70, '[') + "1" + std::string(70, ']') + "}"},
                    "id,a\r\n0," + std::string(70, '[') + "1" + std::string(70, ']') + "\r\n"},
        FlattenCase{"JunkIsDroppedAsWhenReadingLines", {R"({"id":0,"a":[1 2,3x]})"}, "id,a\r\n0,\"[1,3]\"\r\n"},
        FlattenCase{"EmptyObjectsGiveBraces", {R"({"a":{},"b":{"c":{}},"d":[]})"}, "a,b.c,d\r\n{},{},[]\r\n"},
        FlattenCase{"StringBraceIsAValue", {R"({"a":"{","b":{"c":"}"}})"}, "a,b.c\r\n{,}\r\n"},
        FlattenCase{"ArraysInNestedObjects", {R"({"u":{"tags":["a"],"n":1}})"}, "u.tags,u.n\r\n\"[\"\"a\"\"]\",1\r\n"},
        // Until a member decides the record depth, arrays wait; an object of arrays that ends
        // first is a record; in a value that stops before, the first array decides.
        FlattenCase{"ObjectOfArraysIsARecord",
                    {R"([{"k":[1]},{"wrap":[{"id":1}]}])"},
                    "k,wrap\r\n[1],\r\n,\"[{\"\"id\"\":1}]\"\r\n"},
        FlattenCase{"WrappedRecordsOfArraysAreSeenThrough",
                    {R"({"a":[1],"data":[{"t":["x"]},{"t":["y"]}]})"},
                    "t\r\n\"[\"\"x\"\"]\"\r\n\"[\"\"y\"\"]\"\r\n"},
        FlattenCase{"StoppedValueOfArrays", {R"({"t":[1],"u":[2)"}, "t\r\n[1]\r\n"},
        FlattenCase{"OnlyArraysInJsonLines",
                    {"{\"tags\":[\"a\"]}\n{\"tags\":[\"b\",\"c\"]}\n"},
                    "tags\r\n\"[\"\"a\"\"]\"\r\n\"[\"\"b\"\",\"\"c\"\"]\"\r\n"},
        FlattenCase{"RecordsOfArraysOnly", {R"([{"t":[1]},{"t":[2,3]}])"}, "t\r\n[1]\r\n\"[2,3]\"\r\n"},
        FlattenCase{"ArraysBeforeTheRecordsAreSeenThrough",
                    {R"({"meta":["v1"],"data":[{"id":1,"tags":["x"]},{"id":2}]})"},
                    "id,tags\r\n1,\"[\"\"x\"\"]\"\r\n2,\r\n"},
        FlattenCase{"RecordOfArraysBeforeTheDecidingRecord",
                    {R"([{"tags":["a"]},{"id":1}])"},
                    "tags,id\r\n\"[\"\"a\"\"]\",\r\n,1\r\n"},
        FlattenCase{"NestedObjectsOutsideRecordsStayOut", {R"([{"a":1},[{"b":{"c":2}}],{"a":3}])"}, "a\r\n1\r\n3\r\n"},
        FlattenCase{"UnfinishedArrayGivesNoCell", {R"([{"a":1,"t":[1,2)"}, "a\r\n1\r\n"},
        FlattenCase{"UnreadableArrayGivesNoCell", {R"([{"a":1,"t":["x" "y"],"b":2}])"}, "a\r\n1\r\n"},
        FlattenCase{"JsonLinesOfDifferentShapes",
                    {"{\"id\":1,\"u\":{\"a\":1}}\n{\"id\":2,\"u\":{\"b\":2},\"t\":[1]}\n{\"id\":3,\"t\":[]}\n"},
                    "id,u.a,u.b,t\r\n1,1,,\r\n2,,2,[1]\r\n3,,,[]\r\n"},
        FlattenCase{"SeveralFilesShareTheColumns",
                    {R"([{"id":1,"u":{"a":1}}])", R"([{"id":2,"u":{"b":[1,2]}}])"},
                    "id,u.a,u.b\r\n1,1,\r\n2,,\"[1,2]\"\r\n"},
        FlattenCase{
            "FileOfArraysOnlyThenAnother", {R"({"t":[1]})", R"({"id":2,"t":[2]})"}, "t,id\r\n[1],\r\n[2],2\r\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Flatten, SeparatorsInsideFlattenedValuesAreQuoted) {
    const std::string json = R"({"t":["a;b","c"],"n":[1,2],"o":{"p":"x;y"}})";
    ExpectCsv({json}, Flattening(";"), "t;n;o.p\r\n\"[\"\"a;b\"\",\"\"c\"\"]\";[1,2];\"x;y\"\r\n");
    ExpectCsv({json}, Flattening("\t"), "t\tn\to.p\r\n\"[\"\"a;b\"\",\"\"c\"\"]\"\t[1,2]\tx;y\r\n");
}

TEST(Flatten, ObjectsNestedHundredsOfLevelsDeep) {
    std::string json, name;
    for (int level = 0; level < 300; ++level) {
        json += "{\"n\":";
        name += level ? ".n" : "n";
    }
    json += "[1]" + std::string(300, '}');
    ExpectCsv({json}, Flattening(), name + "\r\n[1]\r\n");
}

// Arrays are read whole only where they are cells: the deep levels of one still end the reading
// where the nesting limit lies, and a long array streams through as any value.
TEST(Flatten, DeepAndLongArrays) {
    const std::string deep = "{\"a\":1,\"b\":" + std::string(kMaxNestingDepth + 10, '[');
    ExportSettings settings = TestSettings(1000);
    settings.csv = Flattening();
    ExportSummary summary;
    EXPECT_EQ(StreamedCsv({deep}, settings, &summary), "a\r\n1\r\n");
    ASSERT_TRUE(summary.inputs[0].stop);
    EXPECT_EQ(summary.inputs[0].stop->reason, StopReason::NestingTooDeep);

    std::string written, compact;
    for (int i = 0; i < 50000; ++i) {
        written += (i ? " ,\n " : "") + std::to_string(i);
        compact += (i ? "," : "") + std::to_string(i);
    }
    EXPECT_EQ(StreamedCsv({"{\"id\":1,\"v\":[" + written + "]}"}, settings), "id,v\r\n1,\"[" + compact + "]\"\r\n");
}

TEST(Flatten, WithoutItNothingChanges) {
    CsvOptions options;
    ExpectCsv({R"([{"id":1,"user":{"name":"x"},"tags":["a"],"e":{},"s":"{"}])"}, options, "id\r\n1\r\n");
}

// Cells and column names that a spreadsheet would run as formulas.
struct GuardCase {
    const char* name;
    std::string json;
    std::string separator;
    std::string csv;
};

class FormulaGuardTest : public ::testing::TestWithParam<GuardCase> {};

TEST_P(FormulaGuardTest, FormulasGetAnApostrophe) {
    CsvOptions options;
    options.separator = GetParam().separator;
    options.formulaGuard = true;
    ExpectCsv({GetParam().json}, options, GetParam().csv);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FormulaGuardTest,
    ::testing::Values(GuardCase{"Cells", R"j([{"a":"=1+2","b":-5,"c":"-x","d":"@SUM(A1)"}])j", ",",
                                "a,b,c,d\r\n'=1+2,-5,'-x,'@SUM(A1)\r\n"},
                      GuardCase{"ColumnNamesAndEveryLeadingCharacter",
                                "{\"=h\":1,\"+k\":\"+1\",\"-1\":\"-1e5\",\"@\":\"-\",\"t\":\"\tx\",\"ok\":\"a=b\"}",
                                ",", "'=h,'+k,-1,'@,t,ok\r\n1,'+1,-1e5,'-,'\tx,a=b\r\n"},
                      GuardCase{"OnlyWholeJsonNumbersPass",
                                R"({"a":"-0","b":-1.5E+3,"c":"-01","d":"-.5","e":"-1.","f":"-1e","g":"--1","h":"- 1"})",
                                ",", "a,b,c,d,e,f,g,h\r\n-0,-1.5E+3,'-01,'-.5,'-1.,'-1e,'--1,'- 1\r\n"},
                      GuardCase{"QuotingTakesTheApostropheIn", R"({"a":"=\"q\",1","b":"@x"})", ",",
                                "a,b\r\n\"'=\"\"q\"\",1\",'@x\r\n"},
                      GuardCase{"ApostropheAsSeparator", R"({"a":"=x","b":"y"})", "'", "a'b\r\n\"'=x\"'y\r\n"},
                      GuardCase{"EmptySeparator", R"({"a":"=x","b":"+y"})", "", "ab\r\n'=x'+y\r\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FormulaGuard, WithFlatteningPathsAndArrays) {
    CsvOptions options = Flattening();
    options.formulaGuard = true;
    ExpectCsv({R"({"-":{"a":"-x"},"t":["=1"]})"}, options, "'-.a,t\r\n'-x,\"[\"\"=1\"\"]\"\r\n");
}

TEST(FormulaGuard, WithoutItNothingChanges) {
    ExpectCsv({R"j([{"=a":"=1+2","c":"-x","d":"@SUM(A1)"}])j"}, CsvOptions{}, "=a,c,d\r\n=1+2,-x,@SUM(A1)\r\n");
}

TEST(LooksLikeFormula, LeadingCharacters) {
    for (const char* formula : {"=", "+1", "@", "\tx", "\rx", "-", "-x", "-1-2"})
        EXPECT_TRUE(CsvFieldWriter::LooksLikeFormula(formula)) << formula;
    for (const char* plain : {"", "x=1", " =1", "-7", "-0.25", "-2e-9", "1"})
        EXPECT_FALSE(CsvFieldWriter::LooksLikeFormula(plain)) << plain;
}

constexpr std::string_view kBom = "\xEF\xBB\xBF";

// The byte-order mark comes first whatever the target and wherever the rows waited.
TEST(Utf8Bom, BeginsEveryUtf8Csv) {
    std::string json = "[";
    for (int i = 0; i < 300; ++i) json += (i ? "," : "") + std::string("{\"n\":") + std::to_string(i) + "}";
    json += ",{\"n\":1,\"late\":\"\xC3\xA9\"}]";
    for (bool header : {true, false}) {
        for (size_t rowsInMemory : {size_t{64}, size_t{4} << 20}) {
            ExportSettings settings = TestSettings(1 << 20, rowsInMemory);
            settings.csv.includeHeader = header;
            settings.csv.utf8Bom = true;
            const std::string expected = std::string(kBom) + [&] {
                ExportSettings plain = settings;
                plain.csv.utf8Bom = false;
                return StreamedCsv({json}, plain);
            }();
            EXPECT_EQ(StreamedCsv({json}, settings), expected);
            TempFolder folder;
            ExportToOneCsv(MemoryInputs({json}), folder / "one.csv", settings);
            EXPECT_EQ(TempFolder::Read(folder / "one.csv"), expected);
            ExportEachToCsv(MemoryInputs({json, "{\"a\":1}"}), folder / "", settings);
            EXPECT_EQ(TempFolder::Read(folder / "in0.csv"), expected);
            EXPECT_EQ(TempFolder::Read(folder / "in1.csv"), std::string(kBom) + (header ? "a\r\n1\r\n" : "1\r\n"));
        }
    }
}

TEST(Utf8Bom, NeverInAnsi) {
    ExportSettings settings = TestSettings();
    settings.csv.utf8Bom = true;
    settings.encoding = TextEncoding::Ansi;
    EXPECT_EQ(StreamedCsv({"\xEF\xBB\xBF{\"a\":\"\xC3\xA9\"}"}, settings), "a\r\n\xE9\r\n");
}

}  // namespace
}  // namespace tabulora
