#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace tabulora {

// How a table takes a long string that the reader hands on in parts (JsonReader's StringPart):
// gathered in its rows' long value, where its cell is made without a copy; held whole, where the
// table needs all of it at once (an array's text, a line break to escape); or passed over.
struct PartedString {
    enum class Use : uint8_t { None, InRow, Whole, Ignored };
    Use use = Use::None;
    bool breaks = false;  // a part held a raw CR or LF
    std::string whole;    // Whole: the parts so far

    // Whole: the string with its last part `rest`; `breaks` tells whether any part held a raw
    // line break. The string is done with.
    std::string TakeWhole(std::string_view rest, bool& breaks) {
        std::string text = std::move(whole);
        text.append(rest);
        breaks |= this->breaks;
        Reset();
        return text;
    }
    void Reset() {
        use = Use::None;
        breaks = false;
        whole.clear();
    }
};

}  // namespace tabulora
