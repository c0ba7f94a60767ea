#pragma once
// Whole texts through the engine in one go, for the engine tests and the fuzz target: the line
// layout of a text as one string, and the plain reference conversion that the streaming export
// is checked against.
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/conversion.h"
#include "engine/json_table.h"
#include "engine/line_layout.h"
#include "engine/row_sink.h"
#include "engine/text_feeder.h"

namespace tabulora {

// Feeds a whole text to `reader` through a TextFeeder; the first zero byte ends it, as it
// ends the text of a file.
inline void ReadWholeText(std::string_view text, PieceReader& reader, bool asLines) {
    const void* zero = std::memchr(text.data(), 0, text.size());
    const size_t length = zero ? static_cast<const char*>(zero) - text.data() : text.size();
    TextFeeder feeder(reader, asLines);
    feeder.FeedCopy(text.substr(0, length), 0);
    feeder.Finish(0, zero != nullptr);
}

// Each value's lines joined with CR LF, indented with TABs; the values joined with CR LF, each
// trimmed of bytes <= 0x20 at both ends when `trimValues`.
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
        std::string_view value = value_;
        while (trimValues_ && !value.empty() && static_cast<unsigned char>(value.front()) <= 0x20)
            value.remove_prefix(1);
        while (trimValues_ && !value.empty() && static_cast<unsigned char>(value.back()) <= 0x20)
            value.remove_suffix(1);
        text_ += value;
        value_.clear();
        firstLine_ = true;
    }
    const std::string& Text() const { return text_; }

private:
    bool trimValues_;
    bool firstLine_ = true;
    size_t valueCount_ = 0;
    std::string value_;
    std::string text_;
};

// The line layout of the first JSON value of `text`.
inline std::string FirstValueLayout(std::string_view text) {
    LayoutCollector collector(false);
    LayoutReader reader(collector, ReaderOptions{false, false, false});
    ReadWholeText(text, reader, false);
    return collector.Text();
}

// The layout of every value of `text`, read as its lines, each value trimmed.
inline std::string AllValuesLayout(std::string_view text) {
    LayoutCollector collector(true);
    LayoutReader reader(collector, ReaderOptions{true, true, false});
    ReadWholeText(text, reader, true);
    return collector.Text();
}

// Row lines kept with their field counts; the rows written before later columns appeared are
// padded when the text is made.
class ReferenceRows final : public RowSink {
public:
    char* Reserve(size_t count) override {
        line_.resize(used_ + count);
        return line_.data() + used_;
    }
    void Commit(size_t count) override { used_ += count; }
    void EndRow(uint32_t fieldCount) override {
        rows_.push_back({std::string(line_.data(), used_ - 2), fieldCount});  // without CR LF
        used_ = 0;
    }
    std::string Text(const std::string& separator, uint32_t columns) const {
        std::string text;
        for (const Row& row : rows_) {
            text += row.text;
            for (uint32_t field = row.fields; field < columns; ++field) text += separator;
            text += "\r\n";
        }
        return text;
    }

private:
    struct Row {
        std::string text;
        uint32_t fields;
    };
    std::vector<Row> rows_;
    std::string line_;
    size_t used_ = 0;
};

// The reference conversion: each text handed to the reformatter whole (read as its lines when
// `asLines`, as the program reads files), every line it writes parsed as text by the table (none
// taken apart by the reformatter), all texts into one CSV in UTF-8. Unlike the export, it makes a
// CSV also of texts without any line: one empty row line.
inline std::string ReferenceCsv(const std::vector<std::string>& texts, const CsvOptions& options = {},
                                bool asLines = true) {
    ReferenceRows rows;
    const std::unique_ptr<JsonTable> table = MakeJsonTable(options, rows);
    for (const std::string& text : texts) {
        const std::unique_ptr<PieceReader> reader = table->NewReader(ReaderOptions{true, asLines, false});
        ReadWholeText(text, *reader, asLines);
    }
    table->Finish();
    std::string csv = options.utf8Bom ? "\xEF\xBB\xBF" : "";
    if (options.includeHeader) csv += table->Rows().HeaderLine() + "\r\n";
    return csv + rows.Text(options.separator, table->Rows().ColumnCount());
}

}  // namespace tabulora
