#include "app/application.h"

#include "app/win/messages.h"
#include "app/win/window.h"

namespace tabulora {

void InitApplication() {
    winui::InitCommonControls6();
    winui::SetApplicationTitle(L"Tabulora");
}

}  // namespace tabulora
