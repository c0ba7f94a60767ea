#include <windows.h>

#include "app/application.h"
#include "app/command_line.h"
#include "app/main_window.h"
#include "app/program_identity.h"
#include "base/maker_site.h"
#include "update/settings_registry_win.h"
#include "winui/handles.h"
#include "winui/message_loop.h"
#include "winui/program_folder.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int showCommand) {
    // Kept open for the whole run and never examined: a second instance starts like the first.
    winui::UniqueHandle mutex(CreateMutexW(nullptr, FALSE, L"BRIMTAL_Tabulora"));
    tabulora::InitApplication();
    int exitCode = 0;
    {
        const tabulora::AppIdentity identity = tabulora::ReadProgramIdentity(winui::ExecutablePath());
        tabulora::MainWindow window(identity, tabulora::MakerSite::FromEnvironment(),
                                    tabulora::update::OpenSettingsStoreOfProgram(identity.title));
        window.AddFilesFromCommandLine(tabulora::FilesOnCommandLine(GetCommandLineW()));
        ShowWindow(window.Handle(), showCommand);
        UpdateWindow(window.Handle());
        exitCode = winui::RunMessageLoop(window.Handle(), window.Accelerators());
    }
    // The update check may still be waiting on the network on its own thread. End the process
    // here, which stops that thread without waiting for it, instead of returning: returning would
    // first run the program's static destructors while the thread may still use what they
    // destroy. Nothing is left to save: settings are written as they change, and the windows
    // are gone.
    ExitProcess(static_cast<UINT>(exitCode));
}
