#include <gtest/gtest.h>

#include <string>

#include "app/main_window_look.h"

namespace {

using tabulora::ExportOptions;
using tabulora::LookOf;
using tabulora::MainWindowLook;
using tabulora::TextEncoding;

constexpr size_t kFlatten = 0, kBom = 1, kGuard = 2, kWorkbook = 3;  // the Options menu, in table order

TEST(MainWindowLook, WithoutFilesOnlyLoadingAndTheMenusCanBeUsed) {
    const MainWindowLook look = LookOf(ExportOptions(), 0, false);
    EXPECT_EQ(look.loadCaption, "Load JSON file...");
    EXPECT_TRUE(look.loadEnabled);
    EXPECT_FALSE(look.optionsEnabled);
    EXPECT_FALSE(look.exportEnabled);
    EXPECT_FALSE(look.previewEnabled);
    EXPECT_EQ(look.exportCaption, "Export to CSV...");
    EXPECT_EQ(std::wstring(look.exportImage), L"IMG_SAVEBLACK48");
    EXPECT_TRUE(look.fileCommandsEnabled);
    EXPECT_TRUE(look.acceptsDroppedFiles);
    for (const MainWindowLook::MenuItem& item : look.choices) EXPECT_TRUE(item.enabled);
    // The controls show the options all the same.
    EXPECT_TRUE(look.headerChecked);
    EXPECT_TRUE(look.utf8Checked);
    EXPECT_FALSE(look.ansiChecked);
    EXPECT_EQ(look.separatorCaption, ",");
}

TEST(MainWindowLook, LoadedFilesEnableTheOptionsAndTheExport) {
    const MainWindowLook look = LookOf(ExportOptions(), 3, false);
    EXPECT_EQ(look.loadCaption, "Load JSON files... [3]");
    EXPECT_TRUE(look.loadEnabled);
    EXPECT_TRUE(look.optionsEnabled);
    EXPECT_TRUE(look.exportEnabled);
    EXPECT_TRUE(look.previewEnabled);
    EXPECT_EQ(look.exportCaption, "Export to CSV...");
    EXPECT_EQ(std::wstring(look.exportImage), L"IMG_SAVE48");
    EXPECT_TRUE(look.fileCommandsEnabled);
    EXPECT_TRUE(look.acceptsDroppedFiles);
    for (const MainWindowLook::MenuItem& item : look.choices) EXPECT_TRUE(item.enabled);
}

TEST(MainWindowLook, WhileAnExportRunsOnlyItsCancelButtonCanBeUsed) {
    const MainWindowLook look = LookOf(ExportOptions(), 1, true);
    EXPECT_EQ(look.exportCaption, "Cancel");
    EXPECT_TRUE(look.exportEnabled);
    EXPECT_FALSE(look.loadEnabled);
    EXPECT_FALSE(look.optionsEnabled);
    EXPECT_FALSE(look.fileCommandsEnabled);
    EXPECT_FALSE(look.acceptsDroppedFiles);
    for (const MainWindowLook::MenuItem& item : look.choices) EXPECT_FALSE(item.enabled);
}

TEST(MainWindowLook, TheExportedOutputIsOfferedOnlyAfterASavedExportAndNotWhileOneRuns) {
    struct Case {
        int64_t files;
        bool running, saved, offered;
    };
    const Case cases[] = {
        {0, false, false, false}, {1, false, false, false}, {1, false, true, true},
        {1, true, true, false},   {0, false, true, true},  // it follows the summary, not the list
    };
    for (const Case& c : cases) {
        EXPECT_EQ(LookOf(ExportOptions(), c.files, c.running, c.saved).showExportedOutput, c.offered)
            << c.files << " files, running " << c.running << ", saved " << c.saved;
    }
}

TEST(MainWindowLook, TheControlsAndTheMenuShowTheOptions) {
    ExportOptions options;
    options.includeHeader = false;
    options.encoding = TextEncoding::Ansi;
    options.separator = "\t";
    options.flattenNested = true;
    options.utf8Bom = true;
    const MainWindowLook ansi = LookOf(options, 1, false);
    EXPECT_FALSE(ansi.headerChecked);
    EXPECT_FALSE(ansi.utf8Checked);
    EXPECT_TRUE(ansi.ansiChecked);
    EXPECT_EQ(ansi.separatorCaption, "\\t");
    EXPECT_TRUE(ansi.choices[kFlatten].checked);
    EXPECT_TRUE(ansi.choices[kBom].checked);
    EXPECT_FALSE(ansi.choices[kGuard].checked);
    // The byte-order mark is a choice of UTF-8 output only.
    EXPECT_FALSE(ansi.choices[kBom].enabled);
    EXPECT_TRUE(ansi.choices[kFlatten].enabled);
    EXPECT_TRUE(ansi.choices[kGuard].enabled);

    options.encoding = TextEncoding::Utf8;
    EXPECT_TRUE(LookOf(options, 1, false).choices[kBom].enabled);
}

TEST(MainWindowLook, WorkbooksRenameTheExportsAndGrayWhatConcernsCsvOnly) {
    ExportOptions options;
    const MainWindowLook csv = LookOf(options, 2, false);
    EXPECT_EQ(csv.exportCaption, "Export to CSV...");
    EXPECT_EQ(csv.exportCommandCaption, "Export to CSV...");
    EXPECT_EQ(csv.singleExportCaption, "Single CSV File...");
    EXPECT_EQ(csv.multipleExportCaption, "Multiple CSV Files...");
    EXPECT_TRUE(csv.csvOptionsEnabled);
    EXPECT_FALSE(csv.choices[kWorkbook].checked);

    options.excelWorkbook = true;
    for (const TextEncoding encoding : {TextEncoding::Utf8, TextEncoding::Ansi}) {
        options.encoding = encoding;
        const MainWindowLook workbook = LookOf(options, 2, false);
        EXPECT_EQ(workbook.exportCaption, "Export to Excel...");
        EXPECT_EQ(workbook.exportCommandCaption, "Export to Excel...");
        EXPECT_EQ(workbook.singleExportCaption, "Single Excel Workbook...");
        EXPECT_EQ(workbook.multipleExportCaption, "Multiple Excel Workbooks...");
        EXPECT_TRUE(workbook.optionsEnabled);  // the header line and UTF-8 still apply
        EXPECT_FALSE(workbook.csvOptionsEnabled);
        EXPECT_TRUE(workbook.choices[kWorkbook].checked);
        EXPECT_TRUE(workbook.choices[kWorkbook].enabled);
        EXPECT_TRUE(workbook.choices[kFlatten].enabled);
        EXPECT_FALSE(workbook.choices[kBom].enabled);
        EXPECT_FALSE(workbook.choices[kGuard].enabled);
    }
    // Running, the button cancels; without files nothing of the panel can be used.
    EXPECT_EQ(LookOf(options, 2, true).exportCaption, "Cancel");
    EXPECT_EQ(LookOf(options, 2, true).exportCommandCaption, "Export to Excel...");
    EXPECT_FALSE(LookOf(options, 2, true).choices[kWorkbook].enabled);
    EXPECT_FALSE(LookOf(options, 0, false).csvOptionsEnabled);
    EXPECT_TRUE(LookOf(options, 0, false).choices[kWorkbook].enabled);
}

TEST(MainWindowLook, TheSeparatorButtonIsNamedAsTheSeparatorNotByItsCaption) {
    const struct {
        const char* separator;
        const char* name;
    } cases[] = {
        {"\t", "CSV Separator: Tab"},      {",", "CSV Separator: Comma"},
        {";", "CSV Separator: Semicolon"}, {" ", "CSV Separator: Space"},
        {"", "CSV Separator: None"},       {"|", "CSV Separator: |"},
        {"\\", "CSV Separator: \\"},       {"\xC3\xA9", "CSV Separator: \xC3\xA9"},
    };
    for (const auto& c : cases) {
        ExportOptions options;
        options.separator = c.separator;
        EXPECT_EQ(LookOf(options, 1, false).separatorName, c.name) << c.separator;
    }
}

}  // namespace
