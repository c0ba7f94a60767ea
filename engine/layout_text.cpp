#include "engine/layout_text.h"

#include <cstring>

#include "engine/text_feeder.h"

namespace tabulora {
namespace {

// Collects each value's lines as text, joined with CR LF and indented with TABs.
class LayoutCollector final : public ReformattedLines {
public:
    explicit LayoutCollector(bool trimValues) : trimValues_(trimValues) {}

    void Line(size_t tabs, std::string_view text, bool) override {
        if (!firstLine_) value_ += "\r\n";
        firstLine_ = false;
        value_.append(tabs, '\t');
        value_ += text;
    }

    void ValueEnd() override {
        if (valueCount_++ > 0) text_ += "\r\n";
        text_ += trimValues_ ? Trimmed(value_) : std::string_view(value_);
        value_.clear();
        firstLine_ = true;
    }

    std::string Text() { return std::move(text_); }

private:
    static std::string_view Trimmed(std::string_view text) {
        size_t begin = 0, end = text.size();
        while (begin < end && static_cast<unsigned char>(text[begin]) <= 0x20) ++begin;
        while (end > begin && static_cast<unsigned char>(text[end - 1]) <= 0x20) --end;
        return text.substr(begin, end - begin);
    }

    bool trimValues_;
    bool firstLine_ = true;
    size_t valueCount_ = 0;
    std::string value_;
    std::string text_;
};

std::string Layout(std::string_view text, ReformatOptions options, bool trimValues) {
    LayoutCollector collector(trimValues);
    JsonReformatter reformatter(collector, options);
    ReformatWholeText(text, reformatter, options.textAsLines);
    return collector.Text();
}

}  // namespace

void ReformatWholeText(std::string_view text, JsonReformatter& reformatter, bool asLines) {
    const void* zero = std::memchr(text.data(), 0, text.size());
    const size_t length = zero ? static_cast<const char*>(zero) - text.data() : text.size();
    TextFeeder feeder(reformatter, asLines);
    feeder.FeedCopy(text.substr(0, length), 0);
    feeder.Finish(0, zero != nullptr);
}

std::string ReformatJSONText(std::string_view text) {
    return Layout(text, ReformatOptions{false, false, false}, false);
}

std::string HumanReadableJson(std::string_view text) {
    return Layout(text, ReformatOptions{true, true, false}, true);
}

}  // namespace tabulora
