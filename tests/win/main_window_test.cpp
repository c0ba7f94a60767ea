#include <shlobj.h>

#include <algorithm>
#include <filesystem>
#include <vector>

#include "app/command_line.h"
#include "app/regional.h"
#include "form_fixture.h"

namespace {

using tabulora::MainWindow;

const int kOptions[] = {MainWindow::HeaderCheckBox, MainWindow::AnsiRadio,       MainWindow::Utf8Radio,
                        MainWindow::SeparatorLabel, MainWindow::SeparatorButton, MainWindow::ExportButton};

// An HDROP as the shell hands it over: DROPFILES followed by the wide paths, double-terminated.
HDROP MakeDrop(const std::vector<std::wstring>& paths) {
    size_t chars = 1;
    for (const std::wstring& path : paths) chars += path.size() + 1;
    HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + chars * sizeof(wchar_t));
    auto* header = static_cast<DROPFILES*>(GlobalLock(memory));
    header->pFiles = sizeof(DROPFILES);
    header->fWide = TRUE;
    auto* text = reinterpret_cast<wchar_t*>(header + 1);
    for (const std::wstring& path : paths) {
        std::copy(path.begin(), path.end(), text);
        text += path.size() + 1;
    }
    GlobalUnlock(memory);
    return static_cast<HDROP>(memory);
}

TEST_F(FormTest, StartsEmptyWithTitleAndDisabledOptions) {
    const tabulora::AppIdentity identity = tabulora::ReadProgramIdentity(winui::ExecutablePath());
    EXPECT_EQ(identity.title, "BRIMTAL - Tabulora");
    EXPECT_EQ(identity.product, "Tabulora");
    EXPECT_EQ(identity.version, "1.1");
    wchar_t title[64] = {};
    GetWindowTextW(form.Handle(), title, 64);
    EXPECT_STREQ(title, L"BRIMTAL - Tabulora");
    EXPECT_EQ(Caption(Form::LoadButton), L"Load JSON file...");
    EXPECT_TRUE(Enabled(Form::LoadButton));
    for (int id : kOptions) EXPECT_FALSE(Enabled(id)) << id;
    EXPECT_TRUE(Checked(Form::HeaderCheckBox));
    EXPECT_TRUE(Checked(Form::Utf8Radio));
    EXPECT_FALSE(Checked(Form::AnsiRadio));
    EXPECT_TRUE(GetWindowLongPtrW(form.Handle(), GWL_EXSTYLE) & WS_EX_ACCEPTFILES);

    RECT client{};
    GetClientRect(form.Handle(), &client);
    EXPECT_EQ(client.right, MulDiv(461, static_cast<int>(form.Dpi()), 96));
    EXPECT_EQ(client.bottom, MulDiv(201, static_cast<int>(form.Dpi()), 96));
}

TEST_F(FormTest, LoadingCountsEveryFileAndEnablesTheOptions) {
    const std::wstring data = WriteFile("data.json", "{}");
    form.AddInputFile(data);
    form.AddInputFile(data);
    form.AddInputFile(Path("missing.json"));
    form.AddInputFile(winui::Utf8ToWide(folder / ""));  // a folder is not a file

    EXPECT_EQ(Caption(Form::LoadButton), L"Load JSON files... [2]");
    EXPECT_EQ(form.InputFiles(), (std::vector<std::wstring>{data, data}));
    EXPECT_EQ(form.LoadedFileCount(), 2);
    for (int id : kOptions) EXPECT_TRUE(Enabled(id)) << id;
}

