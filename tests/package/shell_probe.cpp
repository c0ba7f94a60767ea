// A small Windows helper for the package test: it asks the shell and the window manager what a
// user would see, since the test itself runs on Linux and only reaches Windows through Wine.
//   shell_probe open CLASS FILE      opens FILE with the "open" verb of the registered class
//                                    CLASS (a ProgID or Applications\NAME.exe), as the shell's
//                                    "Open with" does; prints the started process id
//   shell_probe controls TITLE       prints the child windows of the top-level window TITLE,
//                                    one per line: class, TAB, 1 if enabled else 0, TAB, text
//   shell_probe close TITLE          asks the window TITLE to close and waits until it is gone
//   shell_probe shortcut LINK        prints the target, arguments and working folder of LINK
// Output is UTF-8. Exit code 0 on success, 1 with a message on stderr otherwise.
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <string>
#include <vector>

namespace {

void Write(HANDLE stream, const std::wstring& text) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                         nullptr);
    std::string bytes(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), size, nullptr, nullptr);
    DWORD written = 0;
    WriteFile(stream, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

int Fail(const std::wstring& message) {
    Write(GetStdHandle(STD_ERROR_HANDLE), L"shell_probe: " + message + L"\n");
    return 1;
}

std::wstring ErrorText(DWORD code) { return L"error " + std::to_wstring(code); }

int Open(const wchar_t* className, const wchar_t* file) {
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_CLASSNAME | SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
    info.lpClass = className;
    info.lpVerb = L"open";
    info.lpFile = file;
    info.nShow = SW_SHOWNORMAL;
    if (!ShellExecuteExW(&info))
        return Fail(L"cannot open the file with " + std::wstring(className) + L": " + ErrorText(GetLastError()));
    DWORD id = info.hProcess ? GetProcessId(info.hProcess) : 0;
    if (info.hProcess) CloseHandle(info.hProcess);
    Write(GetStdHandle(STD_OUTPUT_HANDLE), std::to_wstring(id) + L"\n");
    return 0;
}

BOOL CALLBACK CollectChild(HWND child, LPARAM list) {
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(child);
    return TRUE;
}

int Controls(const wchar_t* title) {
    HWND window = FindWindowW(nullptr, title);
    if (!window) return Fail(L"no window titled \"" + std::wstring(title) + L"\"");
    std::vector<HWND> children;
    EnumChildWindows(window, CollectChild, reinterpret_cast<LPARAM>(&children));
    std::wstring out;
    for (HWND child : children) {
        wchar_t className[256] = L"";
        GetClassNameW(child, className, 256);
        std::wstring text(static_cast<size_t>(GetWindowTextLengthW(child)) + 1, L'\0');
        text.resize(static_cast<size_t>(GetWindowTextW(child, text.data(), static_cast<int>(text.size()))));
        out += std::wstring(className) + L"\t" + (IsWindowEnabled(child) ? L"1" : L"0") + L"\t" + text + L"\n";
    }
    Write(GetStdHandle(STD_OUTPUT_HANDLE), out);
    return 0;
}

int Close(const wchar_t* title) {
    HWND window = FindWindowW(nullptr, title);
    if (!window) return Fail(L"no window titled \"" + std::wstring(title) + L"\"");
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, processId);
    PostMessageW(window, WM_CLOSE, 0, 0);
    const DWORD waited = process ? WaitForSingleObject(process, 20000) : WAIT_FAILED;
    if (process) CloseHandle(process);
    if (waited != WAIT_OBJECT_0) return Fail(L"the program of \"" + std::wstring(title) + L"\" did not end");
    return 0;
}

int Shortcut(const wchar_t* link) {
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return Fail(L"COM did not start");
    IShellLinkW* shellLink = nullptr;
    IPersistFile* persist = nullptr;
    int status = 1;
    wchar_t target[MAX_PATH] = L"", arguments[1024] = L"", folder[MAX_PATH] = L"";
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                   reinterpret_cast<void**>(&shellLink))) &&
        SUCCEEDED(shellLink->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&persist))) &&
        SUCCEEDED(persist->Load(link, STGM_READ)) &&
        SUCCEEDED(shellLink->GetPath(target, MAX_PATH, nullptr, SLGP_RAWPATH)) &&
        SUCCEEDED(shellLink->GetArguments(arguments, 1024)) &&
        SUCCEEDED(shellLink->GetWorkingDirectory(folder, MAX_PATH))) {
        Write(GetStdHandle(STD_OUTPUT_HANDLE),
              std::wstring(L"target\t") + target + L"\narguments\t" + arguments + L"\nfolder\t" + folder + L"\n");
        status = 0;
    } else {
        Fail(L"cannot read the shortcut " + std::wstring(link));
    }
    if (persist) persist->Release();
    if (shellLink) shellLink->Release();
    CoUninitialize();
    return status;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const std::wstring command = argc > 1 ? argv[1] : L"";
    if (command == L"open" && argc == 4) return Open(argv[2], argv[3]);
    if (command == L"controls" && argc == 3) return Controls(argv[2]);
    if (command == L"close" && argc == 3) return Close(argv[2]);
    if (command == L"shortcut" && argc == 3) return Shortcut(argv[2]);
    return Fail(L"usage: shell_probe open CLASS FILE | controls TITLE | close TITLE | shortcut LINK");
}
