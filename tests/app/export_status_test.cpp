#include <gtest/gtest.h>

#include "app/export_status.h"

namespace {

using tabulora::ExportProgress;
using tabulora::ExportResult;

TEST(GroupedNumber, GroupsByThousands) {
    const std::pair<uint64_t, const char*> cases[] = {
        {0, "0"}, {999, "999"}, {1000, "1,000"}, {661358, "661,358"}, {1234567890, "1,234,567,890"},
    };
    for (const auto& [number, text] : cases) EXPECT_EQ(tabulora::GroupedNumber(number), text);
}

TEST(ProgressText, NamesTheStageTheFileAndInTheEachFileExportItsNumber) {
    using Stage = ExportProgress::Stage;
    const struct {
        ExportProgress progress;
        const char* text;
    } cases[] = {
        {{Stage::Reading, "data.json", 0, 1}, "Reading data.json\u2026"},
        {{Stage::Converting, "data.json", 0, 1, false, 45}, "Converting data.json \u2014 45 %"},
        {{Stage::Reading, "b.json", 1, 5, true}, "Reading b.json\u2026 (file 2 of 5)"},
        {{Stage::Converting, "b.json", 1, 5, true, 100}, "Converting b.json \u2014 100 % (file 2 of 5)"},
    };
    for (const auto& c : cases) EXPECT_EQ(tabulora::ProgressText(c.progress), c.text);
}

TEST(SummaryText, TellsWhatWasSavedOrThatTheExportWasCancelled) {
    ExportResult single;
    single.target = "C:\\out\\data.csv";
    single.rows = 661358;
    single.columns = 12;
    single.filesWritten = 1;
    single.seconds = 0.94;
    EXPECT_EQ(tabulora::SummaryText(single), "Saved 661,358 rows \u00D7 12 columns to data.csv in 0.9 s");

    ExportResult tiny = single;
    tiny.rows = 1;
    tiny.columns = 1;
    tiny.warnings = {tabulora::ReadingStoppedText("data.jsonl", 1234)};
    EXPECT_EQ(tabulora::SummaryText(tiny),
              "Saved 1 row \u00D7 1 column to data.csv in 0.9 s; data.jsonl: reading stopped at line 1,234, "
              "unreadable JSON");

    ExportResult each;
    each.eachFile = true;
    each.target = "C:\\exports\\";
    each.rows = 2500;
    each.filesWritten = 3;
    each.seconds = 2.06;
    EXPECT_EQ(tabulora::SummaryText(each), "Saved 3 files (2,500 rows) to exports in 2.1 s");

    ExportResult cancelled;
    cancelled.outcome = ExportResult::Outcome::Cancelled;
    EXPECT_EQ(tabulora::SummaryText(cancelled), "Export cancelled.");
    for (auto outcome : {ExportResult::Outcome::Failed, ExportResult::Outcome::NothingToExport,
                         ExportResult::Outcome::NoOutputChosen}) {
        ExportResult other;
        other.outcome = outcome;
        EXPECT_EQ(tabulora::SummaryText(other), "");
    }
}

}  // namespace
