#include <gtest/gtest.h>

#include <string>

#include "app/main_window_look.h"

namespace {

using tabulora::ExportOptions;
using tabulora::LookOf;
using tabulora::MainWindowLook;
using tabulora::TextEncoding;

constexpr size_t kFlatten = 0, kBom = 1, kGuard = 2;  // the Options menu, in table order

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

}  // namespace
