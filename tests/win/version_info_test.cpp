#include "app/version_info.h"
#include "platform/win32_error.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/engine/temp_folder.h"
#include "winui/text.h"

namespace {

using tabulora::OSError;
using tabulora::ReadVersionStrings;

// Tabulora.exe is built into the folder of the test executable.
std::wstring ProgramPath() {
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring path(self);
    return path.substr(0, path.find_last_of(L"\\/") + 1) + L"Tabulora.exe";
}

TEST(VersionInfo, ReadsTheProgramsOwnResource) {
    const tabulora::VersionStrings data = ReadVersionStrings(ProgramPath());
    EXPECT_EQ(data.CompanyName, L"BRIMTAL");
    EXPECT_EQ(data.ProductName, L"Tabulora");
    EXPECT_EQ(data.FileVersion, L"1.1.0.0");
    EXPECT_EQ(data.ProductVersion, L"1.1.0.0");
    EXPECT_FALSE(data.FileDescription.empty());
    EXPECT_FALSE(data.InternalName.empty());
    EXPECT_FALSE(data.LegalCopyright.empty());
    EXPECT_FALSE(data.LegalTrademarks.empty());
    // The resource names it "OriginalFilename"; value names match in any letter case.
    EXPECT_EQ(data.OriginalFileName, L"Tabulora.exe");
    // Values the resource does not have stay empty.
    EXPECT_EQ(data.Comments, L"");
    EXPECT_EQ(data.PrivateBuild, L"");
    EXPECT_EQ(data.SpecialBuild, L"");
    EXPECT_EQ(tabulora::ReadFileVersionText(ProgramPath()), L"1.1");
}

TEST(VersionInfo, FilesWithoutAResourceRaiseTheSystemError) {
    TempFolder folder;
    const std::wstring cases[] = {
        winui::Utf8ToWide(folder.Write("plain.txt", "not a program")),
        winui::Utf8ToWide(folder / "missing.exe"),
    };
    for (const std::wstring& path : cases) {
        try {
            ReadVersionStrings(path);
            ADD_FAILURE() << "no error for " << winui::WideToUtf8(path);
        } catch (const OSError& error) {
            ASSERT_NE(error.Code(), 0u);
            const std::string expected = "System Error.  Code: " + std::to_string(error.Code()) + ".\r\n" +
                                         tabulora::SystemErrorText(error.Code());
            EXPECT_EQ(error.what(), expected);
            EXPECT_FALSE(tabulora::SystemErrorText(error.Code()).empty());
        }
        EXPECT_EQ(tabulora::ReadFileVersionText(path), L"65535.65535");
    }
}

TEST(VersionInfo, NoErrorCodeGivesTheGenericMessage) {
    EXPECT_STREQ(OSError(0).what(), "A call to an OS function failed");
}

}  // namespace
