#include "engine/workbook_cells.h"

#include <charconv>
#include <cmath>

#include "engine/utf.h"

namespace tabulora::workbook {
namespace {

constexpr double kLargestNumber = 9.99999999999999e307;
constexpr double kSmallestNumber = 2.2250738585072e-308;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Reads `count` digits at `at` as a number.
bool ReadDigits(std::string_view text, size_t at, size_t count, int& value) {
    if (at + count > text.size()) return false;
    value = 0;
    for (size_t i = at; i < at + count; ++i) {
        if (!IsDigit(text[i])) return false;
        value = value * 10 + (text[i] - '0');
    }
    return true;
}

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// The folder-less name of `path` without its last extension.
std::string BaseName(const std::string& path) {
    size_t start = path.size();
#ifdef _WIN32
    while (start > 0 && path[start - 1] != '/' && path[start - 1] != '\\' && path[start - 1] != ':') --start;
#else
    while (start > 0 && path[start - 1] != '/') --start;
#endif
    std::string name = path.substr(start);
    if (const size_t dot = name.rfind('.'); dot != std::string::npos) name.resize(dot);
    return name;
}

// The longest start of `text` of at most `units` UTF-16 units, never cutting a character.
size_t FitUnits(std::string_view text, size_t units) {
    size_t used = 0;
    size_t at = 0;
    while (at < text.size()) {
        const size_t length = Utf8SequenceLength(text.substr(at));
        const size_t step = length == 0 ? 1 : length;
        const size_t cost = step == 4 ? 2 : 1;
        if (used + cost > units) break;
        used += cost;
        at += step;
    }
    return at;
}

}  // namespace

bool ExactNumber(std::string_view text, double& value) {
    // The JSON number grammar: -?(0|[1-9][0-9]*)(\.[0-9]+)?([eE][+-]?[0-9]+)?
    size_t at = 0;
    if (at < text.size() && text[at] == '-') ++at;
    const size_t integerStart = at;
    if (at >= text.size() || !IsDigit(text[at])) return false;
    if (text[at] == '0')
        ++at;
    else
        while (at < text.size() && IsDigit(text[at])) ++at;
    const size_t integerEnd = at;
    size_t fractionStart = at, fractionEnd = at;
    if (at < text.size() && text[at] == '.') {
        fractionStart = ++at;
        while (at < text.size() && IsDigit(text[at])) ++at;
        if (at == fractionStart) return false;
        fractionEnd = at;
    }
    if (at < text.size() && (text[at] == 'e' || text[at] == 'E')) {
        ++at;
        if (at < text.size() && (text[at] == '+' || text[at] == '-')) ++at;
        const size_t exponentStart = at;
        while (at < text.size() && IsDigit(text[at])) ++at;
        if (at == exponentStart) return false;
    }
    if (at != text.size()) return false;

    // Significant digits: from the first digit that is not 0 to the last one that is not 0.
    size_t first = SIZE_MAX, last = 0, significant = 0;
    auto note = [&](size_t index, size_t position) {
        if (text[index] == '0') return;
        if (first == SIZE_MAX) first = position;
        last = position;
    };
    size_t position = 0;
    for (size_t i = integerStart; i < integerEnd; ++i) note(i, position++);
    for (size_t i = fractionStart; i < fractionEnd; ++i) note(i, position++);
    if (first != SIZE_MAX) significant = last - first + 1;
    if (significant > 15) return false;

    const char* begin = text.data();
    if (*begin == '-') ++begin;  // from_chars takes no sign for the value's size check below
    double magnitude = 0;
    const auto [end, error] = std::from_chars(begin, text.data() + text.size(), magnitude);
    if (error != std::errc() || end != text.data() + text.size()) {
        // Too large or too small for a double.
        return false;
    }
    if (!std::isfinite(magnitude) || magnitude > kLargestNumber) return false;
    if (magnitude != 0 && magnitude < kSmallestNumber) return false;
    value = text[0] == '-' && magnitude != 0 ? -magnitude : magnitude;  // never -0
    return true;
}

bool ReadDateTime(std::string_view text, DateTime& date) {
    DateTime read;
    if (text.size() < 10 || text[4] != '-' || text[7] != '-') return false;
    if (!ReadDigits(text, 0, 4, read.year) || !ReadDigits(text, 5, 2, read.month) || !ReadDigits(text, 8, 2, read.day))
        return false;
    if (read.year < 1900 || read.month < 1 || read.month > 12 || read.day < 1 ||
        read.day > DaysInMonth(read.year, read.month))
        return false;
    if (text.size() > 10) {
        if (text[10] != 'T' && text[10] != ' ') return false;
        std::string_view time = text.substr(11);
        if (!time.empty() && time.back() == 'Z') time.remove_suffix(1);
        if (time.size() < 5 || time[2] != ':') return false;
        if (!ReadDigits(time, 0, 2, read.hour) || !ReadDigits(time, 3, 2, read.minute)) return false;
        if (read.hour > 23 || read.minute > 59) return false;
        if (time.size() > 5) {
            int second = 0;
            if (time.size() < 8 || time[5] != ':' || !ReadDigits(time, 6, 2, second) || second > 59) return false;
            read.second = second;
            if (time.size() > 8) {
                if (time[8] != '.' || time.size() == 9) return false;
                double fraction = 0, scale = 0.1;
                for (size_t i = 9; i < time.size(); ++i) {
                    if (!IsDigit(time[i])) return false;
                    fraction += (time[i] - '0') * scale;
                    scale /= 10;
                }
                read.second += fraction;
            }
        }
        read.hasTime = true;
    }
    date = read;
    return true;
}

size_t Utf16Length(std::string_view text) {
    size_t units = 0;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte & 0xC0) != 0x80) ++units;  // a character starts
        if (byte >= 0xF0) ++units;           // ... beyond U+FFFF: two units
    }
    return units;
}

size_t CellTextFit(std::string_view text) {
    // Short texts fit whatever they hold.
    if (text.size() <= kMaxCellText) return text.size();
    return FitUnits(text, kMaxCellText);
}

std::string SheetName(const std::string& path, uint32_t number) {
    std::string name = BaseName(path);
    for (char& c : name)
        if (c == '[' || c == ']' || c == ':' || c == '*' || c == '?' || c == '/' || c == '\\') c = '_';
    name = SanitizeUtf8(name);
    const std::string suffix = number > 1 ? " (" + std::to_string(number) + ")" : std::string();
    name.resize(FitUnits(name, kMaxSheetName - suffix.size()));
    if (!name.empty() && name.front() == '\'') name.front() = '_';
    if (!name.empty() && name.back() == '\'' && suffix.empty()) name.back() = '_';
    if (name.empty()) name = "Sheet";
    return name + suffix;
}

}  // namespace tabulora::workbook
