#pragma once
#include <string>
#include <string_view>

#include "base/maker_site.h"

namespace tabulora::update {

// The longest download address the program keeps or opens, in characters.
inline constexpr size_t kMaxDownloadUrlLength = 2048;

// True when a download address from the network may be handed to the shell: "http://" or
// "https://" in any letter case, a host after it, at most kMaxDownloadUrlLength characters, and
// no byte that could end or bend the address on the browser's command line (bytes up to 0x20,
// 0x7F, '"', '<', '>', '\').
bool IsSafeDownloadAddress(std::string_view address);

// What the notice's link opens: the download address when it is safe, else the home page
// (a local or UNC path, a file: address, a program name, nothing at all, ...).
std::string NoticeLinkTarget(std::string_view downloadUrl, const MakerSite& site);

}  // namespace tabulora::update
