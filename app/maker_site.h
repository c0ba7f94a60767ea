#pragma once
#include <cstdlib>
#include <string>

namespace tabulora {

// The maker's web host. The default is a reserved name that never resolves; tests point the
// program at a local server with TABULORA_MAKER_HOST ("host" or "host:port").
inline constexpr const char* kDefaultMakerHost = "tabulora.example";

inline std::string MakerHost() {
    const char* host = std::getenv("TABULORA_MAKER_HOST");
    return host && *host ? std::string(host) : std::string(kDefaultMakerHost);
}

}  // namespace tabulora
