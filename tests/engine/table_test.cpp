// From JSON text to CSV text: reformatting, the record walk and the CSV lines together.
#include <gtest/gtest.h>

#include <string>

#include "engine/conversion.h"
#include "engine/csv_writer.h"
#include "export_helpers.h"
#include "whole_text.h"

namespace tabulora {
namespace {

CsvOptions Options(std::string separator = ",", bool header = true) {
    CsvOptions options;
    options.separator = std::move(separator);
    options.includeHeader = header;
    return options;
}

std::string Convert(std::string_view json, std::string separator = ",", bool header = true) {
    return ReferenceCsv({std::string(json)}, Options(std::move(separator), header));
}

struct TableCase {
    const char* name;
    std::string json;
    std::string csv;  // header on, separator ","
};

class TableTest : public ::testing::TestWithParam<TableCase> {};

TEST_P(TableTest, ConvertsToCsv) { EXPECT_EQ(Convert(GetParam().json), GetParam().csv); }

// The streaming export reads its input in pieces and keeps only a few rows in memory before they
// go to a temporary file; neither may change a byte.
TEST_P(TableTest, SameCsvStreamedInPiecesOfAnySize) {
    // When no input holds a line, the export writes nothing at all.
    const std::string expected = GetParam().json.empty() ? "" : GetParam().csv;
    for (size_t pieceSize : {1, 2, 3, 5, 8, 64})
        for (size_t rowsInMemory : {size_t{16}, size_t{4} << 20})
            EXPECT_EQ(StreamedCsv({GetParam().json}, TestSettings(pieceSize, rowsInMemory)), expected)
                << "pieces of " << pieceSize << ", rows in memory " << rowsInMemory;
}

INSTANTIATE_TEST_SUITE_P(
    Records, TableTest,
    ::testing::Values(
        TableCase{"ArrayOfRecords", R"([{"a":1,"b":"x"},{"a":2,"b":"y"}])", "a,b\r\n1,x\r\n2,y\r\n"},
        TableCase{"NestedMembersAreDropped", R"({"name":"x","tags":["a","b"],"addr":{"city":"c","zip":"z"}})",
                  "name\r\nx\r\n"},
        TableCase{"WrappedArrayOfRecords", R"({"data":[{"x":1},{"x":2}]})", "x\r\n1\r\n2\r\n"},
        TableCase{"RecordsEndAtTheirClosingBrace", R"([{"a":1},{"a":2,"b":3},{"b":4,"a":5}])",
                  "a,b\r\n1,\r\n2,3\r\n5,4\r\n"},
        TableCase{"RecordWithoutFirstKeyStartsItsOwnRow", R"([{"id":1,"v":"a"},{"v":"b"},{"id":3,"v":"c"}])",
                  "id,v\r\n1,a\r\n,b\r\n3,c\r\n"},
        TableCase{"EmptyStringMakesNoColumn", R"({"id":"","v":1})", "v\r\n1\r\n"},
        TableCase{"ArrayOfArraysHasNoColumns", "[[1,2],[3,4]]", "\r\n\r\n"},
        TableCase{"RepeatedFirstKeyInOneObjectGivesTwoRows", R"({"a":1,"a":2})", "a\r\n1\r\n2\r\n"},
        TableCase{"NamesAreCaseSensitive", R"({"Id":1,"id":2})", "Id,id\r\n1,2\r\n"},
        TableCase{"ValueKeepsItsColons", R"({"t":"12:30:00"})", "t\r\n12:30:00\r\n"},
        TableCase{"NameWithColon", R"({"a:b":1})", "a:b\r\n1\r\n"},
        TableCase{"StringElementWithColonMakesNoColumn", R"({"a":1,"l":["12:30"]})", "a\r\n1\r\n"},
        TableCase{"EscapedQuoteAndBackslashAreDecoded", R"({"v":"say \"hi\" C:\\dir \n"})",
                  "v\r\n\"say \"\"hi\"\" C:\\dir \\n\"\r\n"},
        TableCase{"NameWithQuote", R"({"a\"b":1})", "\"a\"\"b\"\r\n1\r\n"},
        TableCase{"UnicodeEscapesOfPrintableCharactersAreDecoded", R"({"v":"\u00e9\ud83d\ude00\/\u0041"})",
                  "v\r\n\xC3\xA9\xF0\x9F\x98\x80/A\r\n"},
        TableCase{"ControlAndBrokenEscapesStay", R"({"v":"\u0009\ud83d\u12\b\t"})",
                  "v\r\n\\u0009\\ud83d\\u12\\b\\t\r\n"},
        TableCase{"TopLevelScalarsHaveNoColumns", R"(["a","b"])", "\r\n\r\n"},
        TableCase{"TopLevelStringWithColon", R"("12:30")", "\r\n\r\n"}, TableCase{"EmptyText", "", "\r\n\r\n"},
        TableCase{"FirstMemberWithEmptyStringDoesNotStartARow", R"([{"a":"","b":1},{"a":"","b":2}])",
                  "b\r\n1\r\n2\r\n"},
        TableCase{"LiteralsAndEmptyArrayAreKept", R"({"n":null,"t":true,"e":[],"f":-0.5})",
                  "n,t,e,f\r\nnull,true,[],-0.5\r\n"},
        TableCase{"LaterColumnsPadEarlierRows", R"([{"a":1},{"a":2,"b":2},{"a":3,"b":3,"c":3}])",
                  "a,b,c\r\n1,,\r\n2,2,\r\n3,3,3\r\n"},
        TableCase{"OnlyLastColumnSet", R"([{"a":1,"b":1,"c":1},{"c":2}])", "a,b,c\r\n1,1,1\r\n,,2\r\n"},
        TableCase{"JsonLines", "{\"a\":1}\n{\"a\":2,\"b\":3}\n", "a,b\r\n1,\r\n2,3\r\n"},
        TableCase{"TruncatedRecordKeepsItsCells", R"([{"a":1,"b":2},{"a":3,"b)", "a,b\r\n1,2\r\n3,\r\n"},
        TableCase{"StringValueWithRawLineBreak", "[{\"a\":\"x\ny\",\"b\":1}]", "a,b\r\n\"\"\"x\",1\r\n"},
        // A file is read as its lines, each followed by CR LF.
        TableCase{"MemberWhoseColonEndsTheFileGetsNull", R"({"a":1,"b":)", "a,b\r\n1,null\r\n"},
        TableCase{"LineBreaksInNamesReadAsCrLf", "{\"x\ny\":1,\"p\rq\":2}", "x\\r\\ny,p\\r\\nq\r\n1,2\r\n"},
        // Every top-level value is read; a number or literal among records adds no cell.
        TableCase{"TopLevelScalarsBetweenRecords", "{\"a\":1}\nnull\n1\ntrue\n\"s\"\n{\"a\":3}\n", "a\r\n1\r\n3\r\n"},
        // The CSV is always valid UTF-8: a lone lead byte taken as separator becomes U+FFFD.
        TableCase{"LeadByteAfterStringBecomesReplacementCharacter", "{\"a\":\"x\"\xC3\xA9}",
                  "a\r\n\"\"\"x\"\"\xEF\xBF\xBD\"\r\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CsvSeparators, QuotingFollowsTheSeparator) {
    const std::string json = R"({"a":"x;y","b":"p q","c":"say \"hi\", ok","d":"C:\\dir"})";
    EXPECT_EQ(Convert(json, ";"), "a;b;c;d\r\n\"x;y\";p q;\"say \"\"hi\"\", ok\";C:\\dir\r\n");
    EXPECT_EQ(Convert(json, " "), "a b c d\r\nx;y \"p q\" \"say \"\"hi\"\", ok\" C:\\dir\r\n");
    EXPECT_EQ(Convert(json, "\t"), "a\tb\tc\td\r\nx;y\tp q\t\"say \"\"hi\"\", ok\"\tC:\\dir\r\n");
    EXPECT_EQ(Convert(json, ""), "abcd\r\nx;yp q\"say \"\"hi\"\", ok\"C:\\dir\r\n");
    EXPECT_EQ(Convert(json, ","), "a,b,c,d\r\nx;y,p q,\"say \"\"hi\"\", ok\",C:\\dir\r\n");
}

