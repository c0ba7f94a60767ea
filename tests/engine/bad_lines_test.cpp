// JSON Lines read with their bad lines skipped: the rows of the good lines, the count and numbers
// of the bad ones, and the file of the bad lines as they were.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/csv_export.h"
#include "engine/file_error.h"
#include "export_helpers.h"
#include "temp_folder.h"
#include "whole_text.h"

namespace tabulora {
namespace {

ExportSettings SkippingSettings(size_t pieceSize, const std::string& rejectsPath = "") {
    ExportSettings settings = TestSettings(pieceSize);
    settings.skipBadLines = true;
    settings.rejectsPath = rejectsPath;
    return settings;
}

struct BadLinesCase {
    const char* name;
    std::string text;
    std::string goodLines;               // the text without its bad lines
    std::vector<uint64_t> skippedLines;  // all of them (fewer than kSkippedLinesNamed here)
    std::string rejects;
};
void PrintTo(const BadLinesCase& c, std::ostream* out) { *out << c.name; }

class BadLinesTest : public ::testing::TestWithParam<BadLinesCase> {};

// In pieces of any size (1 byte: every line crosses pieces) the CSV is that of the good lines
// alone, and the rejects file holds the bad lines byte for byte.
TEST_P(BadLinesTest, RowsOfTheGoodLinesAndTheBadLinesAsTheyWere) {
    const BadLinesCase& c = GetParam();
    const std::string expected = ReferenceCsv({c.goodLines});
    for (size_t pieceSize : {1, 2, 7, 64, 1 << 20}) {
        TempFolder folder;
        ExportSummary summary;
        EXPECT_EQ(StreamedCsv({c.text}, SkippingSettings(pieceSize, folder / "bad.jsonl"), &summary), expected)
            << "pieces of " << pieceSize;
        ASSERT_EQ(summary.inputs.size(), 1u);
        const InputOutcome& outcome = summary.inputs[0];
        EXPECT_FALSE(outcome.stop) << "pieces of " << pieceSize;
        EXPECT_EQ(outcome.skipped.count, c.skippedLines.size()) << "pieces of " << pieceSize;
        EXPECT_EQ(outcome.skipped.first, c.skippedLines) << "pieces of " << pieceSize;
        EXPECT_EQ(TempFolder::Read(folder / "bad.jsonl"), c.rejects) << "pieces of " << pieceSize;
        EXPECT_EQ(folder.Entries(), std::vector<std::string>{"bad.jsonl"});
    }
}

const std::string kLong(150, 'w');  // longer than most pieces: a line spans many of them

INSTANTIATE_TEST_SUITE_P(
    Texts, BadLinesTest,
    ::testing::Values(
        BadLinesCase{"FirstLine", "{oops\n{\"a\":1}\n{\"a\":2}\n", "{\"a\":1}\n{\"a\":2}\n", {1}, "{oops\n"},
        BadLinesCase{
            "LastLineWithoutBreak", "{\"a\":1}\n{\"a\":2}\n{\"a\":3,}", "{\"a\":1}\n{\"a\":2}\n", {3}, "{\"a\":3,}"},
        BadLinesCase{"LastLineWithBreak", "{\"a\":1}\n[1 2]\n", "{\"a\":1}\n", {2}, "[1 2]\n"},
        BadLinesCase{"CrLf",
                     "{\"a\":1}\r\n{'a':2}\r\n{\"a\":3}\r\n{\"a\":04}\r\n",
                     "{\"a\":1}\r\n{\"a\":3}\r\n",
                     {2, 4},
                     "{'a':2}\r\n{\"a\":04}\r\n"},
        BadLinesCase{"BlankLinesAreNotBad", "\n{\"a\":1}\n\n  \t\n\r\n{\"a\":2}\n\n", "{\"a\":1}\n{\"a\":2}\n", {}, ""},
        BadLinesCase{"BadLinesSideBySide",
                     "{\"a\":1}\nx\ny\n\nz\n{\"a\":2}\n",
                     "{\"a\":1}\n{\"a\":2}\n",
                     {2, 3, 5},
                     "x\ny\nz\n"},
        // The reading would stop at line 2 and lose line 3 without skipping.
        BadLinesCase{"JunkThatWouldEndTheReading",
                     "{\"a\":1}\n{\"a\":2} trailing\n{\"a\":3,\"b\":4}\n",
                     "{\"a\":1}\n{\"a\":3,\"b\":4}\n",
                     {2},
                     "{\"a\":2} trailing\n"},
        BadLinesCase{"LongLines",
                     "{\"a\":\"" + kLong + "\"}\n{\"a\":\"" + kLong + "\\x\"}\n{\"b\":\"" + kLong + "\"}",
                     "{\"a\":\"" + kLong + "\"}\n{\"b\":\"" + kLong + "\"}",
                     {2},
                     "{\"a\":\"" + kLong + "\\x\"}\n"},
        BadLinesCase{"OnlyBadLines", "[1,]\n{\"a\"}\n", "", {1, 2}, "[1,]\n{\"a\"}\n"},
        BadLinesCase{"NoBadLine", "{\"a\":1}\n[2]\n\"s\"\n", "{\"a\":1}\n[2]\n\"s\"\n", {}, ""}),
    [](const auto& info) { return std::string(info.param.name); });

// A line longer than what the filter hands on at once (it holds the line until it is judged)
// still gives its row whole.
TEST(BadLines, LineLongerThanAPieceGivesItsRow) {
    std::string value;
    while (value.size() < (3 << 19)) value += "ab\\\"c\\u00e9\\r";
    const std::string good = "{\"a\":\"" + value + "\",\"b\":1}\n{\"a\":2}\n";
    for (size_t pieceSize : {size_t{4096}, size_t{1} << 20}) {
        ExportSummary summary;
        EXPECT_TRUE(StreamedCsv({"x\n" + good}, SkippingSettings(pieceSize), &summary) == ReferenceCsv({good}))
            << "pieces of " << pieceSize;
        ASSERT_EQ(summary.inputs.size(), 1u);
        EXPECT_EQ(summary.inputs[0].skipped.first, std::vector<uint64_t>{1});
    }
}

TEST(BadLines, WarningCountsThemAndNamesTheFirstFive) {
    std::string text;
    for (int line = 1; line <= 9; ++line) text += line % 3 == 0 ? "{\"a\":1}\n" : "bad\n";
    ExportSummary summary;
    StreamedCsv({text, "{\"a\":1}\n{\n"}, SkippingSettings(5), &summary);
    ASSERT_EQ(summary.inputs.size(), 2u);
    EXPECT_EQ(SkippedLinesMessage("data.jsonl", summary.inputs[0].skipped),
              "data.jsonl: 6 bad lines skipped (lines 1, 2, 4, 5, 7, ...)");
    EXPECT_EQ(SkippedLinesMessage("b.jsonl", summary.inputs[1].skipped), "b.jsonl: 1 bad line skipped (line 2)");
    EXPECT_EQ(SkippedLinesMessage("c.jsonl", SkippedLines{5, {1, 2, 3, 4, 5}}),
              "c.jsonl: 5 bad lines skipped (lines 1, 2, 3, 4, 5)");
}

// The rejects of all inputs in one file, in order; an input that turns out unreadable adds none,
// whether its bad lines still wait in memory or went to the file already.
TEST(BadLines, RejectsOfAllInputsAndNoneOfAnUnreadableOne) {
    for (const size_t badLength : {2, 100000})
        for (const bool eachToItsOwn : {false, true}) {
            const std::vector<std::string> texts{
                "x1\n{\"a\":1}\n", std::string(badLength, 'x') + "\n{\"a\":2}\n" + std::string(3000, ' ') + "\xFF",
                "{\"a\":3}\nx3"};
            TempFolder folder;
            const std::string rejects = folder.Write("bad.txt", "old");
            ExportSettings settings = SkippingSettings(1000, rejects);
            settings.rowsInMemory = 16;
            const ExportSummary summary = eachToItsOwn
                                              ? ExportEachToCsv(MemoryInputs(texts), folder / "", settings)
                                              : ExportToOneCsv(MemoryInputs(texts), folder / "out.csv", settings);
            EXPECT_EQ(TempFolder::Read(rejects), "x1\nx3");
            ASSERT_EQ(summary.inputs.size(), 3u);
            EXPECT_FALSE(summary.inputs[1].readable);
            EXPECT_EQ(summary.inputs[2].skipped.first, std::vector<uint64_t>{2});
            if (!eachToItsOwn) {
                EXPECT_EQ(TempFolder::Read(folder / "out.csv"), ReferenceCsv({"{\"a\":1}\n", "{\"a\":3}\n"}));
            }
        }
}

TEST(BadLines, RejectsFileThatCannotBeWrittenFailsBeforeAnyWork) {
    TempFolder folder;
    const std::vector<std::string> texts{"x\n{\"a\":1}\n"};
    EXPECT_THROW(ExportToOneCsv(MemoryInputs(texts), folder / "out.csv", SkippingSettings(64, folder / "no/bad.txt")),
                 FileError);
    EXPECT_TRUE(folder.Entries().empty());
}

// A cancelled export leaves an existing rejects file as it was, and no temporary file.
TEST(BadLines, CancelKeepsTheOldRejectsFile) {
    std::string text;
    for (int i = 0; i < 4000; ++i) text += "bad\n{\"a\":1}\n";
    TempFolder folder;
    const std::string rejects = folder.Write("bad.txt", "old");
    ExportControl control;
    control.onProgress = [&](const ExportProgress& progress) {
        if (progress.bytesDone > text.size() / 2) control.Cancel();
    };
    StringSink sink;
    const ExportSummary summary = ExportToOneCsv(MemoryInputs({text}), sink, SkippingSettings(1024, rejects), &control);
    EXPECT_TRUE(summary.cancelled);
    EXPECT_EQ(TempFolder::Read(rejects), "old");
    EXPECT_EQ(folder.Entries(), std::vector<std::string>{"bad.txt"});
}

// Without skipping, the same text stops at its first bad line as always.
TEST(BadLines, OnlyWhenAskedFor) {
    const std::string text = "{\"a\":1}\n{\"a\":2} trailing\n{\"a\":3}\n";
    ExportSummary summary;
    EXPECT_EQ(StreamedCsv({text}, TestSettings(7), &summary), ReferenceCsv({text}));
    ASSERT_EQ(summary.inputs.size(), 1u);
    EXPECT_EQ(summary.inputs[0].skipped.count, 0u);
    EXPECT_NE(ReferenceCsv({text}), ReferenceCsv({"{\"a\":1}\n{\"a\":3}\n"}));
}

}  // namespace
}  // namespace tabulora
