#include <gtest/gtest.h>

#include "app/export_status.h"

namespace {

using tabulora::ExportProgress;
using tabulora::ExportResult;

ExportProgress At(ExportProgress::Phase phase, const char* name, size_t index, size_t count, uint64_t done,
                  uint64_t size) {
    ExportProgress progress;
    progress.phase = phase;
    progress.name = name;
    progress.fileIndex = index;
    progress.fileCount = count;
    progress.fileBytesDone = done;
    progress.fileBytes = size;
    return progress;
}

TEST(ProgressText, NamesThePhaseTheFileAndInTheEachFileExportItsNumber) {
    using Phase = ExportProgress::Phase;
    EXPECT_EQ(tabulora::ProgressText(At(Phase::Checking, "data.json", 0, 1, 10, 100), false),
              "Reading data.json\u2026");
    EXPECT_EQ(tabulora::ProgressText(At(Phase::Converting, "data.json", 0, 1, 45, 100), false),
              "Converting data.json \u2014 45 %");
    EXPECT_EQ(tabulora::ProgressText(At(Phase::Checking, "b.json", 1, 5, 0, 0), true),
              "Reading b.json\u2026 (file 2 of 5)");
    EXPECT_EQ(tabulora::ProgressText(At(Phase::Converting, "b.json", 1, 5, 0, 0), true),
              "Converting b.json \u2014 0 % (file 2 of 5)");
}

TEST(ProgressPerMille, CountsChecksByFileAndConversionsByBytes) {
    using Phase = ExportProgress::Phase;
    EXPECT_EQ(tabulora::ProgressPerMille(At(Phase::Checking, "b", 1, 4, 50, 100)), 375u);
    ExportProgress converting = At(Phase::Converting, "b", 1, 4, 50, 100);
    converting.bytesDone = 300;
    converting.bytesTotal = 400;
    EXPECT_EQ(tabulora::ProgressPerMille(converting), 750u);
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
    tiny.warnings = {"data.jsonl: reading stopped at line 1,234, column 8, unreadable JSON: {\"a\":2,,\"b\":3}"};
    EXPECT_EQ(tabulora::SummaryText(tiny),
              "Saved 1 row \u00D7 1 column to data.csv in 0.9 s; data.jsonl: reading stopped at line 1,234, "
              "column 8, unreadable JSON: {\"a\":2,,\"b\":3}");

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
