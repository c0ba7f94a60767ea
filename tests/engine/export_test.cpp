// The streaming export functions the program and the CLI use.
#include "engine/csv_export.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "engine/file_error.h"
#include "engine/text_reader.h"
#include "export_helpers.h"
#include "temp_folder.h"
#include "whole_text.h"

namespace tabulora {
namespace {

// JSON Lines records with ids from `first`, `count` of them.
std::string Records(int first, int count, const std::string& extra = "") {
    std::string text;
    for (int id = first; id < first + count; ++id)
        text += "{\"id\":" + std::to_string(id) + ",\"name\":\"n" + std::to_string(id) + "\"" + extra + "}\n";
    return text;
}

struct TakeBackCase {
    const char* name;
    size_t rowsInMemory;  // decides whether rows went to the file before, during or after the bad input
    bool toFile;
    bool readAhead;
};

class UnreadableInputTest : public ::testing::TestWithParam<TakeBackCase> {};

// An input found unreadable only at its end has added rows, columns and even completed a row that
// began in the input before it; all of it is taken back.
TEST_P(UnreadableInputTest, AddsNothing) {
    const std::string first = Records(1, 40) + "{\"id\":41,\"name\":\"pending\"";  // a row left open
    const std::string bad = "{\"id\":42,\"late\":1}\n" + Records(43, 60, ",\"more\":2") + "\xFF";
    const std::string last = Records(103, 5);
    ExportSettings settings = TestSettings(7, GetParam().rowsInMemory);
    settings.readAhead = GetParam().readAhead;

    ExportSummary summary;
    std::string csv;
    TempFolder folder;
    if (GetParam().toFile) {
        summary = ExportToOneCsv(MemoryInputs({first, bad, last}), folder / "out.csv", settings);
        csv = TempFolder::Read(folder / "out.csv");
        EXPECT_EQ(folder.Entries(), std::vector<std::string>{"out.csv"});
    } else {
        csv = StreamedCsv({first, bad, last}, settings, &summary);
    }
    EXPECT_EQ(csv, ReferenceCsv({first, last}));
    ASSERT_EQ(summary.inputs.size(), 3u);
    EXPECT_TRUE(summary.inputs[0].readable);
    EXPECT_FALSE(summary.inputs[1].readable);
    EXPECT_EQ(summary.inputs[1].error, kInvalidTextError);
    EXPECT_TRUE(summary.inputs[2].readable);
    EXPECT_EQ(summary.rows, 46u);
    EXPECT_EQ(summary.columns, 2u);
}

INSTANTIATE_TEST_SUITE_P(Outputs, UnreadableInputTest,
                         ::testing::Values(TakeBackCase{"AllInMemory", 4 << 20, true, false},
                                           TakeBackCase{"InFileBeforeTheBadInput", 64, true, false},
                                           TakeBackCase{"InFileDuringTheBadInput", 1500, true, true},
                                           TakeBackCase{"StreamAllInMemory", 4 << 20, false, true},
                                           TakeBackCase{"StreamSpooled", 64, false, false}),
                         [](const auto& info) { return std::string(info.param.name); });

// Later columns pad earlier rows also when the rows went to the file before the column came;
// in ANSI the padding is converted like the rest.
TEST(Export, LateColumnPadsRowsAlreadyInTheFile) {
    const std::string json = Records(1, 300) + "{\"id\":301,\"caf\xC3\xA9\":\"\xE2\x82\xAC\"}\n";
    const std::string withMark = "\xEF\xBB\xBF" + json;  // read as UTF-8 also when the CSV is ANSI
    for (TextEncoding encoding : {TextEncoding::Utf8, TextEncoding::Ansi}) {
        TempFolder folder;
        ExportSettings settings = TestSettings(1 << 20, 256);
        settings.encoding = encoding;
        settings.csv.separator = "\xC2\xA7";  // two bytes in UTF-8, one in Windows-1252
        ExportToOneCsv(MemoryInputs({withMark}), folder / "out.csv", settings);
        const std::string reference = ReferenceCsv({json}, settings.csv);
        EXPECT_EQ(TempFolder::Read(folder / "out.csv"),
                  encoding == TextEncoding::Utf8 ? reference : SystemAnsiCodec().FromUtf8(reference));
    }
}

TEST(Export, ReadingStopsAreReportedWithTheirPlace) {
    const std::string junk = Records(1, 1233) + "junk\n" + Records(2000, 1);
    const std::string zero = std::string("{\"a\":1}\n{\"a\":2}\n\0{\"a\":3}\n", 25);
    ExportSummary summary;
    EXPECT_EQ(StreamedCsv({junk, zero}, TestSettings(1000), &summary),
              ReferenceCsv({Records(1, 1233), "{\"a\":1}\n{\"a\":2}\n"}));
    ASSERT_EQ(summary.inputs.size(), 2u);
    ASSERT_TRUE(summary.inputs[0].stop);
    EXPECT_EQ(ReadingStoppedMessage("data.jsonl", *summary.inputs[0].stop),
              "data.jsonl: reading stopped at line 1,234, column 1, unreadable JSON: junk");
    ASSERT_TRUE(summary.inputs[1].stop);
    EXPECT_EQ(ReadingStoppedMessage("z.json", *summary.inputs[1].stop),
              "z.json: reading stopped at line 3, column 1, a zero byte ends the text");
}

TEST(Export, ReadingStoppedMessagesShowTheContextOnOneLine) {
    struct Case {
        uint64_t line, column;
        const char* context;
        StopReason reason;
        std::string expected;
    };
    const Case cases[] = {
        {2, 8, "{\"a\":2,,\"b\":3}", StopReason::UnreadableJson,
         "L.jsonl: reading stopped at line 2, column 8, unreadable JSON: {\"a\":2,,\"b\":3}"},
        {1, 6, "[1,\t\tx\x01\x1F\x7F\r\n]", StopReason::UnreadableJson,
         "L.jsonl: reading stopped at line 1, column 6, unreadable JSON: [1,\\t\\tx\\u0001\\u001F\\u007F\\r\\n]"},
        {12345, 1234, "[[[", StopReason::NestingTooDeep,
         "L.jsonl: reading stopped at line 12,345, column 1,234, JSON nested more than 4,096 levels deep: [[["},
        {2, 1, "", StopReason::UnexpectedEnd,
         "L.jsonl: reading stopped at line 2, column 1, the text ends inside a JSON value"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ReadingStoppedMessage("L.jsonl", ReadingStop{c.line, c.column, c.context, c.reason}), c.expected);
}

TEST(Export, NoInputWithALineWritesNothing) {
    TempFolder folder;
    const std::string target = folder.Write("out.csv", "old");
    const ExportSummary summary = ExportToOneCsv(MemoryInputs({"", "\xEF\xBB\xBF"}), target, TestSettings());
    EXPECT_FALSE(summary.anyLine);
    EXPECT_EQ(summary.filesWritten, 0u);
    EXPECT_EQ(TempFolder::Read(target), "old");
    EXPECT_EQ(folder.Entries(), std::vector<std::string>{"out.csv"});
}

// Cancelling stops at the next piece of input: no output, no temporary file, the old target as it was.
TEST(Export, CancelLeavesNothingBehind) {
    const std::string json = Records(1, 20000);
    for (bool readAhead : {false, true}) {
        TempFolder folder;
        const std::string target = folder.Write("out.csv", "old");
        ExportControl control;
        int calls = 0;
        control.onProgress = [&](const ExportProgress& progress) {
            if (progress.bytesDone > json.size() / 2 && ++calls == 1) control.Cancel();
        };
        ExportSettings settings = TestSettings(4096, 1024);
        settings.readAhead = readAhead;
        const ExportSummary summary = ExportToOneCsv(MemoryInputs({json}), target, settings, &control);
        EXPECT_TRUE(summary.cancelled);
        EXPECT_EQ(TempFolder::Read(target), "old");
        EXPECT_EQ(folder.Entries(), std::vector<std::string>{"out.csv"});
    }
}

TEST(Export, ProgressCountsEveryByteOfEveryFile) {
    TempFolder folder;
    const std::string a = folder.Write("a.json", Records(1, 500)), b = folder.Write("b.json", Records(501, 700));
    const uint64_t total = std::filesystem::file_size(TempFolder::Native(a)) +
                           std::filesystem::file_size(TempFolder::Native(b));
    ExportControl control;
    std::vector<ExportProgress> seen;
    control.onProgress = [&](const ExportProgress& progress) { seen.push_back(progress); };
    ExportToOneCsv({ExportInput::File(a), ExportInput::File(b)}, folder / "out.csv", TestSettings(4096), &control);
    ASSERT_FALSE(seen.empty());
    for (size_t i = 1; i < seen.size(); ++i) {
        EXPECT_GE(seen[i].bytesDone, seen[i - 1].bytesDone);
        EXPECT_GE(seen[i].fileIndex, seen[i - 1].fileIndex);
        EXPECT_EQ(seen[i].bytesTotal, total);
        EXPECT_EQ(seen[i].fileCount, 2u);
    }
    EXPECT_EQ(seen.back().bytesDone, total);
    EXPECT_EQ(seen.back().fileIndex, 1u);
    EXPECT_EQ(seen.back().name, b);
}

TEST(ExportEach, NamesAreFreeWhenTheFileIsPutInPlace) {
    TempFolder in, out;
    const std::string data = in.Write("data.json", Records(1, 3));
    const std::string late = in.Write("late.json", Records(4, 3));
    const std::string bad = in.Write("bad.json", "[1]\xFF");
    std::filesystem::create_directory(TempFolder::Native(out / "data.csv"));  // a folder takes the name too
    ExportControl control;
    control.onProgress = [&](const ExportProgress& progress) {
        if (progress.fileIndex == 1 && !std::filesystem::exists(TempFolder::Native(out / "late.csv")))
            out.Write("late.csv", "appeared meanwhile");
    };
    const ExportSummary summary =
        ExportEachToCsv({ExportInput::File(data), ExportInput::File(late), ExportInput::File(bad)}, out / "",
                        TestSettings(), &control);
    EXPECT_EQ(out.Entries(), (std::vector<std::string>{"data (2).csv", "data.csv", "late (2).csv", "late.csv"}));
    EXPECT_EQ(TempFolder::Read(out / "data (2).csv"), ReferenceCsv({Records(1, 3)}));
    EXPECT_EQ(TempFolder::Read(out / "late.csv"), "appeared meanwhile");
    EXPECT_EQ(TempFolder::Read(out / "late (2).csv"), ReferenceCsv({Records(4, 3)}));
    ASSERT_EQ(summary.inputs.size(), 3u);
    EXPECT_EQ(summary.inputs[1].outputPath, out / "late (2).csv");
    EXPECT_FALSE(summary.inputs[2].readable);
    EXPECT_EQ(summary.inputs[2].outputPath, "");
    EXPECT_EQ(summary.filesWritten, 2u);
}

TEST(ExportEach, CancelKeepsTheFilesFinishedBefore) {
    TempFolder out;
    const std::string big = Records(1, 20000);
    ExportControl control;
    control.onProgress = [&](const ExportProgress& progress) {
        if (progress.fileIndex == 1 && progress.fileBytesDone > 0) control.Cancel();
    };
    const ExportSummary summary = ExportEachToCsv(MemoryInputs({"{\"a\":1}", big, "{\"b\":2}"}), out / "",
                                                  TestSettings(4096, 1024), &control);
    EXPECT_TRUE(summary.cancelled);
    EXPECT_EQ(out.Entries(), std::vector<std::string>{"in0.csv"});
}

struct CheckCase {
    const char* name;
    std::string bytes;  // the file's content; no file at all when "missing", a folder when "folder"
    bool readable;
    bool hasLine;
};

class CheckInputTest : public ::testing::TestWithParam<CheckCase> {};

TEST_P(CheckInputTest, TellsReadabilityAndLines) {
    TempFolder folder;
    std::string path = folder / "missing.json";
    if (GetParam().bytes == "folder")
        std::filesystem::create_directory(TempFolder::Native(path = folder / "dir.json"));
    else if (GetParam().bytes != "missing")
        path = folder.Write("in.json", GetParam().bytes);
    const InputCheck check = CheckInput(ExportInput::File(path), TestSettings(3));
    EXPECT_EQ(check.readable, GetParam().readable);
    EXPECT_EQ(check.hasLine, GetParam().hasLine);
    EXPECT_EQ(check.error.empty(), GetParam().readable);
}

INSTANTIATE_TEST_SUITE_P(Inputs, CheckInputTest,
                         ::testing::Values(CheckCase{"Json", "[1]\n", true, true}, CheckCase{"Empty", "", true, false},
                                           CheckCase{"OnlyAMark", "\xEF\xBB\xBF", true, false},
                                           CheckCase{"OneEmptyLine", "\n", true, true},
                                           CheckCase{"InvalidUtf8", "[1]\n[\xC3]", false, false},
                                           CheckCase{"OddUtf16", std::string("\xFF\xFE[\0]", 5), false, false},
                                           CheckCase{"Missing", "missing", false, false},
                                           CheckCase{"AFolder", "folder", false, false}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tabulora
