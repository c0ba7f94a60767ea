#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/output_buffer.h"

namespace tabulora {

// Deepest container nesting the reformatter follows; a deeper container ends the reading like
// any other unreadable text (the output so far is kept).
inline constexpr unsigned kMaxNestingDepth = 4096;

// Receives the reformatted layout line by line, in order, without line breaks.
class ReformattedLines {
public:
    virtual ~ReformattedLines() = default;
    // A line as written: `tabs` TABs, then `text`. When `mayHoldBreaks` is set it copies a string
    // holding raw CR or LF bytes, which split it into several lines for its reader.
    virtual void Line(size_t tabs, std::string_view text, bool mayHoldBreaks) = 0;
    // Only when asked for (ReformatOptions::memberLines): the member line `"name": value` (with a
    // "," after it or not) at `tabs` TABs, handed over already taken apart: the name needs no
    // escaping, and `value` is a string's contents between its quotes (escapes as written, no
    // control bytes; `escapes` tells whether there are any) or a number or literal.
    virtual void MemberLine(size_t tabs, std::string_view name, std::string_view value, bool escapes);
    // A top-level value has ended and its last line has been handed over.
    virtual void ValueEnd() {}

    // Only when flattening (ReformatOptions::flatten). How a member's non-empty array value is
    // read, asked when the array begins; `tabs` is the indentation of the member's line.
    enum class ArrayUse : uint8_t {
        Lines,   // as the lines of the layout, like any other array
        Cell,    // whole, as one member line for ArrayMember; no lines of its own
        Both,    // both ways, until ArraysWanted() says that the member lines are not wanted
    };
    virtual ArrayUse ArrayMemberBegins(size_t tabs);
    // The member line `"name": [...]` of an array read as a cell: the name as in Line, the value
    // the array's compact text (see ReformatOptions::flatten).
    virtual void ArrayMember(size_t tabs, std::string_view line);
    // Asked after every line while arrays are read both ways.
    virtual bool ArraysWanted();
};

// Why the reading of a text ended before its end.
enum class StopReason : uint8_t {
    None,
    UnreadableJson,   // text that starts no value, name or separator
    UnexpectedEnd,    // the text ends inside a value
    NestingTooDeep,   // more than kMaxNestingDepth open containers
    ZeroByte,         // a zero byte ends the text of a file that goes on (found by the file reader)
};

struct ReformatOptions {
    bool allValues = true;      // every top-level value, one after the other, or only the first
    bool textAsLines = true;    // raw line breaks inside member names read as CR LF (see TextFeeder)
    bool memberLines = false;   // simple member lines go to ReformattedLines::MemberLine
    // Arrays that are member values may be read whole (ReformattedLines::ArrayMemberBegins), as
    // compact JSON text: no blanks or line breaks between tokens, strings and numbers as written
    // (a raw line break inside a string, which JSON does not allow, written as an escape), names
    // as written in double quotes (single-quoted and bare names put in double quotes), separators
    // as found. An empty object stays on its line as "{}".
    bool flatten = false;
};

// Rewrites JSON values into the line layout: one member or element per line, one TAB per nesting
// level, member names re-escaped in double quotes followed by ": ". Never fails: unreadable text
// ends the reading where it stands, and what was written so far is kept.
//
// The text may arrive in pieces of any size (TextFeeder does the bookkeeping). Nested containers
// are followed with an explicit stack, so nesting depth never costs native stack.
class JsonReformatter {
public:
    JsonReformatter(ReformattedLines& lines, ReformatOptions options);

    // Reads what it can of [data, end) and returns how many bytes it used; the rest (at most one
    // token: a string, name, number or literal) must begin the data of the next call. `*end` must
    // be a zero byte and no other zero byte may stand in the text. `final`: the text ends at `end`.
    // After the final call, or once Done(), the whole text counts as used. An empty text (which
    // holds no value) is not fed at all.
    size_t Feed(const char* data, const char* end, bool final);

