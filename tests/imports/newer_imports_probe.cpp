// An executable that Windows 7 could not start, for the import check to find fault with: a
// function newer than Windows 7 imported from a DLL that it has, and a DLL that it lacks. It is
// built but never run.
#define _WIN32_WINNT 0x0A00
#include <windows.h>

// Declared here; its import library comes from CMake.
extern "C" __declspec(dllimport) int __cdecl _crt_atexit(void (*)(void));  // the C runtime's forwarder

int main() {
    _crt_atexit(nullptr);
    return static_cast<int>(GetDpiForWindow(GetDesktopWindow()));
}
