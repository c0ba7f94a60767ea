#include "base/app_identity.h"

#include <utility>

namespace tabulora {

AppIdentity MakeAppIdentity(std::string company, std::string product, std::string version) {
    std::string title = company + " - " + product;
    return {std::move(company), std::move(product), std::move(version), std::move(title)};
}

}  // namespace tabulora
