#include "app/export_flow.h"

#include "engine/file_error.h"
#include "engine/grouped_number.h"
#include "engine/path_name.h"
#include "engine/workbook_cells.h"

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
        if (input.textsCut > 0)
            result.warnings.push_back(FileNameOf(input.name) + ": " + GroupedNumber(input.textsCut) +
                                      (input.textsCut == 1 ? " text was" : " texts were") + " cut to the " +
                                      GroupedNumber(workbook::kMaxCellText) + " characters a cell holds");
    }
    return result;
}

// `what` and the engine's reason ("the table has ...; nothing was written") in one sentence.
std::string NotWritten(const std::string& what, std::string reason) {
    const std::string_view nothingWritten = "; nothing was written";
    if (std::string_view(reason).ends_with(nothingWritten)) reason.resize(reason.size() - nothingWritten.size());
    return what + " was not written: " + reason + ".";
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

    const std::optional<OutputChoice> target = host.ChooseOutputFile();
    if (!target) return Ended(ExportResult::Outcome::NoOutputChosen);
    ExportSettings chosen = settings;
    chosen.format = target->format;
    control.onProgress = [&](const ExportProgress& progress) {
        ExportProgress named = progress;
        named.name = FileNameOf(progress.name);
        host.Progress(named, false);
    };
    try {
        const ExportSummary summary = ExportToOneCsv(FileInputs(readable), target->path, chosen, &control);
        if (summary.cancelled) return Ended(ExportResult::Outcome::Cancelled);
        const char* kind = target->format == OutputFormat::Workbook ? "The workbook \"" : "The file \"";
        if (!summary.failure.empty())
            return Ended(ExportResult::Outcome::Failed, NotWritten(kind + target->path + "\"", summary.failure));
        ExportResult result = Saved(summary, target->path, false);
        result.writtenFiles.push_back(target->path);
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
    std::vector<std::string> written, notWritten;
    const char* kind = settings.format == OutputFormat::Workbook ? "The workbook of \"" : "The file of \"";
    control.onInputDone = [&](const InputOutcome& input) {
        if (!input.readable) host.ReportUnreadableFile(input.name);
        if (!input.outputPath.empty()) written.push_back(input.outputPath);
        if (input.readable && !input.error.empty())
            notWritten.push_back(NotWritten(kind + input.name + "\"", input.error));
    };
    ExportResult result;
    try {
        const ExportSummary summary = ExportEachToCsv(FileInputs(inputs), folder, settings, &control);
        result = summary.cancelled ? Ended(ExportResult::Outcome::Cancelled) : Saved(summary, folder, true);
    } catch (const FileError& error) {
        result = Ended(ExportResult::Outcome::Failed, error.what());
    }
    result.writtenFiles = std::move(written);
    result.notWritten = std::move(notWritten);
    return result;
}

}  // namespace tabulora
