#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tabulora {

// Deepest container nesting the reader follows; a deeper container ends the reading like any
// other unreadable text (what was read so far is kept).
inline constexpr unsigned kMaxNestingDepth = 4096;

// A string that runs on past the text at hand for at least this many bytes goes, to a consumer
// that takes strings in parts, in parts as the text comes, so that it is never held whole here.
inline constexpr size_t kStringPartBytes = 64 * 1024;

// Why the reading of a text ended before its end.
enum class StopReason : uint8_t {
    None,
    UnreadableJson,  // text that starts no value, name or separator
    UnexpectedEnd,   // the text ends inside a value
    NestingTooDeep,  // more than kMaxNestingDepth open containers
    ZeroByte,        // a zero byte ends the text of a file that goes on (found by the file reader)
};

// The kind of a scalar value. A value that cannot be read is reported as the text "null" of kind
// Unreadable, and the reading stops right after it.
enum class ScalarKind : uint8_t { String, Number, True, False, Null, Unreadable };

// A member name as read: `decoded` is the name itself; a double-quoted name also has `raw`, its
// text between the quotes as written. `needsEscaping` is false when `decoded` can be written
// between double quotes as it stands.
struct MemberName {
    enum class Quote : uint8_t { Double, Single, Bare };
    std::string_view decoded;
    std::string_view raw;
    Quote quote = Quote::Double;
    bool needsEscaping = false;
};

struct ReaderOptions {
    bool allValues = true;    // every top-level value, one after the other, or only the first
    bool textAsLines = true;  // raw line breaks inside member names read as CR LF (see TextFeeder)
    // The common member `"name": value` (a name that needs no escaping, a string without control
    // bytes, a number or a literal, then "," or "}") is reported whole as Events::MemberLine.
    bool memberLines = false;
};

// The reading side of a JsonReader, as the TextFeeder drives it piece by piece.
class PieceReader {
public:
    virtual ~PieceReader() = default;
    // Reads what it can of [data, end) and returns how many bytes it used; the rest (at most one
    // token: a string, name, number or literal) must begin the data of the next call. `*end` must
    // be a zero byte and no other zero byte may stand in the text. `final`: the text ends at `end`.
    // After the final call, or once Done(), the whole text counts as used. An empty text (which
    // holds no value) is not fed at all.
    virtual size_t Feed(const char* data, const char* end, bool final) = 0;
    // Reading has ended: at the end of the text or where it stopped.
    virtual bool Done() const = 0;
    virtual StopReason Stop() const = 0;
    // Offset in the whole text of the byte where reading stopped (the end of the text for
    // UnexpectedEnd).
    virtual uint64_t StopOffset() const = 0;
    // Offset in the whole text of the string being reported in parts (its opening quote), or
    // UINT64_MAX: a stop at the end of the text reports that place, which is no longer at hand.
    virtual uint64_t PartedStringStart() const { return UINT64_MAX; }
};

// Reads JSON text, tolerantly: blanks are skipped, member names may be single-quoted or bare (a
// bare name may be followed by "=" instead of ":"), whatever follows a number or a literal up to
// the next , : ] } is passed over, and the byte after a string or a container is its separator,
// whatever it is. Unreadable text ends the reading where it stands; what was reported so far
// stays. It works on bytes: strings and numbers are reported as written, only member names are
// decoded. Nested containers are followed with an explicit stack, so nesting never costs native
// stack.
//
// What it reads goes to `Events`, in order, as views valid only during the call:
//   Name(const MemberName&)            a member's name; its colon has been read, its value follows
//   MemberLine(name, kind, value, escapes)   with ReaderOptions::memberLines: a whole simple member
//                                      (`value` a string's contents between its quotes, escapes as
//                                      written, `escapes` whether there are any); "," or "}" follows
//   Scalar(kind, text, rawBreaks)      a string as written with its quotes (`rawBreaks`: it holds a
//                                      raw CR or LF), a number, a literal, or "null" when unreadable
//   StringPart(text, rawBreaks)        optional: a long string (kStringPartBytes) as written so far,
//                                      the first part with its opening quote; the Scalar that
//                                      follows its last part holds the rest with the closing quote.
//                                      A string that the text ends inside gets no Scalar: ValueEnd
//                                      follows its parts
//   OpenObject(), EmptyObject(), CloseObject(), OpenArray(), EmptyArray(), CloseArray()
//   Element()                          an element of the innermost array begins
//   Separator(byte, inObject)          the byte after a value that does not close its container
//   TakeWholeArray(p, end, levels)     optional: offered each array at its "[" before any event of
//                                      it; returns where it ends when the consumer took it whole
//                                      (at most `levels` containers deep), nullptr to have its
//                                      events reported as usual
//   ValueEnd()                         a top-level value has ended, or the reading stopped
template <class Events>
class JsonReader final : public PieceReader {
public:
    JsonReader(Events& events, ReaderOptions options) : events_(events), options_(options) {}

    size_t Feed(const char* data, const char* end, bool final) override;
    bool Done() const override { return step_ == Step::Finished || step_ == Step::Stopped; }
    StopReason Stop() const override { return stop_; }
    uint64_t StopOffset() const override { return stopOffset_; }
    uint64_t PartedStringStart() const override { return step_ == Step::StringRest ? stringStart_ : UINT64_MAX; }

private:
    enum class Step : uint8_t {
        TopValue,
        Value,
        ArrayFirst,
        ObjectFirst,
        ArrayElement,
        ObjectMember,
        NameColon,
        StringRest,
        AfterValue,
        FieldEnd,
        ValueDone,
        TopDone,
        Finished,
        Stopped,
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
    bool ReadMemberName();
    bool NameColon();
    bool MemberValue();
    bool AfterValue();
    bool StringRest();
    bool ReadScalar();
    bool FieldEnd();
    bool ValueDone();
    bool TopDone();
    bool TryMemberLine();

    const char* SkipBlanks(const char* p) const;
    void KeepName();
    bool StopAt(const char* p, StopReason reason);
    bool StopAtOffset(uint64_t offset, StopReason reason);
    bool NeedMore(const char* p);

    Events& events_;
    ReaderOptions options_;
    Step step_ = Step::TopValue;

    // The piece being read: [data_, end_), a zero byte at end_.
    const char* data_ = nullptr;
    const char* pos_ = nullptr;
    const char* end_ = nullptr;
    bool final_ = false;
    uint64_t consumed_ = 0;  // bytes of earlier pieces used

    bool firstValue_ = true;
    bool ended_ = false;  // the text ended right after the last separator, or without one
    char separator_ = 0;  // separator byte after the value just read; 0 when none
    ColonRule colonRule_ = ColonRule::AfterQuotedName;
    std::vector<char> open_;  // '[' or '{' for every open container

    // The member name: views into the text, or into the copies when it is kept across pieces.
    MemberName name_;
    std::string nameCopy_;  // a decoded name, or a name kept across pieces
    std::string rawCopy_;   // a double-quoted name's text kept across pieces
    std::string normalizedName_;

    uint64_t stringStart_ = 0;  // offset of the string being reported in parts

    StopReason stop_ = StopReason::None;
    uint64_t stopOffset_ = 0;
};

}  // namespace tabulora
