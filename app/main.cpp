#include <windows.h>

#include "app/application.h"
#include "app/mainform.h"
#include "app/win/handles.h"
#include "app/win/message_loop.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int showCommand) {
    // Kept open for the whole run and never examined: a second instance starts like the first.
    winui::UniqueHandle mutex(CreateMutexW(nullptr, FALSE, L"BRIMTAL_Tabulora"));
    tabulora::InitApplication();
    tabulora::TAppForm form;
    ShowWindow(form.Handle(), showCommand);
    UpdateWindow(form.Handle());
    return winui::RunMessageLoop(form.Handle(), form.Accelerators());
}
