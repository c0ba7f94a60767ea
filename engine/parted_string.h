#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "engine/json_reader.h"

namespace tabulora {

// How a table takes a long string that the reader hands on in parts (JsonReader's StringPart):
// gathered in its rows' long value, where its cell is made without a copy; held whole, where the
// table needs all of it at once (an array's text, a line break to escape); or passed over.
struct PartedString {
    enum class Use : uint8_t { None, InRow, Whole, Ignored };
    Use use = Use::None;
    bool breaks = false;  // a part held a raw CR or LF
    std::string whole;    // Whole: the parts so far

    // Whole: one more part.
    void Hold(std::string_view part, bool rawBreaks) {
        whole.append(part);
        breaks |= rawBreaks;
    }
    // The last part `rest` of a string held whole or passed over: the string goes to
    // `table.Scalar` as it would have come in one piece (passed over, only its rest, of which the
    // table keeps nothing). False for a string gathered in the rows, which the table ends itself.
    template <class Table>
    bool EndInScalar(Table& table, ScalarKind kind, std::string_view rest, bool rawBreaks) {
        if (use == Use::InRow) return false;
        if (use == Use::Ignored) {
            Reset();
            table.Scalar(kind, rest, rawBreaks);
            return true;
        }
        std::string text = std::move(whole);
        text.append(rest);
        const bool anyBreaks = breaks || rawBreaks;
        Reset();
        table.Scalar(kind, text, anyBreaks);
        return true;
    }
    void Reset() {
        use = Use::None;
        breaks = false;
        whole.clear();
    }
};

}  // namespace tabulora
