#include "app/application.h"

#include "winui/messages.h"
#include "winui/window.h"

namespace tabulora {

void InitApplication() {
    winui::InitCommonControls6();
    winui::SetApplicationTitle(L"Tabulora");
}

}  // namespace tabulora
