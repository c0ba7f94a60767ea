#include "app/export_status.h"

#include <cstdio>

#include "engine/grouped_number.h"
#include "engine/path_name.h"

namespace tabulora {
namespace {

std::string Counted(uint64_t count, const char* one, const char* many) {
    return GroupedNumber(count) + " " + (count == 1 ? one : many);
}

}  // namespace

std::string ProgressText(const ExportProgress& progress, bool eachFile) {
    std::string text;
    if (progress.phase == ExportProgress::Phase::Checking) {
        text = "Reading " + progress.name + "\u2026";
    } else {
        const uint64_t percent = progress.fileBytes ? progress.fileBytesDone * 100 / progress.fileBytes : 0;
        text = "Converting " + progress.name + " \u2014 " + std::to_string(percent) + " %";
    }
    if (eachFile) {
        text += " (file " + std::to_string(progress.fileIndex + 1) + " of " + std::to_string(progress.fileCount) + ")";
    }
    return text;
}

unsigned ProgressPerMille(const ExportProgress& progress) {
    // Checks go input by input; conversions know the bytes of all inputs.
    if (progress.phase == ExportProgress::Phase::Converting && progress.bytesTotal) {
        return static_cast<unsigned>(progress.bytesDone * 1000 / progress.bytesTotal);
    }
    if (!progress.fileCount) return 0;
    const uint64_t withinFile = progress.fileBytes ? progress.fileBytesDone * 1000 / progress.fileBytes : 0;
    return static_cast<unsigned>((progress.fileIndex * 1000 + withinFile) / progress.fileCount);
}

std::string SummaryText(const ExportResult& result) {
    using Outcome = ExportResult::Outcome;
    if (result.outcome == Outcome::Cancelled) return "Export cancelled.";
    if (result.outcome != Outcome::Saved) return {};
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.1f", result.seconds);
    std::string text = "Saved ";
    if (result.filesWritten == 1 && result.columns > 0) {
        text += Counted(result.rows, "row", "rows") + " \u00D7 " + Counted(result.columns, "column", "columns");
    } else if (result.filesWritten == 1) {
        text += Counted(result.rows, "row", "rows");
    } else {
        text += Counted(result.filesWritten, "file", "files") + " (" + Counted(result.rows, "row", "rows") + ")";
    }
    text += " to " + FileNameOf(result.target) + " in " + seconds + " s";
    for (const std::string& warning : result.warnings) text += "; " + warning;
    return text;
}

}  // namespace tabulora
