#pragma once
#include <string>
#include <string_view>

namespace tabulora::update {

// The maker's home page: a plain HTTP address on the maker's host ("host" or "host:port").
std::string MakerHomePage(std::string_view makerHost);

// What the notice's link opens. The download address comes from the network, so it is opened
// only when it is a web address ("http://" or "https://" in any letter case); anything else (a
// local or UNC path, a file: address, a program name, nothing at all) gives the home page.
std::string NoticeLinkTarget(std::string_view downloadUrl, std::string_view makerHost);

}  // namespace tabulora::update
