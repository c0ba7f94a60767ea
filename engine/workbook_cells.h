#pragma once
// The rules that turn a table's cells into workbook cells, and the limits of a workbook sheet;
// kept apart from the workbook writer so that they can be tested on their own.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tabulora::workbook {

constexpr uint64_t kMaxSheetRows = 1048576;
constexpr uint32_t kMaxSheetColumns = 16384;
// The longest text a cell holds, in UTF-16 units (as the spreadsheet counts characters).
constexpr size_t kMaxCellText = 32767;
// The longest sheet name, in UTF-16 units.
constexpr size_t kMaxSheetName = 31;

// The number that a JSON number's text stands for, when a spreadsheet shows that same value: the
// text is a JSON number with at most 15 significant digits, within the spreadsheet's range
// (at most 9.99999999999999E+307 in size, and 0 or at least 2.2250738585072E-308). False for
// any other text (more digits, 1e400, not a number at all), which then stays text.
bool ExactNumber(std::string_view text, double& value);

// A date or date-time written exactly as YYYY-MM-DD, or YYYY-MM-DD followed by T or a space and
// hh:mm, hh:mm:ss or hh:mm:ss.fraction, with or without a final Z; a real day from 1900-01-01 on,
// hours 00-23, minutes and seconds 00-59.
struct DateTime {
    int year = 0, month = 0, day = 0;
    int hour = 0, minute = 0;
    double second = 0;
    bool hasTime = false;
};
bool ReadDateTime(std::string_view text, DateTime& date);

// The length of the longest start of the UTF-8 `text` that a cell can hold (kMaxCellText UTF-16
// units), never cutting a character; text.size() when all of it fits.
size_t CellTextFit(std::string_view text);

// UTF-16 units of UTF-8 text (a character beyond U+FFFF counts two).
size_t Utf16Length(std::string_view text);

// The name of a sheet of a workbook written to `path`: the file's name without its extension, with
// [ ] : * ? / \ replaced by _ and an apostrophe at either end too, cut to fit; `number` > 1 adds
// " (number)" (the sheets that take the rows beyond the first sheet's). "Sheet" for an empty name.
std::string SheetName(const std::string& path, uint32_t number);

}  // namespace tabulora::workbook
