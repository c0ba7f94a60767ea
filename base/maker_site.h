#pragma once
#include <string>
#include <string_view>

namespace tabulora {

// The maker's web site: the pages the program opens and the addresses it posts forms to.
// Page addresses carry their scheme; form addresses have none, since the exchange tries
// "https://" first and "http://" after it.
class MakerSite {
public:
    // The host, "name" or "name:port". The default is a reserved name that never resolves; tests
    // point the program at a local server with TABULORA_MAKER_HOST.
    static MakerSite FromEnvironment();
    explicit MakerSite(std::string host) : host_(std::move(host)) {}

    const std::string& Host() const { return host_; }
    std::string HomePage() const;
    // The product's help page: its name lower-cased (A to Z only) with every space as "-".
    std::string OnlineHelpPage(std::string_view productName) const;
    std::string AcknowledgementsPage() const;
    std::string UninstallHelpPage() const;
    std::string UpdateCheckAddress() const;
    std::string FeedbackAddress() const;

private:
    std::string host_;
};

inline constexpr const char* kDefaultMakerHost = "tabulora.example";

}  // namespace tabulora
