#pragma once
#include <string>

#include "base/app_identity.h"

namespace tabulora {

// The identity of the executable at `path`, from its version resource. A resource that cannot be
// read is reported in the unhandled-error box and leaves company and product empty; the version
// is then "65535.65535".
AppIdentity ReadProgramIdentity(const std::wstring& path);

}  // namespace tabulora
