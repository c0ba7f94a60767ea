#include "base/text.h"

#include <charconv>

namespace tabulora {

std::vector<std::string> SplitLines(std::string_view text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n') continue;
        lines.emplace_back(text.substr(start, i - start));
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        start = i + 1;
    }
    if (start < text.size()) lines.emplace_back(text.substr(start));
    return lines;
}

std::string AsciiLower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return lower;
}

bool TryParseInt32(std::string_view text, int& value) {
    // from_chars takes a leading "-" but no "+"; a "+" is allowed right before a digit.
    if (text.size() > 1 && text[0] == '+' && text[1] >= '0' && text[1] <= '9') text.remove_prefix(1);
    int parsed = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), parsed);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) return false;
    value = parsed;
    return true;
}

}  // namespace tabulora
