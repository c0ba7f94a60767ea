#pragma once
#include <string>
#include <string_view>

#include "base/maker_site.h"

namespace tabulora::update {

// What the notice's link opens. The download address comes from the network, so it is opened
// only when it is a web address ("http://" or "https://" in any letter case); anything else (a
// local or UNC path, a file: address, a program name, nothing at all) gives the home page.
std::string NoticeLinkTarget(std::string_view downloadUrl, const MakerSite& site);

}  // namespace tabulora::update
