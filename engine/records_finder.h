#pragma once
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/export_reading.h"
#include "engine/json_lines_filter.h"
#include "engine/json_reader.h"
#include "engine/table_preview.h"
#include "engine/text_feeder.h"

namespace tabulora {

// Reads JSON texts beside a table and finds the choices of records and arrays in them: every
// array holding objects, by its path from the top-level value with the objects in it counted (an
// array inside an array has its parent's path, so its objects count for that path), and the
// arrays inside the records at `records` (the objects whose path that is; the empty path: the
// top-level objects and the objects of top-level arrays), by their path from the record. Each
// list keeps the order first met. Memory grows with the number of distinct paths, not with the
// text; nothing is allocated per token.
class RecordsFinder final : public TextWatcher {
public:
    // `skipBadLines`: the texts are read as JSON Lines with bad lines left out, as the table does.
    RecordsFinder(JsonPath records, bool skipBadLines);

    const std::vector<RecordsChoice>& Records() const { return records_; }
    const std::vector<JsonPath>& Arrays() const { return arrays_; }

    // TextWatcher
    void BeginText(size_t input) override;
    void Feed(const char* data, size_t size) override;
    void EndText(bool whole) override;
    void TakeBackText() override;

    // What the reader reports (see JsonReader).
    void Name(const MemberName& name) { memberName_.assign(name.decoded); }
    void MemberLine(std::string_view, ScalarKind, std::string_view, bool) {}
    void Scalar(ScalarKind, std::string_view, bool) {}
    void OpenObject() { Open(false); }
    void EmptyObject() {
        Open(false);
        Close();
    }
    void CloseObject() { Close(); }
    void OpenArray() { Open(true); }
    void EmptyArray() {
        Open(true);
        Close();
    }
    void CloseArray() { Close(); }
    void Element() {}
    void Separator(char, bool) {}
    void ValueEnd();

private:
    struct Frame {
        bool array;
        size_t pathStart;  // the length of path_ outside this container
        long choice;       // an array: its entry in records_, once an object is met in it; else -1
    };
    void Open(bool array);
    void Close();
    static void AppendStep(std::string& key, std::string_view name);
    static JsonPath PathOfKey(std::string_view key);

    const bool skipBadLines_;
    std::string recordsKey_;  // the records' path, as path_ spells it

    // The path of the value being read: each name as its length (four bytes) and its bytes.
    std::string path_;
    std::vector<Frame> frames_;
    std::string memberName_;
    long recordFrame_ = -1;  // the frame of the record being read, or -1
    size_t recordPathEnd_ = 0;

    std::vector<RecordsChoice> records_;
    std::map<std::string, size_t, std::less<>> recordsByKey_;
    std::vector<JsonPath> arrays_;
    std::map<std::string, size_t, std::less<>> arraysByKey_;
    // The lists before the text at hand, to go back to: the counts, and the keys added since.
    std::vector<uint64_t> countsAtStart_;
    std::vector<std::string> recordsAdded_, arraysAdded_;

    // The reading of the text at hand.
    std::unique_ptr<PieceReader> reader_;
    std::optional<TextFeeder> feeder_;
    std::optional<JsonLinesFilter> lines_;
    std::vector<char> piece_;  // a copy of the piece with the room a feeder needs around it
};

}  // namespace tabulora
