// The order in which an export asks the user and what it reports, with a host that records.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "app/export_flow.h"
#include "tests/engine/temp_folder.h"

namespace {

using tabulora::ExportResult;
using tabulora::OutputFormat;

class RecordingHost final : public tabulora::ExportHost {
public:
    std::vector<std::string> events;  // "unreadable <path>", "choose", "progress <text>"
    std::optional<std::string> output;
    OutputFormat outputFormat = OutputFormat::Csv;  // the type picked in the dialog
    std::function<void()> whileChoosing;
    std::function<void(const std::string& event)> onEvent;

    void Progress(const tabulora::ExportProgress& progress, bool eachFile) override {
        const char* phase = progress.phase == tabulora::ExportProgress::Phase::Checking ? "check " : "convert ";
        const std::string event = phase + progress.name + (eachFile ? " each" : "");
        if (onEvent) onEvent(event);
        if (events.empty() || events.back() != event) events.push_back(event);
    }
    void ReportUnreadableFile(const std::string& path) override { events.push_back("unreadable " + path); }
    std::optional<tabulora::OutputChoice> ChooseOutputFile() override {
        events.push_back("choose");
        if (whileChoosing) whileChoosing();
        if (!output) return std::nullopt;
        return tabulora::OutputChoice{*output, outputFormat};
    }
};

class ExportFlowTest : public testing::Test {
protected:
    tabulora::ExportSettings settings;
    tabulora::ExportControl control;
    RecordingHost host;
    TempFolder folder;
};

TEST_F(ExportFlowTest, SingleFileChecksEveryInputBeforeItAsksWhereToSave) {
    const std::string good = folder.Write("good.json", "{\"a\":1}\n{\"a\":2}\n");
    const std::string bad = folder.Write("bad.json", "\xFF\xFE\x41");  // odd-length UTF-16
    const std::string stops = folder.Write("stops.jsonl", "{\"a\":3}\n{\"a\":");
    host.output = folder / "out.csv";

    const ExportResult result = tabulora::ExportToSingleFile({good, bad, stops}, settings, host, control);

    EXPECT_EQ(host.events,
              (std::vector<std::string>{"check good.json", "check bad.json", "unreadable " + bad, "check stops.jsonl",
                                        "choose", "convert good.json", "convert stops.jsonl"}));
    ASSERT_EQ(result.outcome, ExportResult::Outcome::Saved);
    EXPECT_EQ(TempFolder::Read(*host.output), "a\r\n1\r\n2\r\n3\r\nnull\r\n");
    EXPECT_EQ(result.rows, 4u);
    EXPECT_EQ(result.columns, 1u);
    EXPECT_EQ(result.writtenFiles, std::vector<std::string>{*host.output});
    EXPECT_EQ(result.warnings,
              std::vector<std::string>{
                  "stops.jsonl: reading stopped at line 2, column 6, the text ends inside a JSON value: {\"a\":"});
}

TEST_F(ExportFlowTest, SingleFileEndsEarlyWithoutLinesWithoutAFileOrWhenCancelled) {
    const std::string empty = folder.Write("empty.json", "\xEF\xBB\xBF");
    EXPECT_EQ(tabulora::ExportToSingleFile({empty}, settings, host, control).outcome,
              ExportResult::Outcome::NothingToExport);
    EXPECT_EQ(host.events, std::vector<std::string>{"check empty.json"});

    const std::string data = folder.Write("data.json", R"({"a":1})");
    EXPECT_EQ(tabulora::ExportToSingleFile({data}, settings, host, control).outcome,
              ExportResult::Outcome::NoOutputChosen);

    host.output = folder / "out.csv";
    host.whileChoosing = [&] { control.Cancel(); };
    EXPECT_EQ(tabulora::ExportToSingleFile({data}, settings, host, control).outcome, ExportResult::Outcome::Cancelled);
    EXPECT_EQ(folder.Entries(), (std::vector<std::string>{"data.json", "empty.json"}));
}

TEST_F(ExportFlowTest, EachFileReportsAnUnreadableInputAndGoesOn) {
    TempFolder target;
    const std::string a = folder.Write("a.json", R"({"x":1})");
    const std::string gone = folder / "gone.json";
    const std::string b = folder.Write("b.json", R"({"y":2})");

    const ExportResult result = tabulora::ExportEachFileToFolder({a, gone, b}, target / "", settings, host, control);

    ASSERT_EQ(result.outcome, ExportResult::Outcome::Saved);
    EXPECT_TRUE(result.eachFile);
    EXPECT_EQ(result.filesWritten, 2u);
    EXPECT_EQ(target.Entries(), (std::vector<std::string>{"a.csv", "b.csv"}));
    EXPECT_EQ(result.writtenFiles, (std::vector<std::string>{target / "a.csv", target / "b.csv"}));
    EXPECT_NE(std::find(host.events.begin(), host.events.end(), "unreadable " + gone), host.events.end());
    EXPECT_NE(std::find(host.events.begin(), host.events.end(), "convert b.json each"), host.events.end());
}

TEST_F(ExportFlowTest, EachFileCancelledKeepsTheFilesFinishedBeforeAsWritten) {
    TempFolder target;
    const std::string a = folder.Write("a.json", R"({"x":1})");
    const std::string b = folder.Write("b.json", R"({"y":2})");
    const std::string c = folder.Write("c.json", R"({"z":3})");
    host.onEvent = [&](const std::string& event) {
        if (event == "convert b.json each") control.Cancel();
    };

    const ExportResult result = tabulora::ExportEachFileToFolder({a, b, c}, target / "", settings, host, control);

    EXPECT_EQ(result.outcome, ExportResult::Outcome::Cancelled);
    EXPECT_EQ(target.Entries(), std::vector<std::string>{"a.csv"});
    EXPECT_EQ(result.writtenFiles, std::vector<std::string>{target / "a.csv"});
}

TEST_F(ExportFlowTest, AnOutputThatCannotBeWrittenFailsWithItsReason) {
    const std::string data = folder.Write("data.json", R"({"a":1})");
    host.output = folder / "no-such-folder/out.csv";
    const ExportResult result = tabulora::ExportToSingleFile({data}, settings, host, control);
    EXPECT_EQ(result.outcome, ExportResult::Outcome::Failed);
    EXPECT_TRUE(result.writtenFiles.empty());
    EXPECT_EQ(result.error.rfind("Cannot create file \"" + *host.output + "\". ", 0), 0u) << result.error;
}

bool IsWorkbook(const std::string& path) { return TempFolder::Read(path).rfind("PK\x03\x04", 0) == 0; }

// The single-file export writes what the type picked in its save dialog says, whatever the
// settings held; the multiple-files export what the settings say.
TEST_F(ExportFlowTest, TheTypePickedInTheSaveDialogDecidesWhatIsWritten) {
    const std::string data = folder.Write("data.json", R"({"a":"01"})");
    struct Case {
        OutputFormat settings, picked;
    };
    const Case cases[] = {{OutputFormat::Workbook, OutputFormat::Csv},
                          {OutputFormat::Csv, OutputFormat::Workbook},
                          {OutputFormat::Workbook, OutputFormat::Workbook}};
    int n = 0;
    for (const Case& c : cases) {
        settings.format = c.settings;
        host.output = folder / ("out" + std::to_string(++n));
        host.outputFormat = c.picked;
        const ExportResult result = tabulora::ExportToSingleFile({data}, settings, host, control);
        ASSERT_EQ(result.outcome, ExportResult::Outcome::Saved) << n;
        if (c.picked == OutputFormat::Csv)
            EXPECT_EQ(TempFolder::Read(*host.output), "a\r\n01\r\n") << n;
        else
            EXPECT_TRUE(IsWorkbook(*host.output)) << n;
    }

    TempFolder target;
    settings.format = OutputFormat::Workbook;
    const ExportResult each = tabulora::ExportEachFileToFolder({data, data}, target / "", settings, host, control);
    ASSERT_EQ(each.outcome, ExportResult::Outcome::Saved);
    EXPECT_EQ(target.Entries(), (std::vector<std::string>{"data (2).xlsx", "data.xlsx"}));
    EXPECT_TRUE(IsWorkbook(target / "data (2).xlsx"));
}

// A record with more members than a sheet has columns.
std::string WideRecord(int columns) {
    std::string text = "{";
    for (int i = 0; i < columns; ++i) text += (i ? ",\"c" : "\"c") + std::to_string(i) + "\":1";
    return text + "}";
}

TEST_F(ExportFlowTest, AWorkbookWithTooManyColumnsIsNotWrittenAndTheMessageSaysWhatAndWhere) {
    const std::string wide = folder.Write("wide.json", WideRecord(16385));
    const std::string narrow = folder.Write("narrow.json", R"({"a":1})");
    settings.format = OutputFormat::Workbook;
    host.output = folder / "out.xlsx";
    host.outputFormat = OutputFormat::Workbook;
    const ExportResult single = tabulora::ExportToSingleFile({wide}, settings, host, control);
    EXPECT_EQ(single.outcome, ExportResult::Outcome::Failed);
    EXPECT_EQ(single.error, "The workbook \"" + *host.output +
                                "\" was not written: the table has 16,385 columns, more than the 16,384 a workbook "
                                "sheet holds.");
    EXPECT_TRUE(single.writtenFiles.empty());

    // Each file by itself: the wide one is not written, the others are.
    TempFolder target;
    const ExportResult each = tabulora::ExportEachFileToFolder({wide, narrow}, target / "", settings, host, control);
    ASSERT_EQ(each.outcome, ExportResult::Outcome::Saved);
    EXPECT_EQ(target.Entries(), std::vector<std::string>{"narrow.xlsx"});
    EXPECT_EQ(each.writtenFiles, std::vector<std::string>{target / "narrow.xlsx"});
    EXPECT_EQ(each.notWritten, std::vector<std::string>{"The workbook of \"" + wide +
                                                        "\" was not written: the table has 16,385 columns, more "
                                                        "than the 16,384 a workbook sheet holds."});

    // 16,384 columns fit.
    const std::string widest = folder.Write("widest.json", WideRecord(16384));
    EXPECT_EQ(tabulora::ExportToSingleFile({widest}, settings, host, control).outcome, ExportResult::Outcome::Saved);
    EXPECT_TRUE(IsWorkbook(*host.output));
}

TEST_F(ExportFlowTest, TextsCutToFitAWorkbookCellAreCountedPerInput) {
    const std::string longText(40000, 'x');
    const std::string data = folder.Write("long.json", "[{\"a\":\"" + longText + "\"},{\"a\":\"" + longText +
                                                           "\"},{\"a\":\"short\"}]");
    settings.format = OutputFormat::Workbook;
    host.output = folder / "out.xlsx";
    host.outputFormat = OutputFormat::Workbook;
    const ExportResult result = tabulora::ExportToSingleFile({data}, settings, host, control);
    ASSERT_EQ(result.outcome, ExportResult::Outcome::Saved);
    EXPECT_EQ(result.warnings,
              std::vector<std::string>{"long.json: 2 texts were cut to the 32,767 characters a cell holds"});
    // A CSV holds them whole.
    host.output = folder / "out.csv";
    host.outputFormat = OutputFormat::Csv;
    EXPECT_TRUE(tabulora::ExportToSingleFile({data}, settings, host, control).warnings.empty());
}

}  // namespace
