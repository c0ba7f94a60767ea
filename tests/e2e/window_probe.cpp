// Watches the main window of a running Tabulora.exe from another process, as a person waiting
// on it would: asks it every few milliseconds whether it answers (WM_NULL with a time-out) and
// reads its status bar, until the status says the export has ended. Prints one line per status
// text seen, then the slowest answer in milliseconds while the export was reading, converting or
// cancelling (a dialog that the window thread opens meanwhile is not the export's doing).
//
//   window_probe watch <title> <seconds> [cancel-when <status prefix>] [capture-when <prefix> <file.bmp>]
//
// With cancel-when, the probe presses Esc for the user (IDCANCEL) as soon as the status begins
// with that prefix; with capture-when it saves a picture of the window at the second status with
// that prefix (a conversion can be over before a screenshot tool has started). Exit status: 0 when
// the export ended within the time, 1 otherwise.
//
//   window_probe link <title> [<caption>]
//
// Prints the main window's status bar link whose caption holds <caption> ("Show in Folder" when
// not given) as "link: shown <text>" or "link: hidden <text>" (exit status 0), or "no link" (exit
// status 1).
#include <windows.h>
#include <commctrl.h>

#include <chrono>
#include <cstdio>
#include <cwchar>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;

std::wstring StatusText(HWND status) {
    wchar_t text[512] = {};
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutW(status, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text), SMTO_NORMAL, 1000, &copied))
        return L"(no answer)";
    return std::wstring(text, copied < 512 ? copied : 511);
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

// The window as it is on the screen, as a 24-bit BMP file.
void SaveWindowPicture(HWND window, const wchar_t* path) {
    RECT rect{};
    GetWindowRect(window, &rect);
    const int width = rect.right - rect.left, height = rect.bottom - rect.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
    SelectObject(memory, previous);
    BITMAPINFOHEADER info{};
    info.biSize = sizeof info;
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    const DWORD rowBytes = (width * 3 + 3) & ~3u;
    std::string pixels(rowBytes * height, '\0');
    GetDIBits(memory, bitmap, 0, height, pixels.data(), reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
    BITMAPFILEHEADER file{0x4D42, static_cast<DWORD>(sizeof(BITMAPFILEHEADER) + sizeof info + pixels.size()), 0, 0,
                          sizeof(BITMAPFILEHEADER) + sizeof info};
    if (FILE* out = _wfopen(path, L"wb")) {
        std::fwrite(&file, sizeof file, 1, out);
        std::fwrite(&info, sizeof info, 1, out);
        std::fwrite(pixels.data(), 1, pixels.size(), out);
        std::fclose(out);
    }
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
}

int Watch(const wchar_t* title, double seconds, const wchar_t* cancelPrefix, const wchar_t* capturePrefix,
          const wchar_t* capturePath) {
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
    bool sawWork = false;
    std::wstring firstCaptureMatch;
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
        // The second status with the prefix, so that the picture shows the work under way.
        if (capturePrefix && text.rfind(capturePrefix, 0) == 0) {
            if (firstCaptureMatch.empty()) {
                firstCaptureMatch = text;
            } else if (text != firstCaptureMatch) {
                SaveWindowPicture(main, capturePath);
                capturePrefix = nullptr;
                std::printf("captured\n");
            }
        }
        if (cancelPrefix && !cancelled && text.rfind(cancelPrefix, 0) == 0) {
            PostMessageW(main, WM_COMMAND, IDCANCEL, 0);
            cancelled = true;
            std::printf("pressed Esc\n");
        }
        sawWork = sawWork || ExportWorking(text);  // a status left from an earlier export does not count
        ended = sawWork && ExportEnded(text);
        Sleep(5);
    }
    std::printf("slowest answer: %.0f ms\n", slowest);
    return ended ? 0 : 1;
}

int ShowLink(const wchar_t* title, const wchar_t* caption) {
    HWND main = FindWindowW(nullptr, title);
    wchar_t text[256] = {};
    HWND link = nullptr;
    while (main && (link = FindWindowExW(main, link, L"SysLink", nullptr)) != nullptr) {
        GetWindowTextW(link, text, 256);
        if (std::wcsstr(text, caption)) break;
    }
    if (!link) {
        std::printf("no link\n");
        return 1;
    }
    const bool shown = IsWindowVisible(link) && IsWindowEnabled(link);
    PrintUtf8(std::wstring(L"link: ") + (shown ? L"shown " : L"hidden ") + text);
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc >= 4 && std::wstring(argv[1]) == L"watch") {
        const wchar_t *cancelPrefix = nullptr, *capturePrefix = nullptr, *capturePath = nullptr;
        for (int i = 4; i < argc; ++i) {
            const std::wstring option = argv[i];
            if (option == L"cancel-when" && i + 1 < argc) {
                cancelPrefix = argv[++i];
            } else if (option == L"capture-when" && i + 2 < argc) {
                capturePrefix = argv[++i];
                capturePath = argv[++i];
            }
        }
        return Watch(argv[2], _wtof(argv[3]), cancelPrefix, capturePrefix, capturePath);
    }
    if ((argc == 3 || argc == 4) && std::wstring(argv[1]) == L"link")
        return ShowLink(argv[2], argc == 4 ? argv[3] : L"Show in Folder");
    std::fprintf(stderr, "usage: window_probe watch <title> <seconds> [cancel-when <prefix>] "
                         "[capture-when <prefix> <file.bmp>]\n       window_probe link <title> [<caption>]\n");
    return 2;
}
