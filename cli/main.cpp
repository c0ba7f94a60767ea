// tabulora-cli: the conversion engine on the command line.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/options.h"
#include "engine/conversion.h"
#include "engine/file_error.h"
#include "engine/text_file.h"
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

// Reads one input; a file that cannot be read is reported and contributes nothing.
bool Load(const std::string& path, const Options& options, LoadedText& loaded) {
    loaded = LoadTextFile(path, options.encoding, SystemAnsiCodec());
    if (!loaded.ok) Report(path + ": " + loaded.error);
    return loaded.ok;
}

bool WriteToStdout(const CsvDocument& csv, TextEncoding encoding) {
    bool ok = true;
    csv.ForEachPiece([&](std::string_view piece) {
        const std::string converted = encoding == TextEncoding::Ansi ? SystemAnsiCodec().FromUtf8(piece) : std::string();
        const std::string_view bytes = encoding == TextEncoding::Ansi ? std::string_view(converted) : piece;
        ok = ok && std::fwrite(bytes.data(), 1, bytes.size(), stdout) == bytes.size();
    });
    return std::fflush(stdout) == 0 && ok;
}

// All inputs into one CSV, on standard output or in the -o file.
int ConvertToOne(const Options& options) {
    int status = 0;
    bool anyLine = false;
    JsonToCsvConverter converter(options.csv);
    for (const std::string& path : options.inputs) {
        LoadedText loaded;
        if (!Load(path, options, loaded)) {
            status = kExitFailure;
            continue;
        }
        if (loaded.text.empty()) continue;   // an empty file has no lines to add
        anyLine = true;
        converter.AddJsonText(loaded.text);
    }
    if (!anyLine) {
        Report("the input holds no lines; nothing was written");
        return kExitFailure;
    }
    const CsvDocument csv = converter.Finish();
    if (options.outputFile.empty()) {
        if (!WriteToStdout(csv, options.encoding)) {
            Report("cannot write to standard output");
            return kExitFailure;
        }
        return status;
    }
    WriteCsvFile(csv, options.outputFile, options.encoding, SystemAnsiCodec());
    return status;
}

// One CSV per input in the output folder, named after the input and never overwriting a file.
int ConvertEach(const Options& options) {
    int status = 0;
    for (const std::string& path : options.inputs) {
        LoadedText loaded;
        if (!Load(path, options, loaded)) {
            status = kExitFailure;
            continue;
        }
        JsonToCsvConverter converter(options.csv);
        converter.AddJsonText(loaded.text);
        loaded.text = std::string();
        const CsvDocument csv = converter.Finish();
        WriteCsvFile(csv, UniqueFileName(CsvNameInFolder(options.outputFolder, path)), options.encoding,
                     SystemAnsiCodec());
    }
    return status;
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
        return options.outputFolder.empty() ? ConvertToOne(options) : ConvertEach(options);
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