    // Reading has ended: at the end of the text or where it stopped.
    bool Done() const { return step_ == Step::Finished || step_ == Step::Stopped; }
    StopReason Stop() const { return stop_; }
    // Offset in the whole text of the byte where reading stopped (the end of the text for
    // UnexpectedEnd).
    uint64_t StopOffset() const { return stopOffset_; }

private:
    enum class Step : uint8_t {
        TopValue, Value, ArrayFirst, ObjectFirst, ArrayElement, ObjectMember, NameColon,
        AfterValue, FieldEnd, ValueDone, TopDone, Finished, Stopped,
    };
    // What must follow a member name: after a double-quoted name, anything up to the first , : ] }
    // which must be the colon; after a single-quoted name blanks and a colon; after a bare name
    // blanks and a colon or an equals sign.
    enum class ColonRule : uint8_t { AfterQuotedName, ColonOnly, ColonOrEquals };

    bool RunStep();
    bool TopValue();
    bool BeginValue();
    bool ArrayFirst();
    bool ObjectFirst();
    bool ArrayElement();
    bool ObjectMember();
    bool ParseJSONPropName();
    bool NameColon();
    bool MemberValue();
    bool AfterValue();
    bool ParseJSONField();
    bool FieldEnd();
    bool ValueDone();
    bool TopDone();

    bool TryMemberLine();
    unsigned Level() const { return static_cast<unsigned>(open_.size()); }
    const char* SkipBlanks(const char* p) const;
    void WriteName();
    void KeepName();
    bool StopAt(const char* p, StopReason reason);
    bool NeedMore(const char* p);
    void AddCRAndIndent();
    void FinishLine();
    void AppendSeparator(char separator);

    // Bytes written the same way in the layout and in the compact text.
    void Put(const char* bytes, size_t count) {
        line_.Append(bytes, count);
        if (pendingCount_) compact_.Append(bytes, count);
    }
    void Put(char byte) {
        line_.Append(byte);
        if (pendingCount_) compact_.Append(byte);
    }
    void PutString(const char* begin, const char* end, bool breaks);
    void PutCompact(std::string_view text);
    void PutCompactName(std::string_view raw, bool quoted);
    void BeginMemberArray();
    bool CopyPlainArray(const char* p);
    void ArrayClosed();
    void DropCollecting();
    void DropPending();

    ReformattedLines& lines_;
    ReformatOptions options_;
    Step step_ = Step::TopValue;

    // The piece being read: [data_, end_), a zero byte at end_.
    const char* data_ = nullptr;
    const char* pos_ = nullptr;
    const char* end_ = nullptr;
    bool final_ = false;
    uint64_t consumed_ = 0;      // bytes of earlier pieces used

    bool firstValue_ = true;
    bool ended_ = false;         // the text ended right after the last separator, or without one
    char separator_ = 0;         // separator byte after the value just read; 0 when none
    ColonRule colonRule_ = ColonRule::AfterQuotedName;
    std::vector<char> open_;     // '[' or '{' for every open container

    std::string_view name_;      // the member name: raw text when it needs no escaping, else nameCopy_
    std::string nameCopy_;       // a decoded name, or a name kept across pieces
    std::string normalizedName_;
    bool nameNeedsEscaping_ = false;

    OutputBuffer line_;             // the line being written, without its indentation
    unsigned lineTabs_ = 0;         // the indentation of the line being written
    bool lineHandedOver_ = false;   // the line being written went to the receiver already
    bool rawBreakInLine_ = false;   // the line being written copies a raw CR or LF

    StopReason stop_ = StopReason::None;
    uint64_t stopOffset_ = 0;

    // Flattening: arrays read whole. The innermost one read as a cell alone is written compact
    // into line_ (after its member's name); arrays read both ways are also written compact into
    // compact_, each from its own start.
    struct PendingArray {
        size_t level = 0;      // open containers inside it
        size_t tabs = 0;       // of its member's line
        size_t start = 0;      // in compact_
        std::string nameLine;  // its member's line up to the value: `"name": `
    };
    bool collecting_ = false;    // compactLine_ or pending arrays
    bool compactLine_ = false;
    size_t cellLevel_ = 0;       // open containers inside the array written into line_
    OutputBuffer compact_;
    std::vector<PendingArray> pending_;   // the first pendingCount_ are open
    size_t pendingCount_ = 0;
    std::string scratch_;
};

}  // namespace tabulora
