#include "app/export_flow.h"

#include "engine/file_error.h"
#include "engine/path_name.h"

namespace tabulora {
namespace {

std::vector<ExportInput> FileInputs(const std::vector<std::string>& paths) {
    std::vector<ExportInput> inputs;
    for (const std::string& path : paths) inputs.push_back(ExportInput::File(path));
    return inputs;
}

ExportResult Ended(ExportResult::Outcome outcome, std::string error = {}) {
    ExportResult result;
    result.outcome = outcome;
    result.error = std::move(error);
    return result;
}

// The export's figures and the inputs whose reading stopped early.
ExportResult Saved(const ExportSummary& summary, std::string target, bool eachFile) {
    ExportResult result;
    result.eachFile = eachFile;
    result.target = std::move(target);
    result.rows = summary.rows;
    result.columns = summary.columns;
    result.filesWritten = summary.filesWritten;
    result.seconds = summary.seconds;
    for (const InputOutcome& input : summary.inputs) {
        if (input.stop) result.warnings.push_back(ReadingStoppedMessage(FileNameOf(input.name), *input.stop));
    }
    return result;
}

}  // namespace

ExportResult ExportToSingleFile(const std::vector<std::string>& inputs, const ExportSettings& settings,
                                ExportHost& host, ExportControl& control) {
    // The checks report as one run over all inputs.
    std::vector<std::string> readable;
    bool anyLine = false;
    for (size_t i = 0; i < inputs.size(); ++i) {
        control.onProgress = [&](const ExportProgress& progress) {
            ExportProgress overall = progress;
            overall.fileIndex = i;
            overall.fileCount = inputs.size();
            overall.name = FileNameOf(inputs[i]);
            host.Progress(overall, false);
        };
        const InputCheck check = CheckInput(ExportInput::File(inputs[i]), settings, &control);
        if (check.cancelled) return Ended(ExportResult::Outcome::Cancelled);
        if (!check.readable) {
            host.ReportUnreadableFile(inputs[i]);
            continue;
        }
        readable.push_back(inputs[i]);
        anyLine |= check.hasLine;
    }
    if (control.Cancelled()) return Ended(ExportResult::Outcome::Cancelled);
    if (!anyLine) return Ended(ExportResult::Outcome::NothingToExport);

    const std::optional<std::string> target = host.ChooseOutputFile();
    if (!target) return Ended(ExportResult::Outcome::NoOutputChosen);
    control.onProgress = [&](const ExportProgress& progress) {
        ExportProgress named = progress;
        named.name = FileNameOf(progress.name);
        host.Progress(named, false);
    };
    try {
        const ExportSummary summary = ExportToOneCsv(FileInputs(readable), *target, settings, &control);
        if (summary.cancelled) return Ended(ExportResult::Outcome::Cancelled);
        ExportResult result = Saved(summary, *target, false);
        result.writtenFiles.push_back(*target);
        return result;
    } catch (const FileError& error) {
        return Ended(ExportResult::Outcome::Failed, error.what());
    }
}

ExportResult ExportEachFileToFolder(const std::vector<std::string>& inputs, const std::string& folder,
                                    const ExportSettings& settings, ExportHost& host, ExportControl& control) {
    control.onProgress = [&](const ExportProgress& progress) {
        ExportProgress named = progress;
        named.name = FileNameOf(progress.name);
        host.Progress(named, true);
    };
    std::vector<std::string> written;
    control.onInputDone = [&](const InputOutcome& input) {
        if (!input.readable) host.ReportUnreadableFile(input.name);
        if (!input.outputPath.empty()) written.push_back(input.outputPath);
    };
    ExportResult result;
    try {
        const ExportSummary summary = ExportEachToCsv(FileInputs(inputs), folder, settings, &control);
        result = summary.cancelled ? Ended(ExportResult::Outcome::Cancelled) : Saved(summary, folder, true);
    } catch (const FileError& error) {
        result = Ended(ExportResult::Outcome::Failed, error.what());
    }
    result.writtenFiles = std::move(written);
    return result;
}

}  // namespace tabulora
