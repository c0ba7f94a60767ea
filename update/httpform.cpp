#include "update/httpform.h"

#include "base/text.h"

namespace tabulora::update {
namespace {

void AppendEncoded(std::string& out, std::string_view text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        const bool kept = (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
                          (byte >= '0' && byte <= '9') || byte == '*' || byte == '-' || byte == '.' || byte == '_';
        if (kept) {
            out += c;
        } else if (byte == ' ') {
            out += '+';
        } else {
            out += '%';
            out += kHex[byte >> 4];
            out += kHex[byte & 0x0F];
        }
    }
}

}  // namespace

std::string EncodeFormBody(const RequestFields& fields) {
    std::string body;
    for (const std::string& field : fields) {
        if (!body.empty()) body += '&';
        const size_t equals = field.find('=');
        const std::string_view line(field);
        AppendEncoded(body, line.substr(0, equals));
        body += '=';
        if (equals != std::string_view::npos) AppendEncoded(body, line.substr(equals + 1));
    }
    return body;
}

std::string GetTagValue(std::string_view line, std::string_view name) {
    if (line.empty() || name.empty()) return {};
    const std::string lowerName = AsciiLower(name);
    const std::string opening = "<" + lowerName + ">";
    const std::string closing = "</" + lowerName + ">";
    if (line.size() < opening.size() + closing.size()) return {};
    if (!line.starts_with(opening) || !line.ends_with(closing)) return {};
    return std::string(line.substr(opening.size(), line.size() - opening.size() - closing.size()));
}

bool UsesHttpsClient(std::string_view url) { return AsciiLower(url.substr(0, 8)) == "https://"; }

ExchangeResult PostFormTwice(const std::string& address, const RequestFields& fields, int timeoutMs,
                             const PostFunction& post,
                             const std::function<void(Transport, const std::string& message)>& attemptFailed) {
    try {
        return {post("https://" + address, fields, timeoutMs), Transport::Https};
    } catch (const std::exception& error) {
        attemptFailed(Transport::Https, error.what());
    }
    try {
        return {post("http://" + address, fields, timeoutMs), Transport::Http};
    } catch (const std::exception& error) {
        attemptFailed(Transport::Http, error.what());
    }
    return {};
}

}  // namespace tabulora::update