TEST_F(FormTest, OpenDialogAddsTheChosenFilesInOrder) {
    const std::wstring a = WriteFile("a.json", "{}");
    const std::wstring b = WriteFile("b.txt", "{}");
    effects.openReplies.push_back({a, Path("gone.json"), b});
    form.ChooseInputFiles();
    form.ChooseInputFiles();  // cancelled: nothing changes

    ASSERT_EQ(effects.openRequests.size(), 2u);
    const winui::OpenFilesRequest& request = effects.openRequests[0];
    ASSERT_EQ(request.filters.size(), 2u);
    EXPECT_EQ(request.filters[0].name, L"JSON Files (*.json)");
    EXPECT_EQ(request.filters[0].pattern, L"*.json");
    EXPECT_EQ(request.filters[1].name, L"Any File (*.*)");
    EXPECT_EQ(request.filters[1].pattern, L"*.*");
    EXPECT_EQ(request.defaultExtension, L"json");
    EXPECT_EQ(form.InputFiles(), (std::vector<std::wstring>{a, b}));
    EXPECT_EQ(Caption(Form::LoadButton), L"Load JSON files... [2]");
    EXPECT_EQ(effects.recentDocuments, (std::vector<std::wstring>{a, b}));
}

TEST_F(FormTest, ClearEmptiesTheListAndKeepsTheChoices) {
    form.AddInputFile(WriteFile("a.json", "{}"));
    Click(Form::HeaderCheckBox);
    SendMessageW(form.Control(Form::StatusBar), SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(L"busy"));

    Command(Form::FileClearCommand);

    EXPECT_TRUE(form.InputFiles().empty());
    EXPECT_EQ(form.LoadedFileCount(), 0);
    EXPECT_EQ(Caption(Form::LoadButton), L"Load JSON file...");
    for (int id : kOptions) EXPECT_FALSE(Enabled(id)) << id;
    wchar_t status[16] = L"x";
    SendMessageW(form.Control(Form::StatusBar), SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(status));
    EXPECT_STREQ(status, L"");
    EXPECT_FALSE(Checked(Form::HeaderCheckBox));
    EXPECT_FALSE(form.Options().includeHeader);

    form.AddInputFile(WriteFile("b.json", "{}"));
    EXPECT_EQ(Caption(Form::LoadButton), L"Load JSON files... [1]");
}

TEST_F(FormTest, CommandLineFilesLoadAsDroppedOnesPlusJsonLines) {
    const std::wstring json = WriteFile("data.json", "{}");
    const std::wstring lines = WriteFile("log.JSONL", "{}");
    std::filesystem::create_directories(TempFolder::Native(folder / "folder.json"));
    const std::vector<std::wstring> named = {json,  Path("folder.json"),  WriteFile("notes.txt", "{}"),
                                             lines, Path("missing.json"), json};
    form.AddFilesFromCommandLine(named);
    EXPECT_EQ(form.InputFiles(), (std::vector<std::wstring>{json, lines, json}));
    EXPECT_EQ(effects.recentDocuments, (std::vector<std::wstring>{json, lines, json}));
    EXPECT_EQ(Caption(Form::LoadButton), L"Load JSON files... [3]");
}

TEST(CommandLine, NamesTheFilesAfterTheProgramAsFullPaths) {
    wchar_t current[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, current);
    const std::wstring here = std::wstring(current) + (current[wcslen(current) - 1] == L'\\' ? L"" : L"\\");
    EXPECT_EQ(
        tabulora::FilesOnCommandLine(L"\"C:\\Program Files\\Tabulora\\Tabulora.exe\" \"C:\\my data\\a.json\" b.json"),
        (std::vector<std::wstring>{L"C:\\my data\\a.json", here + L"b.json"}));
    EXPECT_TRUE(tabulora::FilesOnCommandLine(L"Tabulora.exe").empty());
}

TEST_F(FormTest, LoadButtonContextMenuClears) {
    form.AddInputFile(WriteFile("a.json", "{}"));
    effects.menuReplies.push_back(Form::LoadMenuClearCommand);
    SendMessageW(form.Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(form.Control(Form::LoadButton)),
                 MAKELPARAM(10, 10));
    ASSERT_EQ(effects.menusShown.size(), 1u);
    EXPECT_EQ(effects.menusShown[0], form.LoadButtonMenu());
    EXPECT_TRUE(form.InputFiles().empty());
}

