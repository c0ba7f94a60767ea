// tabulora-cli: the conversion engine on the command line.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/interrupts.h"
#include "cli/options.h"
#include "cli/progress_line.h"
#include "engine/csv_export.h"
#include "engine/csv_writer.h"
#include "engine/file_error.h"
#include "engine/recipe.h"
#include "platform/ansi_codec.h"
#include "version.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>

#include "engine/utf.h"
#endif

namespace tabulora::cli {
namespace {

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

void Report(const std::string& message) { std::fprintf(stderr, "tabulora-cli: %s\n", message.c_str()); }

// The CSV on standard output; the progress line goes before the CSV starts, which may share
// the terminal with it.
class StandardOutput final : public ByteSink {
public:
    explicit StandardOutput(ProgressLine& progress) : progress_(progress) {}
    void Write(std::string_view bytes) override {
        progress_.Clear();
        if (std::fwrite(bytes.data(), 1, bytes.size(), stdout) != bytes.size()) throw FileError(kError);
    }
    void Flush() {
        if (std::fflush(stdout) != 0) throw FileError(kError);
    }

private:
    static constexpr const char* kError = "cannot write to standard output";
    ProgressLine& progress_;
};

// "column,filled,types" and a line per column: its name, the rows where it is not empty, the kinds
// of value it held.
std::string ColumnSummaryCsv(const std::vector<std::pair<std::string, ColumnStats>>& columns) {
    static const char* const kKinds[] = {"string", "number", "boolean", "null", "object", "array"};
    const CsvFieldWriter fields(",", false);
    std::string csv = "column,filled,types\r\n";
    for (const auto& [name, stats] : columns) {
        fields.AppendField(csv, name);
        csv += ',' + std::to_string(stats.filled) + ',';
        std::string kinds;
        for (unsigned kind = 0; kind < 6; ++kind) {
            if (!(stats.kinds & (1u << kind))) continue;
            if (!kinds.empty()) kinds += '|';
            kinds += kKinds[kind];
        }
        fields.AppendField(csv, kinds);
        csv += "\r\n";
    }
    return csv;
}

// The names of the inputs from `first` on, joined with ", ".
std::string NamesFrom(const std::vector<ExportInput>& inputs, size_t first) {
    std::string names;
    for (size_t i = first; i < inputs.size(); ++i) names += (names.empty() ? "" : ", ") + inputs[i].name;
    return names;
}

std::vector<ExportInput> InputsOf(const Options& options) {
    std::vector<ExportInput> inputs;
    for (const std::string& path : options.inputs)
        inputs.push_back(path == "-" ? ExportInput::StandardInput() : ExportInput::File(path));
    return inputs;
}

int Convert(const Options& options) {
    ExportSettings settings;
    settings.csv = options.settings.csv;
    settings.encoding = options.settings.encoding;
    settings.ansi = &SystemAnsiCodec();
    settings.skipBadLines = options.settings.skipBadLines;
    settings.rejectsPath = options.rejectsFile;
    settings.format = options.output.format;
    settings.dates = options.output.dates;
    for (const std::string& note : options.output.notes) Report("warning: " + note);

    ProgressLine progress(!options.quiet && ProgressLine::StandardErrorIsTerminal());
    bool readFailed = false;
    ExportControl control;
    control.onProgress = [&](const ExportProgress& p) { progress.Update(p); };
    size_t inputsDone = 0;  // in order: the inputs before this one are done with
    control.onInputDone = [&](const InputOutcome& outcome) {
        inputsDone = outcome.index + 1;
        if (outcome.readable && !outcome.stop && outcome.warnings.empty() && outcome.skipped.count == 0) return;
        progress.Clear();
        if (!outcome.readable) {
            Report(outcome.name + ": " + outcome.error);
            readFailed = true;
            return;
        }
        if (outcome.skipped.count > 0) Report("warning: " + SkippedLinesMessage(outcome.name, outcome.skipped));
        if (outcome.stop) Report("warning: " + ReadingStoppedMessage(outcome.name, *outcome.stop));
        for (const std::string& warning : outcome.warnings) Report("warning: " + warning);
    };

    const std::vector<ExportInput> inputs = InputsOf(options);
    for (const std::string* output : {&options.outputFile, &options.rejectsFile}) {
        if (output->empty()) continue;
        if (const ExportInput* input = InputAtPath(inputs, *output)) {
            Report("the output " + *output + " is the input " + input->name +
                   ", which would be lost; nothing was written");
            return kExitUsage;
        }
    }
    InterruptsCancel interrupts(control);
    ExportSummary summary;
    if (options.schema) {
        DiscardedOutput discarded;
        summary = ExportToOneCsv(inputs, discarded, settings, &control);
        if (summary.anyLine && summary.failure.empty()) {
            StandardOutput out(progress);
            out.Write(ColumnSummaryCsv(summary.columnSummary));
            out.Flush();
        }
    } else if (!options.outputFolder.empty()) {
        try {
            summary = ExportEachToCsv(inputs, options.outputFolder, settings, &control);
        } catch (const FileError& error) {
            progress.Clear();
            Report(error.what());
            Report("not converted: " + NamesFrom(inputs, inputsDone));
            return kExitFailure;
        }
    } else if (!options.outputFile.empty()) {
        summary = ExportToOneCsv(inputs, options.outputFile, settings, &control);
    } else {
        StandardOutput out(progress);
        summary = ExportToOneCsv(inputs, out, settings, &control);
        out.Flush();
    }
    interrupts.ExportEnded();
    progress.Clear();
    if (summary.cancelled) {
        Report("interrupted; nothing more was written");
        return interrupts.ExitCode() != 0 ? interrupts.ExitCode() : kExitFailure;
    }
    for (const std::string& warning : summary.warnings) Report("warning: " + warning);
    if (!summary.failure.empty()) {
        Report(summary.failure + (summary.tooManyColumns ? " (keep fewer with --columns)" : ""));
        return kExitFailure;
    }
    if (options.outputFolder.empty() && !summary.anyLine) {
        // After the errors of the inputs that could not be read, nothing more needs saying.
        if (!readFailed) Report("the input holds no lines; nothing was written");
        return kExitFailure;
    }
    return readFailed ? kExitFailure : 0;
}

int Run(const std::vector<std::string>& args) {
    const ParseResult parsed = ParseArguments(args);
    if (!parsed.error.empty()) {
        Report(parsed.error);
        std::fputs("Try 'tabulora-cli --help'.\n", stderr);
        return kExitUsage;
    }
    const Options& options = parsed.options;
    if (options.help) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (options.version) {
        std::printf("tabulora-cli %s\n", TABULORA_VERSION_TEXT);
        return 0;
    }
    try {
        if (!options.saveRecipeFile.empty()) {
            // The settings in force, and nothing converted.
            const std::string failure = SaveRecipeFile(options.saveRecipeFile, options.settings);
            if (failure.empty()) return 0;
            Report(failure);
            return kExitFailure;
        }
        return Convert(options);
    } catch (const FileError& error) {
        Report(error.what());
    } catch (const std::bad_alloc&) {
        Report("out of memory");
    }
    return kExitFailure;
}

}  // namespace
}  // namespace tabulora::cli

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
    _setmode(_fileno(stdout), _O_BINARY);
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) args.push_back(tabulora::WideToUtf8(argv[i]));
    return tabulora::cli::Run(args);
}
#else
int main(int argc, char** argv) { return tabulora::cli::Run(std::vector<std::string>(argv + 1, argv + argc)); }
#endif