TEST(CsvSeparators, MultiByteSeparatorAndEmptySeparatorPadding) {
    EXPECT_EQ(Convert(R"([{"a":"1\u00a72"},{"a":3,"b":4}])", "\xC2\xA7"), "a\xC2\xA7"
                                                                          "b\r\n\"1\xC2\xA7"
                                                                          "2\"\xC2\xA7\r\n3\xC2\xA7"
                                                                          "4\r\n");
    EXPECT_EQ(Convert(R"([{"a":1},{"a":3,"b":4}])", ""), "ab\r\n1\r\n34\r\n");
}

TEST(CsvHeader, HeaderOffLeavesOnlyRows) {
    EXPECT_EQ(Convert(R"([{"a":1},{"a":2}])", ",", false), "1\r\n2\r\n");
    EXPECT_EQ(Convert("[]", ",", false), "\r\n");
}

TEST(CsvHeader, ColumnNameHoldingTheSeparatorIsQuoted) { EXPECT_EQ(Convert(R"({"a,b":1})"), "\"a,b\"\r\n1\r\n"); }

TEST(MultipleFiles, RecordsOfAllFilesShareColumnsAndRows) {
    // The record depth comes from the first file: a single object (one level less) adds nothing.
    ExpectCsv({R"([{"a":1,"b":2}])", R"([{"a":3,"c":4}])", "[1,2", R"({"a":5})"}, Options(),
              "a,b,c\r\n1,2,\r\n3,,4\r\n");
}

TEST(MultipleFiles, TruncatedFileDoesNotSwallowTheNext) {
    ExpectCsv({R"([{"a":1,"b":"x)", R"([{"a":2,"b":"y"}])"}, Options(), "a,b\r\n1,\r\n2,y\r\n");
}

TEST(CsvFieldWriter, QuotesOnlyForSeparatorOrQuote) {
    const auto quoted = [](std::string_view field, const char* separator) {
        std::string out;
        CsvFieldWriter(separator).AppendField(out, field);
        return out;
    };
    EXPECT_EQ(quoted(R"(say "hi", ok)", ","), R"("say ""hi"", ok")");
    EXPECT_EQ(quoted(" lead and trail ", ","), " lead and trail ");
    EXPECT_EQ(quoted("a,b", ";"), "a,b");
    EXPECT_EQ(quoted("a\"b", ""), "\"a\"\"b\"");
    EXPECT_EQ(quoted("", ","), "");
}

}  // namespace
}  // namespace tabulora