TEST_F(FormTest, DropAddsJsonFilesOfAnyCaseAndPathLength) {
    auto windowsPath = [](std::wstring path) {
        std::replace(path.begin(), path.end(), L'/', L'\\');
        return path;
    };
    const std::wstring upper = WriteFile("DATA.JSON", "{}");
    const std::wstring mixed = WriteFile("data.Json", "{}");
    const std::wstring dotted = WriteFile("a.b.json", "{}");
    const std::string deep = std::string(120, 'd') + "/" + std::string(120, 'e');
    std::filesystem::create_directories(TempFolder::Native(folder / deep));
    const std::wstring longPath = windowsPath(WriteFile(deep + "/long.json", "{}"));
    ASSERT_GT(longPath.size(), 260u);
    std::filesystem::create_directories(TempFolder::Native(folder / "folder.json"));
    const std::vector<std::wstring> rejected = {
        Path("folder.json"),      WriteFile("notes.txt", "{}"), WriteFile("data.json5", "{}"),
        WriteFile("noext", "{}"), WriteFile("json", "{}"),      Path("missing.json"),
    };

    std::vector<std::wstring> dropped = {rejected[0], upper,       rejected[1], mixed,       rejected[2],
                                         dotted,      rejected[3], rejected[4], rejected[5], longPath};
    SendMessageW(form.Handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop(dropped)), 0);

    EXPECT_EQ(form.InputFiles(), (std::vector<std::wstring>{upper, mixed, dotted, longPath}));
    EXPECT_EQ(effects.recentDocuments, (std::vector<std::wstring>{upper, mixed, dotted, longPath}));
    EXPECT_EQ(Caption(Form::LoadButton), L"Load JSON files... [4]");
}

// The real shell call: Wine, as Windows, keeps a shortcut to each recent file in the user's
// Recent folder.
TEST(RecentDocuments, TheShellListsTheFile) {
    TempFolder folder;
    const std::wstring file = winui::Utf8ToWide(folder.Write("recent-probe.csv", "a\r\n"));
    wchar_t recent[MAX_PATH] = {};
    ASSERT_EQ(SHGetFolderPathW(nullptr, CSIDL_RECENT, nullptr, SHGFP_TYPE_CURRENT, recent), S_OK);
    const std::filesystem::path shortcut = std::filesystem::path(recent) / L"recent-probe.csv.lnk";
    std::filesystem::remove(shortcut);

    winui::Effects().AddToRecentDocuments(file);

    EXPECT_TRUE(std::filesystem::exists(shortcut)) << shortcut.string();
    std::filesystem::remove(shortcut);
}

TEST_F(FormTest, ExportMenuItemDoesNothingWithoutFiles) {
    Command(Form::FileExportCommand);
    EXPECT_TRUE(effects.saveRequests.empty());
    EXPECT_TRUE(effects.menusShown.empty());
    EXPECT_TRUE(effects.messages.empty());
}

TEST_F(FormTest, OnlineHelpOpensTheProductPage) {
    form.OpenOnlineHelp();
    ASSERT_EQ(effects.shellCalls.size(), 1u);
    EXPECT_EQ(effects.shellCalls[0].file, L"http://tabulora.example/help/tabulora/");
    EXPECT_EQ(effects.shellCalls[0].verb, L"open");
    EXPECT_EQ(effects.shellCalls[0].parent, GetDesktopWindow());
    EXPECT_EQ(effects.shellCalls[0].showCommand, SW_HIDE);
}

TEST_F(FormTest, F1RunsOnlineHelp) {
    MSG key{form.Handle(), WM_KEYDOWN, VK_F1, 0, 0, {}};
    ASSERT_TRUE(TranslateAcceleratorW(form.Handle(), form.Accelerators(), &key));
    ASSERT_EQ(effects.shellCalls.size(), 1u);
    EXPECT_EQ(effects.shellCalls[0].file, L"http://tabulora.example/help/tabulora/");
}

