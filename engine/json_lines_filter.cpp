#include "engine/json_lines_filter.h"

#include <algorithm>
#include <cstring>

#include "engine/csv_output.h"
#include "engine/line_breaks.h"
#include "engine/strict_json.h"

namespace tabulora {

std::string SkippedLinesMessage(std::string_view name, const SkippedLines& skipped) {
    std::string text = std::string(name) + ": " + std::to_string(skipped.count) +
                       (skipped.count == 1 ? " bad line skipped (line " : " bad lines skipped (lines ");
    for (size_t i = 0; i < skipped.first.size(); ++i) text += (i ? ", " : "") + std::to_string(skipped.first[i]);
    if (skipped.count > skipped.first.size()) text += ", ...";
    return text + ")";
}

namespace {

bool IsBadLine(const char* begin, const char* end) {
    return ClassifyJsonText(std::string_view(begin, static_cast<size_t>(end - begin))) == JsonTextKind::Invalid;
}

}  // namespace

void LineVerdicts::Judge(const char* text, size_t size) {
    bad.clear();
    begin = end = 0;
    const char* const textEnd = text + size;
    const char* firstBreak = static_cast<const char*>(std::memchr(text, '\n', size));
    if (!firstBreak) return;
    const char* p = firstBreak + 1;
    begin = static_cast<size_t>(p - text);
    while (const char* lineEnd = static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(textEnd - p)))) {
        if (IsBadLine(p, lineEnd)) bad.push_back(static_cast<size_t>(p - text));
        p = lineEnd + 1;
    }
    end = static_cast<size_t>(p - text);
}

void JsonLinesFilter::Feed(char* data, size_t size, const LineVerdicts* verdicts) {
    char* p = data;
    char* const end = data + size;
    if (!held_.empty()) {
        char* lineEnd = static_cast<char*>(std::memchr(p, '\n', static_cast<size_t>(end - p)));
        if (!lineEnd) {
            held_.append(p, end);
            return;
        }
        held_.append(p, lineEnd + 1);
        p = lineEnd + 1;
        TakeHeldLine();
    }
    // [good, p) holds good lines not yet handed on, beginning with line `goodLine`.
    char* good = p;
    uint64_t goodLine = line_;
    size_t nextBad = 0;  // into verdicts->bad
    while (p < end) {
        char* lineEnd = static_cast<char*>(std::memchr(p, '\n', static_cast<size_t>(end - p)));
        if (!lineEnd) {
            FeedGood(good, p, goodLine);
            held_.assign(p, end);
            return;
        }
        const size_t offset = static_cast<size_t>(p - data);
        bool bad;
        if (verdicts && offset >= verdicts->begin && offset < verdicts->end) {
            bad = nextBad < verdicts->bad.size() && verdicts->bad[nextBad] == offset;
            nextBad += bad;
        } else {
            bad = IsBadLine(p, lineEnd);
        }
        if (bad) {
            FeedGood(good, p, goodLine);
            Skip(std::string_view(p, static_cast<size_t>(lineEnd + 1 - p)));
            good = lineEnd + 1;
            goodLine = line_ + 1;
        }
        p = lineEnd + 1;
        ++line_;
    }
    FeedGood(good, end, goodLine);
}

void JsonLinesFilter::Finish() {
    if (!held_.empty()) TakeHeldLine();
}

// The feeder writes a zero byte at `end` and may put what it kept from before in front of
// `begin`: both are bytes already handled, or the next line, whose first byte is put back.
void JsonLinesFilter::FeedGood(char* begin, char* end, uint64_t firstLine) {
    if (begin == end) return;
    const char next = *end;
    feeder_.Feed(TextPiece{begin, static_cast<size_t>(end - begin), firstLine - 1});
    *end = next;
}

// The held line is complete (with its line break, unless the text ended).
void JsonLinesFilter::TakeHeldLine() {
    const bool ended = held_.back() == '\n';
    const std::string_view text(held_.data(), held_.size() - ended);
    switch (ClassifyJsonText(text)) {
    case JsonTextKind::OneValue: FeedHeldLine(); break;
    case JsonTextKind::Invalid: Skip(held_); break;
    case JsonTextKind::Blank: break;
    }
    held_.clear();
    line_ += ended;
}

// In pieces of the reading's size, so that a long string in the line goes on in parts instead of
// being held a second time.
void JsonLinesFilter::FeedHeldLine() {
    constexpr size_t kPiece = 1 << 20;
    uint64_t breaks = line_ - 1;
    for (size_t start = 0; start < held_.size(); start += kPiece) {
        const size_t size = std::min(kPiece, held_.size() - start);
        feeder_.FeedCopy(std::string_view(held_.data() + start, size), breaks);
        breaks += CountLineBreaks(held_.data() + start, held_.data() + start + size);
    }
}

void JsonLinesFilter::Skip(std::string_view line) {
    if (skipped_.first.size() < kSkippedLinesNamed) skipped_.first.push_back(line_);
    ++skipped_.count;
    if (rejects_) rejects_->Write(line);
}

}  // namespace tabulora
