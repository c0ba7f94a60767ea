#pragma once
#include <chrono>
#include <cstdio>
#include <string>

#include "engine/csv_export.h"

namespace tabulora::cli {

// One line on standard error that rewrites itself while a long conversion runs: the file, the
// percentage done and the speed. It appears only once the work has taken half a second, so quick
// conversions print nothing.
class ProgressLine {
public:
    explicit ProgressLine(bool enabled) : enabled_(enabled), started_(Clock::now()) {}
    ~ProgressLine() { Clear(); }

    void Update(const ExportProgress& progress);
    // Removes the line (before a message, and at the end).
    void Clear();

    // Whether standard error is a terminal.
    static bool StandardErrorIsTerminal();

private:
    using Clock = std::chrono::steady_clock;

    bool enabled_;
    Clock::time_point started_;
    Clock::time_point lastDrawn_{};
    size_t shownLength_ = 0;
};

}  // namespace tabulora::cli
