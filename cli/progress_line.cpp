#include "cli/progress_line.h"

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include "engine/path_name.h"

namespace tabulora::cli {
namespace {

constexpr auto kFirstShown = std::chrono::milliseconds(500);
constexpr auto kRedrawEvery = std::chrono::milliseconds(100);
constexpr size_t kLongestName = 40;

// The file's own name, without its folder, shortened to fit the line.
std::string ShortName(std::string_view path) {
    std::string name = FileNameOf(path);
    if (name.size() > kLongestName) {
        size_t cut = kLongestName - 3;
        while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) --cut;
        name = name.substr(0, cut) + "...";
    }
    return name;
}

}  // namespace

bool ProgressLine::StandardErrorIsTerminal() {
#ifdef _WIN32
    return _isatty(_fileno(stderr)) != 0;
#else
    return isatty(fileno(stderr)) != 0;
#endif
}

void ProgressLine::Update(const ExportProgress& progress) {
    if (!enabled_) return;
    const Clock::time_point now = Clock::now();
    if (now - started_ < kFirstShown || now - lastDrawn_ < kRedrawEvery) return;
    lastDrawn_ = now;
    const double seconds = std::chrono::duration<double>(now - started_).count();
    char figures[96];
    if (progress.bytesTotal > 0) {
        std::snprintf(figures, sizeof figures, "%3.0f %%  %.1f MB/s", 100.0 * progress.bytesDone / progress.bytesTotal,
                      progress.bytesDone / 1e6 / seconds);
    } else {
        std::snprintf(figures, sizeof figures, "%.1f MB  %.1f MB/s", progress.bytesDone / 1e6,
                      progress.bytesDone / 1e6 / seconds);
    }
    std::string line = ShortName(progress.name) + "  " + figures;
    if (progress.fileCount > 1)
        line = "file " + std::to_string(progress.fileIndex + 1) + " of " + std::to_string(progress.fileCount) + ": " +
               line;
    const size_t length = line.size();
    if (length < shownLength_) line.append(shownLength_ - length, ' ');
    shownLength_ = length;
    std::fprintf(stderr, "\r%s", line.c_str());
    std::fflush(stderr);
}

void ProgressLine::Clear() {
    if (shownLength_ == 0) return;
    std::fprintf(stderr, "\r%s\r", std::string(shownLength_, ' ').c_str());
    std::fflush(stderr);
    shownLength_ = 0;
}

}  // namespace tabulora::cli