TEST_F(FormTest, MenuHasTheCommandsAndTheUpdateItemStartsCheckedAndDisabled) {
    HMENU bar = GetMenu(form.Handle());
    ASSERT_EQ(GetMenuItemCount(bar), 3);
    auto text = [](HMENU menu, UINT id, UINT by = MF_BYCOMMAND) {
        wchar_t buffer[64] = {};
        GetMenuStringW(menu, id, buffer, 64, by);
        return std::wstring(buffer);
    };
    EXPECT_EQ(text(bar, 0, MF_BYPOSITION), L"&File");
    EXPECT_EQ(text(bar, 1, MF_BYPOSITION), L"&Options");
    EXPECT_EQ(text(bar, 2, MF_BYPOSITION), L"&Help");
    HMENU file = GetSubMenu(bar, 0);
    HMENU options = GetSubMenu(bar, 1);
    HMENU help = GetSubMenu(bar, 2);
    EXPECT_EQ(text(options, Form::FirstChoiceCommand), L"Flatten Nested Values");
    EXPECT_EQ(text(options, Form::FirstChoiceCommand + 1), L"Excel-Friendly UTF-8 (BOM)");
    EXPECT_EQ(text(options, Form::FirstChoiceCommand + 2), L"Guard Against Formula Injection");
    EXPECT_EQ(text(options, Form::FirstChoiceCommand + 3), L"Export Excel Workbooks (.xlsx)");
    EXPECT_EQ(text(file, Form::FileClearCommand), L"Clear");
    EXPECT_EQ(text(file, Form::FileLoadCommand), L"Load JSON file...");
    EXPECT_EQ(text(file, Form::FileExportCommand), L"Export to CSV...");
    EXPECT_EQ(text(file, Form::ShowExportedFileCommand), L"&Show Exported File");
    EXPECT_TRUE(GetMenuState(file, Form::ShowExportedFileCommand, MF_BYCOMMAND) & MF_GRAYED);
    EXPECT_EQ(text(file, Form::FileExitCommand), L"Exit");
    EXPECT_EQ(text(help, Form::OnlineHelpCommand), L"Online Help\tF1");
    EXPECT_EQ(text(help, Form::SendFeedbackCommand), L"Send &Feedback...");
    EXPECT_EQ(text(help, Form::AboutCommand), L"&About...");
    const UINT state = GetMenuState(help, Form::UpdateNotificationsCommand, MF_BYCOMMAND);
    EXPECT_TRUE(state & MF_CHECKED);
    EXPECT_TRUE(state & MF_GRAYED);
}

UINT ChoiceState(const MainWindow& window, int index) {
    return GetMenuState(window.OptionsMenu(), MainWindow::FirstChoiceCommand + index, MF_BYCOMMAND);
}

TEST_F(FormTest, OptionsStartOffToggleAndAreStored) {
    for (int i = 0; i < 4; ++i) EXPECT_FALSE(ChoiceState(form, i) & MF_CHECKED) << i;
    Command(Form::FirstChoiceCommand);
    Command(Form::FirstChoiceCommand + 2);
    Command(Form::FirstChoiceCommand + 2);
    EXPECT_TRUE(ChoiceState(form, 0) & MF_CHECKED);
    EXPECT_FALSE(ChoiceState(form, 2) & MF_CHECKED);
    EXPECT_EQ(settings->values["Settings\\FlattenNested"], "1");
    EXPECT_EQ(settings->values["Settings\\FormulaGuard"], "0");
    EXPECT_EQ(settings->values.count("Settings\\Utf8Bom"), 0u);

    // A value that cannot be written leaves the mark as it was and says so.
    settings->failingWrites.insert("Settings\\Utf8Bom");
    Command(Form::FirstChoiceCommand + 1);
    EXPECT_FALSE(ChoiceState(form, 1) & MF_CHECKED);
    ASSERT_EQ(effects.messages.size(), 1u);
    EXPECT_EQ(effects.messages[0].caption, L"ERROR");
}

