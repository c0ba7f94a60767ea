// The workbook's cell rules and sheet names, and the workbook output read back by a real reader.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/csv_export.h"
#include "engine/workbook_cells.h"
#include "temp_folder.h"

namespace tabulora {
namespace {

struct NumberCase {
    const char* text;
    bool isNumber;
    double value;
};

TEST(WorkbookNumberTest, NumberOnlyWhenTheSpreadsheetShowsTheSameValue) {
    const NumberCase cases[] = {
        {"0", true, 0},
        {"-0", true, 0},
        {"1.5e3", true, 1500},
        {"-0.25", true, -0.25},
        {"123456789012345", true, 123456789012345.0},      // 15 digits
        {"1234567890123456", false, 0},                    // 16
        {"12345678901234567", false, 0},                   // 17: would show as ...500
        {"12345678901234500", true, 12345678901234500.0},  // 15 significant digits
        {"0.000000000000000000001", true, 1e-21},
        {"0.1234567890123456", false, 0},
        {"100000000000000000000000", true, 1e23},
        {"9.99999999999999e307", true, 9.99999999999999e307},
        {"1e308", false, 0},  // beyond the largest number
        {"1e400", false, 0},  // beyond a double
        {"2.2250738585072e-308", true, 2.2250738585072e-308},
        {"1e-310", false, 0},  // below the smallest
        {"1e-400", false, 0},
        {"0e999", true, 0},
        {"01", false, 0},  // not JSON numbers
        {"1.", false, 0},
        {".5", false, 0},
        {"+1", false, 0},
        {"1e", false, 0},
        {"0x10", false, 0},
        {"", false, 0},
        {"NaN", false, 0},
        {"1 ", false, 0},
    };
    for (const NumberCase& c : cases) {
        double value = -1;
        EXPECT_EQ(workbook::ExactNumber(c.text, value), c.isNumber) << c.text;
        if (c.isNumber) {
            EXPECT_EQ(value, c.value) << c.text;
            EXPECT_FALSE(std::signbit(value) && value == 0) << c.text << " gives -0";
        }
    }
}

struct DateCase {
    const char* text;
    bool isDate;
    workbook::DateTime date;
};

TEST(WorkbookDateTest, OnlyTheExactFormsOfRealDays) {
    const DateCase cases[] = {
        {"2024-02-29", true, {2024, 2, 29, 0, 0, 0, false}},
        {"1900-01-01", true, {1900, 1, 1, 0, 0, 0, false}},
        {"9999-12-31", true, {9999, 12, 31, 0, 0, 0, false}},
        {"2024-01-02T10:30", true, {2024, 1, 2, 10, 30, 0, true}},
        {"2024-01-02 10:30:15", true, {2024, 1, 2, 10, 30, 15, true}},
        {"2024-01-02T23:59:59.25Z", true, {2024, 1, 2, 23, 59, 59.25, true}},
        {"2024-01-02T00:00Z", true, {2024, 1, 2, 0, 0, 0, true}},
        {"2023-02-29", false, {}},  // no such day
        {"1900-02-29", false, {}},
        {"2024-13-01", false, {}},
        {"2024-00-10", false, {}},
        {"2024-04-31", false, {}},
        {"1899-12-31", false, {}},  // before the spreadsheet's first day
        {"2024-01-02T24:00", false, {}},
        {"2024-01-02T10:60", false, {}},
        {"2024-01-02T10:30:60", false, {}},
        {"2024-01-02T10:30+01:00", false, {}},  // an offset other than Z
        {"2024-01-02T10:30:15.Z", false, {}},
        {"2024-01-02T10:30:15.", false, {}},
        {"2024-01-02Z", false, {}},
        {"2024-01-02t10:30", false, {}},
        {"2024-1-2", false, {}},
        {"2024-01-02 ", false, {}},
        {" 2024-01-02", false, {}},
        {"2024/01/02", false, {}},
        {"20240102", false, {}},
    };
    for (const DateCase& c : cases) {
        workbook::DateTime date;
        ASSERT_EQ(workbook::ReadDateTime(c.text, date), c.isDate) << c.text;
        if (!c.isDate) continue;
        EXPECT_EQ(date.year, c.date.year) << c.text;
        EXPECT_EQ(date.month, c.date.month) << c.text;
        EXPECT_EQ(date.day, c.date.day) << c.text;
        EXPECT_EQ(date.hour, c.date.hour) << c.text;
        EXPECT_EQ(date.minute, c.date.minute) << c.text;
        EXPECT_DOUBLE_EQ(date.second, c.date.second) << c.text;
        EXPECT_EQ(date.hasTime, c.date.hasTime) << c.text;
    }
}

TEST(WorkbookSheetNameTest, FromTheFileNameWithinTheLimits) {
    const struct {
        const char* path;
        uint32_t number;
        const char* name;
    } cases[] = {
        {"out/data.xlsx", 1, "data"},
        {"out/data.xlsx", 2, "data (2)"},
        {"a[1]b*c?d.xlsx", 1, "a_1_b_c_d"},
#ifndef _WIN32  // file names that hold : and \ (on Windows they separate the folders)
        {"a:b\\c.xlsx", 1, "a_b_c"},
#endif
        {"'quoted'.xlsx", 1, "_quoted_"},
        {"'quoted'.xlsx", 3, "_quoted' (3)"},
        {".xlsx", 1, "Sheet"},
        {"abcdefghijklmnopqrstuvwxyz0123456789.xlsx", 1, "abcdefghijklmnopqrstuvwxyz01234"},
        {"abcdefghijklmnopqrstuvwxyz0123456789.xlsx", 12, "abcdefghijklmnopqrstuvwxyz (12)"},
        // 31 UTF-16 units: a character beyond U+FFFF counts two and is never split
        {"\xF0\x9F\x98\x80\xF0\x9F\x98\x80\xF0\x9F\x98\x80\xF0\x9F\x98\x80\xF0\x9F\x98\x80\xF0\x9F\x98\x80"
         "\xF0\x9F\x98\x80\xF0\x9F\x98\x80\xF0\x9F\x98\x80\xF0\x9F\x98\x80\xF0\x9F\x98\x80\xF0\x9F\x98\x80"
         "\xF0\x9F\x98\x80\xF0\x9F\x98\x80\xF0\x9F\x98\x80\xF0\x9F\x98\x80.xlsx",
         1,
         "\xF0\x9F\x98\x80\xF0\x9F\x98\x80\xF0\x9F\x98\x80\xF0\x9F\x98\x80\xF0\x9F\x98\x80\xF0\x9F\x98\x80"
         "\xF0\x9F\x98\x80\xF0\x9F\x98\x80\xF0\x9F\x98\x80\xF0\x9F\x98\x80\xF0\x9F\x98\x80\xF0\x9F\x98\x80"
         "\xF0\x9F\x98\x80\xF0\x9F\x98\x80\xF0\x9F\x98\x80"},
    };
    for (const auto& c : cases) EXPECT_EQ(workbook::SheetName(c.path, c.number), c.name) << c.path;
}

TEST(WorkbookTextTest, CutToTheCellLimitInUtf16Units) {
    const std::string ascii(40000, 'a');
    EXPECT_EQ(workbook::CellTextFit(ascii), workbook::kMaxCellText);
    EXPECT_EQ(workbook::CellTextFit(std::string(32767, 'a')), 32767u);
    std::string emoji;
    for (int i = 0; i < 20000; ++i) emoji += "\xF0\x9F\x98\x80";  // two units each
    EXPECT_EQ(workbook::CellTextFit(emoji), 16383u * 4);
    std::string accents;
    for (int i = 0; i < 20000; ++i) accents += "\xC3\xA9";  // one unit, two bytes
    EXPECT_EQ(workbook::CellTextFit(accents), accents.size());
    EXPECT_EQ(workbook::Utf16Length("a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"), 5u);
}

#ifndef _WIN32
// The workbook's cells as text, one line per row, read by openpyxl (TABULORA_OPENPYXL_PYTHON).
std::string ReadBack(const std::string& workbook, const TempFolder& folder) {
    const std::string script =
        folder.Write("read.py", "import sys, openpyxl\n"
                                "book = openpyxl.load_workbook(sys.argv[1], read_only=True)\n"
                                "with open(sys.argv[2], 'w') as out:\n"
                                "    for sheet in book:\n"
                                "        out.write('[' + sheet.title + ']\\n')\n"
                                "        for row in sheet.iter_rows(values_only=True):\n"
                                "            out.write(','.join('' if v is None else str(v) for v in row) + '\\n')\n");
    const std::string text = folder / "cells.txt";
    const std::string command = std::string(TABULORA_OPENPYXL_PYTHON) + " " + script + " '" + workbook + "' '" + text +
                                "'";
    if (std::system(command.c_str()) != 0) return "reader failed";
    return TempFolder::Read(text);
}

std::string Records(int first, int count, const std::string& extra = "") {
    std::string text;
    for (int id = first; id < first + count; ++id)
        text += "{\"id\":" + std::to_string(id) + ",\"name\":\"n" + std::to_string(id) + "\"" + extra + "}\n";
    return text;
}

// An unreadable input between two readable ones adds nothing, whether the rows wait in memory or
// went to the temporary file before, during or after it; the other inputs' rows stay in order.
TEST(WorkbookExportTest, UnreadableInputIsTakenBackOut) {
    const std::string first = Records(1, 40), bad = Records(100, 50, ",\"late\":1") + "\xFF", last = Records(41, 40);
    for (const size_t rowsInMemory : {size_t(1) << 20, size_t(64), size_t(3000)}) {
        TempFolder folder;
        ExportSettings settings;
        settings.format = OutputFormat::Workbook;
        settings.rowsInMemory = rowsInMemory;
        const std::vector<ExportInput> inputs{ExportInput::Memory("a.json", first),
                                              ExportInput::Memory("bad.json", bad),
                                              ExportInput::Memory("c.json", last)};
        const std::string path = folder / "out.xlsx";
        const ExportSummary summary = ExportToOneCsv(inputs, path, settings);
        ASSERT_EQ(summary.inputs.size(), 3u);
        EXPECT_FALSE(summary.inputs[1].readable);
        EXPECT_EQ(summary.rows, 80u);
        std::string expected = "[out]\nid,name\n";
        for (int id = 1; id <= 80; ++id) expected += std::to_string(id) + ",n" + std::to_string(id) + "\n";
        EXPECT_EQ(ReadBack(path, folder), expected) << "rows in memory: " << rowsInMemory;
        EXPECT_EQ(folder.Entries(), (std::vector<std::string>{"cells.txt", "out.xlsx", "read.py"}));
    }
}

// Cancelled, the workbook export leaves no workbook and no temporary file, and an existing file as
// it was.
TEST(WorkbookExportTest, CancelLeavesNothing) {
    TempFolder folder;
    const std::string path = folder.Write("out.xlsx", "old");
    ExportSettings settings;
    settings.format = OutputFormat::Workbook;
    ExportControl control;
    control.onInputDone = [&](const InputOutcome&) { control.Cancel(); };
    const std::string records = Records(1, 10);
    const ExportSummary summary = ExportToOneCsv({ExportInput::Memory("a.json", records)}, path, settings, &control);
    EXPECT_TRUE(summary.cancelled);
    EXPECT_EQ(TempFolder::Read(path), "old");
    EXPECT_EQ(folder.Entries(), std::vector<std::string>{"out.xlsx"});
}
#endif

}  // namespace
}  // namespace tabulora
