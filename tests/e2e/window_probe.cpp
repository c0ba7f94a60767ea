// Watches the main window of a running Tabulora.exe from another process, as a person waiting
// on it would: asks it every few milliseconds whether it answers (WM_NULL with a time-out) and
// reads its status bar, until the status says the export has ended. Prints one line per status
// text seen, then the slowest answer in milliseconds while the export was reading, converting or
// cancelling (a dialog that the window thread opens meanwhile is not the export's doing).
//
//   window_probe watch <title> <seconds> [cancel-when <status prefix>]
//
// With cancel-when, the probe presses Esc for the user (IDCANCEL) as soon as the status begins
// with that prefix. Exit status: 0 when the export ended within the time, 1 otherwise.
#include <windows.h>
#include <commctrl.h>

#include <chrono>
#include <cstdio>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;

std::wstring StatusText(HWND status) {
    wchar_t text[512] = {};
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutW(status, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text), SMTO_NORMAL, 1000, &copied))
        return L"(no answer)";
    return text;
}

bool ExportWorking(const std::wstring& status) {
    for (const wchar_t* phase : {L"Reading ", L"Converting ", L"Cancelling"})
        if (status.rfind(phase, 0) == 0) return true;
    return false;
}

bool ExportEnded(const std::wstring& status) {
    return status.rfind(L"Saved ", 0) == 0 || status == L"Export cancelled.";
}

void PrintUtf8(const std::wstring& text) {
    char buffer[2048] = {};
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, buffer, sizeof buffer - 1, nullptr, nullptr);
    std::printf("%s\n", buffer);
    std::fflush(stdout);
}

int Watch(const wchar_t* title, double seconds, const wchar_t* cancelPrefix) {
    const auto end = Clock::now() + std::chrono::duration<double>(seconds);
    HWND main = nullptr;
    while (!(main = FindWindowW(nullptr, title)) && Clock::now() < end) Sleep(20);
    HWND status = main ? FindWindowExW(main, nullptr, STATUSCLASSNAMEW, nullptr) : nullptr;
    if (!status) {
        std::printf("no window\n");
        return 1;
    }
    double slowest = 0;
    std::wstring last = L"\x1";
    bool cancelled = false;
    bool ended = false;
    while (!ended && Clock::now() < end) {
        const auto asked = Clock::now();
        DWORD_PTR ignored = 0;
        const bool answered = SendMessageTimeoutW(main, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &ignored) != 0;
        const double ms = answered ? std::chrono::duration<double, std::milli>(Clock::now() - asked).count() : 5000;
        const std::wstring text = StatusText(status);
        // Counted when the export was at work before the question and still is after it.
        if (ExportWorking(last) && ExportWorking(text) && ms > slowest) slowest = ms;
        if (text != last) {
            PrintUtf8(L"status: " + text);
            last = text;
        }
        if (cancelPrefix && !cancelled && text.rfind(cancelPrefix, 0) == 0) {
            PostMessageW(main, WM_COMMAND, IDCANCEL, 0);
            cancelled = true;
            std::printf("pressed Esc\n");
        }
        ended = ExportEnded(text);
        Sleep(5);
    }
    std::printf("slowest answer: %.0f ms\n", slowest);
    return ended ? 0 : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc >= 4 && std::wstring(argv[1]) == L"watch") {
        const wchar_t* cancelPrefix = argc >= 6 && std::wstring(argv[4]) == L"cancel-when" ? argv[5] : nullptr;
        return Watch(argv[2], _wtof(argv[3]), cancelPrefix);
    }
    std::fprintf(stderr, "usage: window_probe watch <title> <seconds> [cancel-when <status prefix>]\n");
    return 2;
}
