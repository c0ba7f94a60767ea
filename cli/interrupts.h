#pragma once
// Interrupts cancel the export: SIGINT, SIGTERM and SIGHUP, on Windows Ctrl+C, Ctrl+Break and a
// closed console. The export then stops as the program's Cancel stops it, leaving no output and no
// temporary file behind.
#include "engine/csv_export.h"

namespace tabulora::cli {

class InterruptsCancel {
public:
    explicit InterruptsCancel(ExportControl& control);
    ~InterruptsCancel();
    InterruptsCancel(const InterruptsCancel&) = delete;
    InterruptsCancel& operator=(const InterruptsCancel&) = delete;

    // The exit code for the interrupt that came (128 plus the signal's number, as shells report
    // it; on Windows 130 for Ctrl+C and Ctrl+Break, 129 for a closed console), or 0 when none came.
    int ExitCode() const;
    // Tells a closing console, which ends the process once its handler returns, that the export
    // has cleaned up.
    void ExportEnded();
};

}  // namespace tabulora::cli
