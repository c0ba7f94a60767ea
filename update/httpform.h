#pragma once
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tabulora::update {

// Form fields in wire order, each line "name=value"; the first "=" separates the two.
using RequestFields = std::vector<std::string>;

// The URL-encoded form body: "name=value" pairs joined by "&", each side encoded from its
// UTF-8 bytes (space as "+", A-Z a-z 0-9 * - . _ kept, every other byte as %XX).
std::string EncodeFormBody(const RequestFields& fields);

// The value of a one-line tagged field "<name>value</name>" (tags in lower case, matched
// exactly, nothing trimmed), or an empty text when the line does not hold that field.
std::string GetTagValue(std::string_view line, std::string_view name);

// True when the URL, in any letter case, begins with "https://".
bool UsesHttpsClient(std::string_view url);

// Posts fields to a URL and returns the answer body as UTF-8; raises HttpError when no
// usable answer arrives.
using PostFunction = std::function<std::string(const std::string& url, const RequestFields& fields, int timeoutMs)>;

enum class Transport { Https, Http };

struct ExchangeResult {
    std::optional<std::string> answer;  // empty when both attempts failed
    Transport answeredBy = Transport::Https;
};

// Posts to "https://" + address and, when that raises, to "http://" + address.
// `attemptFailed` hears of each failed attempt with the error's message.
ExchangeResult PostFormTwice(const std::string& address, const RequestFields& fields, int timeoutMs,
                             const PostFunction& post,
                             const std::function<void(Transport, const std::string& message)>& attemptFailed);

}  // namespace tabulora::update
