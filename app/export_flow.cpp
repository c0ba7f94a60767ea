#include "app/export_flow.h"

#include <chrono>

#include "engine/file_error.h"
#include "engine/text_file.h"

namespace tabulora {
namespace {

std::string FileNameOf(const std::string& path) {
    const size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

double SecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

ExportResult Stopped(ExportResult::Outcome outcome, std::string error = {}) {
    ExportResult result;
    result.outcome = outcome;
    result.error = std::move(error);
    return result;
}

}  // namespace

ExportResult ExportToSingleFile(const std::vector<std::string>& inputs, const ExportSettings& settings,
                                ExportHost& host, const std::atomic<bool>& cancel) {
    const auto start = std::chrono::steady_clock::now();
    std::vector<std::string> texts;
    for (size_t i = 0; i < inputs.size(); ++i) {
        if (cancel) return Stopped(ExportResult::Outcome::Cancelled);
        host.Progress({ExportProgress::Stage::Reading, FileNameOf(inputs[i]), i, inputs.size()});
        LoadedText loaded = LoadTextFile(inputs[i], settings.encoding, *settings.ansi);
        if (!loaded.ok) {
            host.ReportUnreadableFile(inputs[i]);
            continue;
        }
        if (!loaded.text.empty()) texts.push_back(std::move(loaded.text));
    }
    if (cancel) return Stopped(ExportResult::Outcome::Cancelled);
    if (texts.empty()) return Stopped(ExportResult::Outcome::NothingToExport);

    const std::optional<std::string> target = host.ChooseOutputFile();
    if (!target) return Stopped(ExportResult::Outcome::NoOutputChosen);

    JsonToCsvConverter converter(settings.csv);
    for (size_t i = 0; i < texts.size(); ++i) {
        if (cancel) return Stopped(ExportResult::Outcome::Cancelled);
        host.Progress({ExportProgress::Stage::Converting, FileNameOf(*target), i, texts.size(), false,
                       static_cast<int>(100 * i / texts.size())});
        converter.AddJsonText(texts[i]);
    }
    const CsvDocument csv = converter.Finish();
    try {
        WriteCsvFile(csv, *target, settings.encoding, *settings.ansi);
    } catch (const FileError& error) {
        return Stopped(ExportResult::Outcome::Failed, error.what());
    }
    ExportResult result;
    result.target = *target;
    result.rows = csv.rowCount;
    result.columns = csv.columnCount;
    result.filesWritten = 1;
    result.seconds = SecondsSince(start);
    return result;
}

ExportResult ExportEachFileToFolder(const std::vector<std::string>& inputs, const std::string& folder,
                                    const ExportSettings& settings, ExportHost& host,
                                    const std::atomic<bool>& cancel) {
    const auto start = std::chrono::steady_clock::now();
    ExportResult result;
    result.eachFile = true;
    result.target = folder;
    for (size_t i = 0; i < inputs.size(); ++i) {
        if (cancel) return Stopped(ExportResult::Outcome::Cancelled);
        const std::string name = FileNameOf(inputs[i]);
        host.Progress({ExportProgress::Stage::Reading, name, i, inputs.size(), true});
        const LoadedText loaded = LoadTextFile(inputs[i], settings.encoding, *settings.ansi);
        if (!loaded.ok) {
            host.ReportUnreadableFile(inputs[i]);
            continue;
        }
        host.Progress({ExportProgress::Stage::Converting, name, i, inputs.size(), true, 0});
        JsonToCsvConverter converter(settings.csv);
        converter.AddJsonText(loaded.text);
        const CsvDocument csv = converter.Finish();
        try {
            WriteCsvFile(csv, UniqueFileName(CsvNameInFolder(folder, inputs[i])), settings.encoding, *settings.ansi);
        } catch (const FileError& error) {
            return Stopped(ExportResult::Outcome::Failed, error.what());
        }
        result.rows += csv.rowCount;
        ++result.filesWritten;
    }
    result.seconds = SecondsSince(start);
    return result;
}

}  // namespace tabulora
