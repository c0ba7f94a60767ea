#pragma once
#include <string>
#include <string_view>

namespace tabulora {

// The last part of a file or folder path: what follows its last \ or /, separators at its end
// left out ("C:\out\" gives "out"). Both separators count on every system.
inline std::string FileNameOf(std::string_view path) {
    while (path.size() > 1 && (path.back() == '\\' || path.back() == '/')) path.remove_suffix(1);
    const size_t slash = path.find_last_of("\\/");
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

}  // namespace tabulora
