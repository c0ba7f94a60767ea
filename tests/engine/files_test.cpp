// Reading inputs, writing outputs and naming them.
#include <gtest/gtest.h>

#include <filesystem>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "engine/conversion.h"
#include "engine/file_error.h"
#include "engine/file_io.h"
#include "engine/text_file.h"
#include "engine/utf.h"
#include "platform/ansi_codec.h"
#include "temp_folder.h"

namespace tabulora {
namespace {

const AnsiCodec& Ansi() { return SystemAnsiCodec(); }   // Windows-1252 in these tests

struct LoadCase {
    const char* name;
    std::string bytes;
    TextEncoding encoding;
    bool ok;
    std::string text;
};

class LoadTextFileTest : public ::testing::TestWithParam<LoadCase> {};

TEST_P(LoadTextFileTest, DecodesByMarkOrEncoding) {
    TempFolder folder;
    const LoadedText loaded = LoadTextFile(folder.Write("in.json", GetParam().bytes), GetParam().encoding, Ansi());
    EXPECT_EQ(loaded.ok, GetParam().ok);
    EXPECT_EQ(loaded.text, GetParam().text);
    if (!GetParam().ok) {
        EXPECT_EQ(loaded.error, "No mapping for the Unicode character exists in the target multi-byte code page");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Encodings, LoadTextFileTest,
    ::testing::Values(
        LoadCase{"Utf8", "{\"a\":\"\xC3\xA9\"}", TextEncoding::Utf8, true, "{\"a\":\"\xC3\xA9\"}"},
        LoadCase{"Utf8MarkUnderUtf8", "\xEF\xBB\xBF[\xC3\xA9]", TextEncoding::Utf8, true, "[\xC3\xA9]"},
        LoadCase{"Utf8MarkUnderAnsi", "\xEF\xBB\xBF[\xC3\xA9]", TextEncoding::Ansi, true, "[\xC3\xA9]"},
        LoadCase{"AnsiLetters", "[\xE9\x80]", TextEncoding::Ansi, true, "[\xC3\xA9\xE2\x82\xAC]"},
        LoadCase{"AnsiBytesFailUnderUtf8", "[\xE9]", TextEncoding::Utf8, false, ""},
        LoadCase{"OverlongUtf8Fails", "[\xC0\xAF]", TextEncoding::Utf8, false, ""},
        LoadCase{"EncodedSurrogateFails", "[\xED\xA0\x80]", TextEncoding::Utf8, false, ""},
        LoadCase{"CutSequenceFails", "[\xE2\x82", TextEncoding::Utf8, false, ""},
        LoadCase{"Utf16LittleEndian", std::string("\xFF\xFE[\0\xE9\0=\xD8\0\xDE]\0", 12), TextEncoding::Utf8, true,
                 "[\xC3\xA9\xF0\x9F\x98\x80]"},
        LoadCase{"Utf16BigEndianUnderAnsi", std::string("\xFE\xFF\0[\0\xE9\0]", 8), TextEncoding::Ansi, true,
                 "[\xC3\xA9]"},
        LoadCase{"Utf16LoneSurrogate", std::string("\xFF\xFE\x00\xD8x\0", 6), TextEncoding::Utf8, true,
                 "\xEF\xBF\xBDx"},
        LoadCase{"Utf16OddLengthFails", std::string("\xFF\xFE[\0]", 5), TextEncoding::Utf8, false, ""},
        LoadCase{"OnlyAMark", "\xEF\xBB\xBF", TextEncoding::Utf8, true, ""},
        LoadCase{"ZeroBytesAreKept", std::string("[1,\0]", 5), TextEncoding::Utf8, true, std::string("[1,\0]", 5)}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(LoadTextFile, MissingFileAndFolderFail) {
    TempFolder folder;
    const LoadedText missing = LoadTextFile(folder / "missing.json", TextEncoding::Utf8, Ansi());
    EXPECT_FALSE(missing.ok);
    EXPECT_FALSE(missing.error.empty());
    std::filesystem::create_directory(TempFolder::Native(folder / "dir.json"));
    EXPECT_FALSE(LoadTextFile(folder / "dir.json", TextEncoding::Utf8, Ansi()).ok);
}

CsvDocument Document(const std::string& json, const std::string& separator = ",") {
    JsonToCsvConverter converter(CsvOptions{true, separator});
    converter.AddJsonText(json);
    return converter.Finish();
}

TEST(WriteCsvFile, Utf8HasNoByteOrderMarkAndReplacesTheTarget) {
    TempFolder folder;
    const std::string target = folder.Write("out.csv", "old content that is longer than the new one");
    WriteCsvFile(Document("{\"\xC3\xA9\":\"\xE2\x82\xAC\"}"), target, TextEncoding::Utf8, Ansi());
    EXPECT_EQ(TempFolder::Read(target), "\xC3\xA9\r\n\xE2\x82\xAC\r\n");
    EXPECT_EQ(folder.Entries(), std::vector<std::string>{"out.csv"});
}

TEST(WriteCsvFile, AnsiConvertsAndReplacesWhatTheCodePageLacks) {
    TempFolder folder;
    const std::string target = folder / "out.csv";
    WriteCsvFile(Document(R"({"a":"\u00e9\u20ac\u4e2d"})"), target, TextEncoding::Ansi, Ansi());
    EXPECT_EQ(TempFolder::Read(target), "a\r\n\xE9\x80?\r\n");
}

TEST(WriteCsvFile, LargeOutputIsWrittenWhole) {
    std::string json = "[";
    for (int i = 0; i < 200000; ++i) json += (i ? ",{\"n\":" : "{\"n\":") + std::to_string(i) + ",\"s\":\"\xC3\xA9\"}";
    json += "]";
    TempFolder folder;
    for (TextEncoding encoding : {TextEncoding::Utf8, TextEncoding::Ansi}) {
        const std::string target = folder / "big.csv";
        WriteCsvFile(Document(json), target, encoding, Ansi());
        const std::string csv = TempFolder::Read(target);
        const std::string last = encoding == TextEncoding::Utf8 ? "199999,\xC3\xA9\r\n" : "199999,\xE9\r\n";
        EXPECT_EQ(csv.substr(csv.size() - last.size()), last);
        EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 200001);
    }
}

TEST(WriteCsvFile, FailureLeavesNothingBehindAndNamesTheTarget) {
    TempFolder folder;
    const std::string intoMissingFolder = folder / "no-such-folder/out.csv";
    try {
        WriteCsvFile(Document("{\"a\":1}"), intoMissingFolder, TextEncoding::Utf8, Ansi());
        FAIL() << "no error";
    } catch (const FileError& error) {
        EXPECT_EQ(std::string(error.what()).rfind("Cannot create file \"" + intoMissingFolder + "\". ", 0), 0u)
            << error.what();
    }
    // A folder in the target's place: the temporary file is removed again.
    std::filesystem::create_directory(TempFolder::Native(folder / "taken.csv"));
    EXPECT_THROW(WriteCsvFile(Document("{\"a\":1}"), folder / "taken.csv", TextEncoding::Utf8, Ansi()), FileError);
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
    OutputFile file(chosen);
    file.Write("new");
    folder.Write("data.csv", "appeared meanwhile");
    EXPECT_EQ(file.CommitAsNew([&] { return UniqueFileName(folder / "data.csv"); }), folder / "data (2).csv");
    EXPECT_EQ(TempFolder::Read(folder / "data.csv"), "appeared meanwhile");
    EXPECT_EQ(TempFolder::Read(folder / "data (2).csv"), "new");
    EXPECT_EQ(folder.Entries(), (std::vector<std::string>{"data (2).csv", "data.csv"}));
}

// The temporary file beside a long name must not make a path the system refuses.
TEST(WriteCsvFile, LongTargetName) {
    TempFolder folder;
    const std::string target = folder / (std::string(240, 'x') + ".csv");
    WriteCsvFile(Document("{\"a\":1}"), target, TextEncoding::Utf8, Ansi());
    EXPECT_EQ(TempFolder::Read(target), "a\r\n1\r\n");
    EXPECT_EQ(folder.Entries().size(), 1u);
}

TEST(WriteCsvFile, RefusesATargetTheUserMayNotWrite) {
    TempFolder folder;
    const std::string target = folder.Write("locked.csv", "keep me");
    std::filesystem::permissions(TempFolder::Native(target), std::filesystem::perms::owner_read);
#ifndef _WIN32
    if (geteuid() == 0) GTEST_SKIP() << "root may write any file; the CLI tests check this as another user";
#endif
    EXPECT_THROW(WriteCsvFile(Document("{\"a\":1}"), target, TextEncoding::Utf8, Ansi()), FileError);
    std::filesystem::permissions(TempFolder::Native(target), std::filesystem::perms::owner_all);
    EXPECT_EQ(TempFolder::Read(target), "keep me");
    EXPECT_EQ(folder.Entries(), std::vector<std::string>{"locked.csv"});
}

#ifdef _WIN32
// A CSV that another program holds open (as spreadsheet programs do) is refused with the system's
// own words, and left as it is.
TEST(WriteCsvFile, TargetOpenInAnotherProgramIsRefusedWithTheSystemsText) {
    TempFolder folder;
    const std::string target = folder.Write("open.csv", "keep me");
    int fd = -1;
    ASSERT_EQ(_wsopen_s(&fd, TempFolder::Native(target).c_str(), _O_RDONLY | _O_BINARY, _SH_DENYRW, 0), 0);
    wchar_t text[512] = L"";
    FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, ERROR_SHARING_VIOLATION, 0,
                   text, 512, nullptr);
    std::wstring expected = text;
    while (!expected.empty() && static_cast<unsigned>(expected.back()) <= L' ') expected.pop_back();
    try {
        WriteCsvFile(Document("{\"a\":1}"), target, TextEncoding::Utf8, Ansi());
        ADD_FAILURE() << "no error";
    } catch (const FileError& error) {
        EXPECT_EQ(std::string(error.what()), "Cannot create file \"" + target + "\". " + WideToUtf8(expected));
    }
    _close(fd);
    EXPECT_EQ(TempFolder::Read(target), "keep me");
    EXPECT_EQ(folder.Entries(), std::vector<std::string>{"open.csv"});
}
#else
TEST(WriteCsvFile, ReplacedTargetKeepsItsPermissions) {
    TempFolder folder;
    const std::string target = folder.Write("private.csv", "old");
    chmod(target.c_str(), 0600);
    WriteCsvFile(Document("{\"a\":1}"), target, TextEncoding::Utf8, Ansi());
    struct stat info;
    ASSERT_EQ(stat(target.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0600u);
    EXPECT_EQ(TempFolder::Read(target), "a\r\n1\r\n");
}

TEST(WriteCsvFile, WritesThroughASymbolicLink) {
    TempFolder folder;
    std::filesystem::create_directory(TempFolder::Native(folder / "real"));
    const std::string real = folder.Write("real/data.csv", "old");
    std::filesystem::create_symlink("real/data.csv", TempFolder::Native(folder / "link.csv"));
    WriteCsvFile(Document("{\"a\":1}"), folder / "link.csv", TextEncoding::Utf8, Ansi());
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

TEST(CsvSeparatorFromCaption, BackslashTIsTab) {
    EXPECT_EQ(CsvSeparatorFromCaption("\\t"), "\t");
    EXPECT_EQ(CsvSeparatorFromCaption(";"), ";");
    EXPECT_EQ(CsvSeparatorFromCaption("\\"), "\\");
    EXPECT_EQ(CsvSeparatorFromCaption(""), "");
}

}  // namespace
}  // namespace tabulora
