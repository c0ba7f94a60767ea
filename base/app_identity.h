#pragma once
#include <string>

namespace tabulora {

// Who the program is: read once at start-up from the executable's version resource and passed
// to every window and to the update check.
struct AppIdentity {
    std::string company;  // CompanyName of the version resource
    std::string product;  // ProductName of the version resource
    std::string version;  // "major.minor" of the file version
    std::string title;    // company + " - " + product: the main window's caption
};

AppIdentity MakeAppIdentity(std::string company, std::string product, std::string version);

}  // namespace tabulora
