#include "cli/interrupts.h"

#include <atomic>

#ifdef _WIN32
#include <windows.h>
#else
#include <signal.h>
#endif

namespace tabulora::cli {
namespace {

// What a handler may touch: lock-free atomics only.
std::atomic<ExportControl*> cancelled{nullptr};
std::atomic<int> exitCode{0};

void Interrupted(int code) {
    int none = 0;
    exitCode.compare_exchange_strong(none, code);
    if (ExportControl* control = cancelled.load()) control->Cancel();
}

#ifdef _WIN32
HANDLE exportEnded = nullptr;

BOOL WINAPI OnConsoleEvent(DWORD event) {
    switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT: Interrupted(130); return TRUE;
    case CTRL_CLOSE_EVENT:
        Interrupted(129);
        // Windows ends the process when this returns: first let the export remove its files.
        if (exportEnded) WaitForSingleObject(exportEnded, 4000);
        return TRUE;
    default: return FALSE;
    }
}
#else
constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
struct sigaction previous[3];

void OnSignal(int signal) { Interrupted(128 + signal); }
#endif

}  // namespace

InterruptsCancel::InterruptsCancel(ExportControl& control) {
    cancelled.store(&control);
#ifdef _WIN32
    exportEnded = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
#else
    struct sigaction action = {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    for (int i = 0; i < 3; ++i) sigaction(kSignals[i], &action, &previous[i]);
#endif
}

InterruptsCancel::~InterruptsCancel() {
#ifdef _WIN32
    ExportEnded();
    SetConsoleCtrlHandler(OnConsoleEvent, FALSE);
#else
    for (int i = 0; i < 3; ++i) sigaction(kSignals[i], &previous[i], nullptr);
#endif
    cancelled.store(nullptr);
}

int InterruptsCancel::ExitCode() const { return exitCode.load(); }

void InterruptsCancel::ExportEnded() {
#ifdef _WIN32
    if (exportEnded) SetEvent(exportEnded);
#endif
}

}  // namespace tabulora::cli
