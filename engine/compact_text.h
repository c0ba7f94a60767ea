#pragma once
#include <string>
#include <string_view>

#include "engine/json_reader.h"

namespace tabulora {

// The compact JSON text of values as a JsonReader reports them: no blanks or line breaks between
// tokens, strings and numbers as written (a raw line break inside a string, which JSON does not
// allow, written as an escape: "\r\n" when the text is read as lines, where every line break is
// CR LF, else "\r" or "\n"), names as written in double quotes (single-quoted and bare names put
// in double quotes), separators as found (a byte that begins a multi-byte character as U+FFFD).
class CompactText {
public:
    void SetTextAsLines(bool textAsLines) { textAsLines_ = textAsLines; }

    void Name(const MemberName& name);
    // A simple member as ReaderOptions::memberLines reports it.
    void Member(std::string_view name, ScalarKind kind, std::string_view value);
    void Scalar(std::string_view text, bool rawBreaks);
    void Append(std::string_view text) { text_.append(text); }
    void Append(char byte) { text_ += byte; }
    void Separator(char separator);
    // Appends the compact text of the non-empty array whose "[" is at p straight from its text,
    // when it is plain JSON (blanks only between tokens, names in double quotes, no raw line break
    // in a string, at most `levels` and 64 containers deep) and ends before `end`, and returns
    // where it ends; the events of the same array would give the same text. Otherwise appends
    // nothing and returns nullptr. The text must be readable past `end` up to a byte that is not
    // a blank nor part of a number (the reader's buffers end in one).
    const char* AppendPlainArray(const char* p, const char* end, size_t levels);

    const std::string& Text() const { return text_; }
    size_t Size() const { return text_.size(); }
    void Truncate(size_t size) { text_.resize(size); }
    void Clear() { text_.clear(); }

private:
    std::string text_;
    bool textAsLines_ = true;
};

// The cell text of an array of plain values from its compact text: its values joined with
// `separator`, strings decoded as cells, numbers as written, true, false and null as words (an
// empty array gives an empty text). False when the array holds an object or an array.
bool JoinPlainArray(std::string_view compact, std::string_view separator, std::string& out);

// A member name as the line layout writes it and the line table reads it back: escaped, then
// decoded as a cell, which keeps control characters as their escapes.
void AssignNameCell(const MemberName& name, std::string& cell, std::string& scratch);

// Appends a string's contents (between its quotes) as CompactText writes them.
void AppendEscapingBreaks(std::string_view text, bool asLines, std::string& out);

}  // namespace tabulora
