#pragma once

namespace tabulora {

// What every start does before the main window exists: common controls and the application
// title that captions the unhandled-error box.
void InitApplication();

}  // namespace tabulora
