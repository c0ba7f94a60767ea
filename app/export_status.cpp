#include "app/export_status.h"

#include <cstdio>

namespace tabulora {
namespace {

std::string Counted(uint64_t count, const char* one, const char* many) {
    return GroupedNumber(count) + " " + (count == 1 ? one : many);
}

// The last part of a file or folder path ("C:\\out\\" gives "out").
std::string NameOf(std::string path) {
    while (path.size() > 1 && (path.back() == '\\' || path.back() == '/')) path.pop_back();
    const size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

std::string GroupedNumber(uint64_t number) {
    std::string digits = std::to_string(number);
    for (size_t at = digits.size(); at > 3; at -= 3) digits.insert(at - 3, ",");
    return digits;
}

std::string ProgressText(const ExportProgress& progress) {
    std::string text = progress.stage == ExportProgress::Stage::Reading
                           ? "Reading " + progress.fileName + "\u2026"
                           : "Converting " + progress.fileName + " \u2014 " + std::to_string(progress.percent) + " %";
    if (progress.eachFile) {
        text += " (file " + std::to_string(progress.fileIndex + 1) + " of " + std::to_string(progress.fileCount) + ")";
    }
    return text;
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
    text += " to " + NameOf(result.target) + " in " + seconds + " s";
    for (const std::string& warning : result.warnings) text += "; " + warning;
    return text;
}

std::string ReadingStoppedText(const std::string& fileName, uint64_t line) {
    return fileName + ": reading stopped at line " + GroupedNumber(line) + ", unreadable JSON";
}

}  // namespace tabulora
