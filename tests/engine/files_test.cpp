// Reading inputs, writing outputs and naming them.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#ifdef _WIN32
#include <windows.h>
#include <fcntl.h>
#include <io.h>
#include <share.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "engine/conversion.h"
#include "engine/csv_export.h"
#include "engine/file_error.h"
#include "engine/file_io.h"
#include "engine/grouped_number.h"
#include "engine/utf.h"
#include "export_helpers.h"
#include "temp_folder.h"

namespace tabulora {
namespace {

// Exports `json` into the file `target`, the input read as UTF-8 (a byte-order mark at its start
// keeps it UTF-8 also when the CSV is ANSI), the CSV written in `encoding` (Windows-1252 for ANSI
// in these tests).
void ExportTo(const std::string& json, const std::string& target, TextEncoding encoding = TextEncoding::Utf8) {
    ExportSettings settings = TestSettings();
    settings.encoding = encoding;
    const std::string input = "\xEF\xBB\xBF" + json;
    ExportToOneCsv({ExportInput::Memory("in.json", input)}, target, settings);
}

#ifdef _WIN32
// What Windows says for a Win32 error code.
std::string WindowsErrorText(DWORD code) {
    wchar_t text[512] = L"";
    FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, text, 512, nullptr);
    std::wstring trimmed = text;
    while (!trimmed.empty() && static_cast<unsigned>(trimmed.back()) <= L' ') trimmed.pop_back();
    return WideToUtf8(trimmed);
}
#endif

TEST(CsvFile, Utf8HasNoByteOrderMarkAndReplacesTheTarget) {
    TempFolder folder;
    const std::string target = folder.Write("out.csv", "old content that is longer than the new one");
    ExportTo("{\"\xC3\xA9\":\"\xE2\x82\xAC\"}", target);
    EXPECT_EQ(TempFolder::Read(target), "\xC3\xA9\r\n\xE2\x82\xAC\r\n");
    EXPECT_EQ(folder.Entries(), std::vector<std::string>{"out.csv"});
}

TEST(CsvFile, AnsiConvertsAndReplacesWhatTheCodePageLacks) {
    TempFolder folder;
    const std::string target = folder / "out.csv";
    ExportTo(R"({"a":"\u00e9\u20ac\u4e2d"})", target, TextEncoding::Ansi);
    EXPECT_EQ(TempFolder::Read(target), "a\r\n\xE9\x80?\r\n");
}

TEST(CsvFile, LargeOutputIsWrittenWhole) {
    std::string json = "[";
    for (int i = 0; i < 200000; ++i) json += (i ? ",{\"n\":" : "{\"n\":") + std::to_string(i) + ",\"s\":\"\xC3\xA9\"}";
    json += "]";
    TempFolder folder;
    for (TextEncoding encoding : {TextEncoding::Utf8, TextEncoding::Ansi}) {
        const std::string target = folder / "big.csv";
        ExportTo(json, target, encoding);
        const std::string csv = TempFolder::Read(target);
        const std::string last = encoding == TextEncoding::Utf8 ? "199999,\xC3\xA9\r\n" : "199999,\xE9\r\n";
        EXPECT_EQ(csv.substr(csv.size() - last.size()), last);
        EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 200001);
    }
}

// The temporary file cannot be made in a missing folder: the message names the target and gives
// the system's reason (on Windows the Win32 error's text, not the C library's).
TEST(CsvFile, FailureLeavesNothingBehindAndNamesTheTargetWithTheSystemsReason) {
    TempFolder folder;
    const std::string intoMissingFolder = folder / "no-such-folder/out.csv";
#ifdef _WIN32
    const std::string reason = WindowsErrorText(ERROR_PATH_NOT_FOUND);
#else
    const std::string reason = std::strerror(ENOENT);
#endif
    try {
        ExportTo("{\"a\":1}", intoMissingFolder);
        FAIL() << "no error";
    } catch (const FileError& error) {
        EXPECT_EQ(std::string(error.what()), "Cannot create file \"" + intoMissingFolder + "\". " + reason);
    }
    // A folder in the target's place: the temporary file is removed again.
    std::filesystem::create_directory(TempFolder::Native(folder / "taken.csv"));
    EXPECT_THROW(ExportTo("{\"a\":1}", folder / "taken.csv"), FileError);
    EXPECT_EQ(folder.Entries(), std::vector<std::string>{"taken.csv"});
}

TEST(UniqueFileName, CountsFromTwoAndTakesNoNameInUse) {
    TempFolder folder;
    EXPECT_EQ(UniqueFileName(folder / "data.csv"), folder / "data.csv");
    folder.Write("data.csv", "");
    EXPECT_EQ(UniqueFileName(folder / "data.csv"), folder / "data (2).csv");
    folder.Write("data (2).csv", "");
    // A folder of that name is in use as well.
    std::filesystem::create_directory(TempFolder::Native(folder / "data (3).csv"));
    EXPECT_EQ(UniqueFileName(folder / "data.csv"), folder / "data (4).csv");
    folder.Write("noext", "");
    EXPECT_EQ(UniqueFileName(folder / "noext"), folder / "noext (2)");
    folder.Write("a.b.csv", "");
    EXPECT_EQ(UniqueFileName(folder / "a.b.csv"), folder / "a.b (2).csv");
}