TEST(Options, StoredChoicesComeBackAndUnreadableOnesCountAsOff) {
    FakeEffects effects;
    auto store = std::make_unique<tabulora::update::testing::MemorySettings>();
    store->values = {{"Settings\\FlattenNested", "1"}, {"Settings\\Utf8Bom", "abc"}, {"Settings\\ExcelWorkbook", "1"}};
    store->foreignTyped = {"Settings\\FormulaGuard"};
    const MainWindow form(tabulora::MakeAppIdentity("BRIMTAL", "Tabulora", "1.1"), tabulora::MakerSite("x"),
                          std::move(store));
    EXPECT_TRUE(ChoiceState(form, 0) & MF_CHECKED);
    EXPECT_FALSE(ChoiceState(form, 1) & MF_CHECKED);
    EXPECT_FALSE(ChoiceState(form, 2) & MF_CHECKED);
    EXPECT_TRUE(ChoiceState(form, 3) & MF_CHECKED);
    EXPECT_TRUE(form.Options().excelWorkbook);
    wchar_t caption[64] = {};
    GetWindowTextW(form.Control(MainWindow::ExportButton), caption, 64);
    EXPECT_EQ(std::wstring(caption), L"Export to Excel...");
}

// While workbooks are chosen the exports say so, and what concerns CSV only waits; the header line
// and the input encoding UTF-8 still apply. The choice is stored like the others.
TEST_F(FormTest, TheWorkbookChoiceRenamesTheExportsAndGraysTheCsvOnlyChoices) {
    form.AddInputFile(WriteFile("a.json", "{}"));
    HMENU file = GetSubMenu(GetMenu(form.Handle()), 0);
    auto text = [](HMENU menu, UINT id) {
        wchar_t buffer[64] = {};
        GetMenuStringW(menu, id, buffer, 64, MF_BYCOMMAND);
        return std::wstring(buffer);
    };
    struct Look {
        const wchar_t *button, *single, *multiple;
        bool csvOnlyUsable;
    };
    const Look csv{L"Export to CSV...", L"Single CSV File...", L"Multiple CSV Files...", true};
    const Look workbook{L"Export to Excel...", L"Single Excel Workbook...", L"Multiple Excel Workbooks...", false};
    auto expectLook = [&](const Look& look, const char* when) {
        EXPECT_EQ(Caption(Form::ExportButton), look.button) << when;
        EXPECT_EQ(text(file, Form::FileExportCommand), look.button) << when;
        EXPECT_EQ(text(form.ExportMenu(), Form::SingleCsvFileCommand), look.single) << when;
        EXPECT_EQ(text(form.ExportMenu(), Form::MultipleCsvFilesCommand), look.multiple) << when;
        for (int id : {Form::AnsiRadio, Form::SeparatorLabel, Form::SeparatorButton})
            EXPECT_EQ(Enabled(id), look.csvOnlyUsable) << when << ", control " << id;
        EXPECT_EQ(!(ChoiceState(form, 1) & MF_GRAYED), look.csvOnlyUsable) << when;  // BOM
        EXPECT_EQ(!(ChoiceState(form, 2) & MF_GRAYED), look.csvOnlyUsable) << when;  // formula guard
        EXPECT_TRUE(Enabled(Form::HeaderCheckBox)) << when;
        EXPECT_TRUE(Enabled(Form::Utf8Radio)) << when;
        EXPECT_FALSE(ChoiceState(form, 0) & MF_GRAYED) << when;
        EXPECT_FALSE(ChoiceState(form, 3) & MF_GRAYED) << when;
    };
    expectLook(csv, "at first");
    Command(Form::FirstChoiceCommand + 3);
    EXPECT_TRUE(ChoiceState(form, 3) & MF_CHECKED);
    EXPECT_TRUE(form.Options().excelWorkbook);
    EXPECT_EQ(settings->values["Settings\\ExcelWorkbook"], "1");
    expectLook(workbook, "workbooks");
    // ANSI stays as chosen for reading the inputs, grayed.
    Command(Form::FirstChoiceCommand + 3);
    Click(Form::AnsiRadio);
    Command(Form::FirstChoiceCommand + 3);
    EXPECT_TRUE(Checked(Form::AnsiRadio));
    EXPECT_FALSE(Enabled(Form::AnsiRadio));
    Click(Form::Utf8Radio);
    Command(Form::FirstChoiceCommand + 3);
    EXPECT_EQ(settings->values["Settings\\ExcelWorkbook"], "0");
    EXPECT_FALSE(form.Options().excelWorkbook);
    expectLook(csv, "CSV again");
}

TEST_F(FormTest, TheBomChoiceIsOffTheMenuWhileAnsiIsChosen) {
    form.AddInputFile(WriteFile("a.json", "{}"));
    EXPECT_FALSE(ChoiceState(form, 1) & MF_GRAYED);
    SendMessageW(form.Control(Form::AnsiRadio), BM_CLICK, 0, 0);
    EXPECT_TRUE(ChoiceState(form, 1) & MF_GRAYED);
    EXPECT_FALSE(ChoiceState(form, 0) & MF_GRAYED);
    SendMessageW(form.Control(Form::Utf8Radio), BM_CLICK, 0, 0);
    EXPECT_FALSE(ChoiceState(form, 1) & MF_GRAYED);
}

// The separator button starts with the list separator of the thread's locale.
class LocaleSeparatorTest : public testing::Test {
protected:
    void TearDown() override {
        SetThreadLocale(savedLocale_);
        if (!savedList_.empty()) SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SLIST, savedList_.c_str());
    }
    void UseUserListSeparator(const wchar_t* separator) {
        wchar_t current[8] = {};
        GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SLIST, current, 8);
        savedList_ = current;
        ASSERT_TRUE(SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SLIST, separator));
        SetThreadLocale(GetUserDefaultLCID());
    }

private:
    LCID savedLocale_ = GetThreadLocale();
    std::wstring savedList_;
};

TEST_F(LocaleSeparatorTest, CommaAndSemicolonLocales) {
    SetThreadLocale(MAKELCID(MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), SORT_DEFAULT));
    EXPECT_EQ(tabulora::ListSeparator(), L",");
    SetThreadLocale(MAKELCID(MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN), SORT_DEFAULT));
    EXPECT_EQ(tabulora::ListSeparator(), L";");
    FakeEffects effects;
    MainWindow form(tabulora::MakeAppIdentity("BRIMTAL", "Tabulora", "1.1"), tabulora::MakerSite("tabulora.example"),
                    std::make_unique<tabulora::update::testing::MemorySettings>());
    wchar_t caption[8] = {};
    GetWindowTextW(form.Control(MainWindow::SeparatorButton), caption, 8);
    EXPECT_STREQ(caption, L";");
    EXPECT_EQ(form.Options().separator, ";");
}

TEST_F(LocaleSeparatorTest, TabIsShownAsBackslashT) {
    UseUserListSeparator(L"\t");
    EXPECT_EQ(tabulora::ListSeparator(), L"\t");
    FakeEffects effects;
    MainWindow form(tabulora::MakeAppIdentity("BRIMTAL", "Tabulora", "1.1"), tabulora::MakerSite("tabulora.example"),
                    std::make_unique<tabulora::update::testing::MemorySettings>());
    wchar_t caption[8] = {};
    GetWindowTextW(form.Control(MainWindow::SeparatorButton), caption, 8);
    EXPECT_STREQ(caption, L"\\t");
    EXPECT_EQ(form.Options().separator, "\t");
}

}  // namespace