// A name that was free when chosen but is taken when the file is complete is not overwritten.
TEST(OutputFile, NewFileTakesTheNextFreeNameWhenItsNameWasTakenMeanwhile) {
    TempFolder folder;
    const std::string chosen = UniqueFileName(folder / "data.csv");
    OutputFile file;
    ASSERT_FALSE(file.Open(chosen).Failed());
    ASSERT_FALSE(file.Write("new").Failed());
    folder.Write("data.csv", "appeared meanwhile");
    std::string used;
    ASSERT_FALSE(file.CommitAsNew([&] { return UniqueFileName(folder / "data.csv"); }, used).Failed());
    EXPECT_EQ(used, folder / "data (2).csv");
    EXPECT_EQ(TempFolder::Read(folder / "data.csv"), "appeared meanwhile");
    EXPECT_EQ(TempFolder::Read(folder / "data (2).csv"), "new");
    EXPECT_EQ(folder.Entries(), (std::vector<std::string>{"data (2).csv", "data.csv"}));
}

// The temporary file beside a long name must not make a path the system refuses.
TEST(CsvFile, LongTargetName) {
    TempFolder folder;
    const std::string target = folder / (std::string(240, 'x') + ".csv");
    ExportTo("{\"a\":1}", target);
    EXPECT_EQ(TempFolder::Read(target), "a\r\n1\r\n");
    EXPECT_EQ(folder.Entries().size(), 1u);
}

TEST(CsvFile, RefusesATargetTheUserMayNotWrite) {
    TempFolder folder;
    const std::string target = folder.Write("locked.csv", "keep me");
    std::filesystem::permissions(TempFolder::Native(target), std::filesystem::perms::owner_read);
#ifndef _WIN32
    if (geteuid() == 0) GTEST_SKIP() << "root may write any file; the CLI tests check this as another user";
#endif
    EXPECT_THROW(ExportTo("{\"a\":1}", target), FileError);
    std::filesystem::permissions(TempFolder::Native(target), std::filesystem::perms::owner_all);
    EXPECT_EQ(TempFolder::Read(target), "keep me");
    EXPECT_EQ(folder.Entries(), std::vector<std::string>{"locked.csv"});
}

#ifdef _WIN32
// A CSV that another program holds open (as spreadsheet programs do) is refused with the system's
// own words, and left as it is.
TEST(CsvFile, TargetOpenInAnotherProgramIsRefusedWithTheSystemsText) {
    TempFolder folder;
    const std::string target = folder.Write("open.csv", "keep me");
    int fd = -1;
    ASSERT_EQ(_wsopen_s(&fd, TempFolder::Native(target).c_str(), _O_RDONLY | _O_BINARY, _SH_DENYRW, 0), 0);
    try {
        ExportTo("{\"a\":1}", target);
        ADD_FAILURE() << "no error";
    } catch (const FileError& error) {
        EXPECT_EQ(std::string(error.what()),
                  "Cannot create file \"" + target + "\". " + WindowsErrorText(ERROR_SHARING_VIOLATION));
    }
    _close(fd);
    EXPECT_EQ(TempFolder::Read(target), "keep me");
    EXPECT_EQ(folder.Entries(), std::vector<std::string>{"open.csv"});
}
#else
TEST(CsvFile, ReplacedTargetKeepsItsPermissions) {
    TempFolder folder;
    const std::string target = folder.Write("private.csv", "old");
    chmod(target.c_str(), 0600);
    ExportTo("{\"a\":1}", target);
    struct stat info;
    ASSERT_EQ(stat(target.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0600u);
    EXPECT_EQ(TempFolder::Read(target), "a\r\n1\r\n");
}

TEST(CsvFile, WritesThroughASymbolicLink) {
    TempFolder folder;
    std::filesystem::create_directory(TempFolder::Native(folder / "real"));
    const std::string real = folder.Write("real/data.csv", "old");
    std::filesystem::create_symlink("real/data.csv", TempFolder::Native(folder / "link.csv"));
    ExportTo("{\"a\":1}", folder / "link.csv");
    EXPECT_TRUE(std::filesystem::is_symlink(TempFolder::Native(folder / "link.csv")));
    EXPECT_EQ(TempFolder::Read(real), "a\r\n1\r\n");
    EXPECT_EQ(folder.Entries(), (std::vector<std::string>{"link.csv", "real"}));
}

TEST(UniqueFileName, BrokenLinkIsANameInUse) {
    TempFolder folder;
    std::filesystem::create_symlink("nowhere", TempFolder::Native(folder / "data.csv"));
    EXPECT_EQ(UniqueFileName(folder / "data.csv"), folder / "data (2).csv");
}
#endif

TEST(CsvNameInFolder, DropsTheLastExtension) {
#ifdef _WIN32
    EXPECT_EQ(CsvNameInFolder("C:\\out", "D:\\in\\a.b.json"), "C:\\out\\a.b.csv");
    EXPECT_EQ(CsvNameInFolder("C:\\out\\", "D:\\in\\noext"), "C:\\out\\noext.csv");
#else
    EXPECT_EQ(CsvNameInFolder("/out", "/in/a.b.json"), "/out/a.b.csv");
    EXPECT_EQ(CsvNameInFolder("/out/", "/in/noext"), "/out/noext.csv");
    EXPECT_EQ(CsvNameInFolder("/out", "/in.d/data.JSON"), "/out/data.csv");
#endif
}

TEST(GroupedNumber, GroupsByThousands) {
    const std::pair<uint64_t, const char*> cases[] = {
        {0, "0"}, {999, "999"}, {1000, "1,000"}, {661358, "661,358"}, {1234567890, "1,234,567,890"},
    };
    for (const auto& [number, text] : cases) EXPECT_EQ(GroupedNumber(number), text);
}

}  // namespace
}  // namespace tabulora
