#include <filesystem>
#include <functional>

#include "form_fixture.h"
#include "platform/ansi_codec.h"
#include "ui/separator_dialog.h"
#include "winui/busy_cursor.h"
#include "winui/message_loop.h"
#include "winui/messages.h"

namespace {

using tabulora::ExportOptions;
using tabulora::MainWindow;
using tabulora::TextEncoding;
using tabulora::ui::SeparatorDialog;

const std::string kPeople = R"([{"name": "Ann", "city": "Oslo"}, {"name": "Bob", "city": "Rome"}])";
const std::string kMorePeople = R"([{"name": "Cid", "city": "Lima"}])";

class ExportTest : public FormTest {
protected:
    void ExpectMessage(size_t index, const std::wstring& text, const std::wstring& caption, UINT icon) {
        ASSERT_GT(effects.messages.size(), index);
        const FakeEffects::Message& message = effects.messages[index];
        EXPECT_EQ(message.text, text);
        EXPECT_EQ(message.caption, caption);
        EXPECT_EQ(message.type, MB_OK | icon);
        EXPECT_EQ(message.cursor, winui::ScreenCursor::Default);
    }
    bool MenuItemChecked(int index) const {
        return GetMenuState(form.OptionsMenu(), Form::FirstChoiceCommand + index, MF_BYCOMMAND) & MF_CHECKED;
    }
    bool MenuItemUsable(HMENU menu, UINT command) const {
        return !(GetMenuState(menu, command, MF_BYCOMMAND) & MF_GRAYED);
    }
    // The options as the window shows them, read from its controls and its Options menu.
    ExportOptions Shown() const {
        ExportOptions shown;
        shown.includeHeader = Checked(Form::HeaderCheckBox);
        EXPECT_NE(Checked(Form::Utf8Radio), Checked(Form::AnsiRadio));
        shown.encoding = Checked(Form::AnsiRadio) ? TextEncoding::Ansi : TextEncoding::Utf8;
        const std::wstring caption = Caption(Form::SeparatorButton);
        shown.separator = caption == L"\\t" ? "\t" : winui::WideToUtf8(caption);
        shown.flattenNested = MenuItemChecked(0);
        shown.utf8Bom = MenuItemChecked(1);
        shown.formulaGuard = MenuItemChecked(2);
        return shown;
    }
    void ChooseInSeparatorDialog(int radio, const wchar_t* typed = nullptr) {
        Command(Form::SeparatorButton);
        SeparatorDialog& dialog = *form.LastSeparatorDialog();
        SendMessageW(dialog.Control(radio), BM_CLICK, 0, 0);
        if (typed) SetWindowTextW(dialog.Control(SeparatorDialog::OtherEdit), typed);
        SendMessageW(dialog.Control(SeparatorDialog::OkButton), BM_CLICK, 0, 0);
    }
    // Which controls and menu items can be used.
    struct Usable {
        bool load, options, exportButton, fileCommands, choices, bom, drops;
    };
    void ExpectUsable(const Usable& usable, const char* when) const {
        EXPECT_EQ(Enabled(Form::LoadButton), usable.load) << when;
        for (int id :
             {Form::HeaderCheckBox, Form::Utf8Radio, Form::AnsiRadio, Form::SeparatorLabel, Form::SeparatorButton}) {
            EXPECT_EQ(Enabled(id), usable.options) << when << ", control " << id;
        }
        EXPECT_EQ(Enabled(Form::ExportButton), usable.exportButton) << when;
        HMENU file = GetSubMenu(GetMenu(form.Handle()), 0);
        for (UINT command : {Form::FileClearCommand, Form::FileLoadCommand, Form::FileExportCommand}) {
            EXPECT_EQ(MenuItemUsable(file, command), usable.fileCommands) << when << ", command " << command;
        }
        EXPECT_EQ(MenuItemUsable(form.OptionsMenu(), Form::FirstChoiceCommand), usable.choices) << when;
        EXPECT_EQ(MenuItemUsable(form.OptionsMenu(), Form::FirstChoiceCommand + 1), usable.bom) << when;
        EXPECT_EQ(MenuItemUsable(form.OptionsMenu(), Form::FirstChoiceCommand + 2), usable.choices) << when;
        EXPECT_EQ((GetWindowLongPtrW(form.Handle(), GWL_EXSTYLE) & WS_EX_ACCEPTFILES) != 0, usable.drops) << when;
    }
};

TEST_F(ExportTest, OneFileGoesStraightToTheSaveDialog) {
    form.AddInputFile(WriteFile("people.json", kPeople));
    const std::wstring output = Path("out.csv");
    effects.saveReplies.push_back(output);

    Command(Form::ExportButton);

    EXPECT_TRUE(effects.menusShown.empty());
    ASSERT_EQ(effects.saveRequests.size(), 1u);
    const winui::SaveFileRequest& request = effects.saveRequests[0];
    ASSERT_EQ(request.filters.size(), 2u);
    EXPECT_EQ(request.filters[0].name, L"CSV File (*.csv)");
    EXPECT_EQ(request.filters[0].pattern, L"*.csv");
    EXPECT_EQ(request.filters[1].name, L"Any File (*.*)");
    EXPECT_EQ(request.filters[1].pattern, L"*.*");
    EXPECT_EQ(request.defaultExtension, L"csv");
    EXPECT_EQ(Read(output), "name,city\r\nAnn,Oslo\r\nBob,Rome\r\n");
    ASSERT_EQ(effects.messages.size(), 1u);
    ExpectMessage(0, L"Operation completed. File saved: " + output, L"Success", MB_ICONINFORMATION);
    EXPECT_EQ(winui::CurrentScreenCursor(), winui::ScreenCursor::Default);

    // The dialog offers the last chosen name again; cancelling writes nothing more.
    Command(Form::FileExportCommand);
    ASSERT_EQ(effects.saveRequests.size(), 2u);
    EXPECT_EQ(effects.saveRequests[1].initialFileName, output);
    EXPECT_EQ(effects.messages.size(), 1u);
}

TEST_F(ExportTest, SingleFileHoldsTheRecordsOfAllFilesInListOrder) {
    form.AddInputFile(WriteFile("b.json", kMorePeople));
    form.AddInputFile(WriteFile("a.json", kPeople));
    const std::wstring output = Path("all.csv");
    effects.saveReplies.push_back(output);
    form.ExportSingleCsvFile();
    WaitForExport();
    EXPECT_EQ(Read(output), "name,city\r\nCid,Lima\r\nAnn,Oslo\r\nBob,Rome\r\n");
}

TEST_F(ExportTest, OptionsShapeTheOutput) {
    struct Case {
        const wchar_t* separator;
        bool header;
        bool ansi;
        std::string expected;  // UTF-8
    };
    const std::string input = "[{\"k\": \"a;b\", \"v\": \"Z\u00fcrich \\\"x\\\"\"}]";
    const Case cases[] = {
        {L"\t", true, false, "k\tv\r\na;b\t\"Z\u00fcrich \"\"x\"\"\"\r\n"},
        {L";", true, false, "k;v\r\n\"a;b\";\"Z\u00fcrich \"\"x\"\"\"\r\n"},
        {L"|", false, false, "a;b|\"Z\u00fcrich \"\"x\"\"\"\r\n"},
        {L"", true, false, "kv\r\na;b\"Z\u00fcrich \"\"x\"\"\"\r\n"},
        {L",", true, true, "k,v\r\na;b,\"Z\u00fcrich \"\"x\"\"\"\r\n"},
    };
    int n = 0;
    for (const Case& c : cases) {
        // The input is read in the chosen encoding too.
        form.ClearInputFiles();
        form.AddInputFile(WriteFile("in" + std::to_string(n) + ".json",
                                    c.ansi ? tabulora::SystemAnsiCodec().FromUtf8(input) : input));
        form.ChooseSeparator(c.separator);
        if (Checked(Form::HeaderCheckBox) != c.header) Click(Form::HeaderCheckBox);
        Click(c.ansi ? Form::AnsiRadio : Form::Utf8Radio);
        const std::wstring output = Path("out" + std::to_string(++n) + ".csv");
        effects.saveReplies.push_back(output);
        form.ExportSingleCsvFile();
        WaitForExport();
        const std::string expected = c.ansi ? tabulora::SystemAnsiCodec().FromUtf8(c.expected) : c.expected;
        EXPECT_EQ(Read(output), expected) << winui::WideToUtf8(c.separator);
    }
}

TEST_F(ExportTest, UnreadableFilesAreReportedAndSkipped) {
    const std::wstring good = WriteFile("good.json", kPeople);
    const std::wstring gone = WriteFile("gone.json", kMorePeople);
    form.AddInputFile(gone);
    form.AddInputFile(good);
    std::filesystem::remove(TempFolder::Native(winui::WideToUtf8(gone)));
    const std::wstring output = Path("out.csv");
    effects.saveReplies.push_back(output);

    form.ExportSingleCsvFile();

    WaitForExport();

    ASSERT_EQ(effects.messages.size(), 2u);
    ExpectMessage(0, L"File load error!\r\r" + gone, L"ERROR", MB_ICONERROR);
    ExpectMessage(1, L"Operation completed. File saved: " + output, L"Success", MB_ICONINFORMATION);
    EXPECT_EQ(Read(output), "name,city\r\nAnn,Oslo\r\nBob,Rome\r\n");
}

TEST_F(ExportTest, NothingToExportWarnsWithoutAskingForAName) {
    form.AddInputFile(WriteFile("empty.json", ""));
    form.AddInputFile(WriteFile("bom.json", "\xEF\xBB\xBF"));
    form.ExportSingleCsvFile();
    WaitForExport();
    EXPECT_TRUE(effects.saveRequests.empty());
    ASSERT_EQ(effects.messages.size(), 1u);
    ExpectMessage(0, L"The file is empty!\r\r", L"Warning", MB_ICONWARNING);
}

TEST_F(ExportTest, UnwritableOutputReachesTheErrorBoxAndRestoresTheCursor) {
    form.AddInputFile(WriteFile("people.json", kPeople));
    const std::wstring output = Path("no-such-folder\\out.csv");
    effects.saveReplies.push_back(output);

    Command(Form::SingleCsvFileCommand);

    ASSERT_EQ(effects.messages.size(), 1u);
    const FakeEffects::Message& box = effects.messages[0];
    EXPECT_EQ(box.caption, L"Tabulora");
    EXPECT_EQ(box.type, MB_OK | MB_ICONERROR);
    EXPECT_EQ(box.text.rfind(L"Cannot create file \"" + output + L"\". ", 0), 0u) << winui::WideToUtf8(box.text);
    EXPECT_LE(box.text.back(), L'.');
    EXPECT_EQ(winui::CurrentScreenCursor(), winui::ScreenCursor::Default);
    EXPECT_FALSE(std::filesystem::exists(TempFolder::Native(winui::WideToUtf8(output))));
}

TEST_F(ExportTest, AnOutputThatIsAnInputIsRefusedAndTheInputKept) {
    const std::wstring input = WriteFile("people.json", kPeople);
    form.AddInputFile(input);
    const size_t folderEnd = input.rfind(L'\\');
    // The same file under the dialog's own spelling and under another one.
    for (const std::wstring& output : {input, input.substr(0, folderEnd) + L"\\.\\people.json"}) {
        effects.messages.clear();
        effects.saveReplies.push_back(output);

        Command(Form::SingleCsvFileCommand);

        ASSERT_EQ(effects.messages.size(), 1u) << winui::WideToUtf8(output);
        const FakeEffects::Message& box = effects.messages[0];
        EXPECT_EQ(box.type, MB_OK | MB_ICONERROR);
        EXPECT_EQ(box.text.rfind(L"Cannot create file \"" + output + L"\". It is the input file ", 0), 0u)
            << winui::WideToUtf8(box.text);
        EXPECT_EQ(Read(input), kPeople);
    }
}

TEST_F(ExportTest, TwoFilesOfferTheExportMenu) {
    form.AddInputFile(WriteFile("a.json", kPeople));
    form.AddInputFile(WriteFile("b.json", kMorePeople));
    const std::wstring output = Path("both.csv");
    effects.menuReplies.push_back(Form::SingleCsvFileCommand);
    effects.saveReplies.push_back(output);

    Command(Form::ExportButton);

    ASSERT_EQ(effects.menusShown.size(), 1u);
    EXPECT_EQ(effects.menusShown[0], form.ExportMenu());
    EXPECT_EQ(Read(output), "name,city\r\nAnn,Oslo\r\nBob,Rome\r\nCid,Lima\r\n");
}

TEST_F(ExportTest, MultipleFilesGetFreeNamesInTheChosenFolder) {
    TempFolder first, second, target;
    form.AddInputFile(winui::Utf8ToWide(first.Write("data.json", kPeople)));
    form.AddInputFile(winui::Utf8ToWide(second.Write("data.json", kMorePeople)));
    const std::wstring folderPath = winui::Utf8ToWide(target / "");
    effects.folderReplies = {folderPath, folderPath};

    form.ExportMultipleCsvFiles();

    WaitForExport();
    form.ExportMultipleCsvFiles();
    WaitForExport();

    ASSERT_EQ(effects.folderRequests.size(), 2u);
    EXPECT_EQ(effects.folderRequests[0].title, L"Select folder:");
    EXPECT_EQ(effects.folderRequests[0].okLabel, L"Select");
    EXPECT_EQ(effects.folderRequests[0].initialFolder, L"");
    EXPECT_EQ(effects.folderRequests[1].initialFolder, folderPath);
    EXPECT_EQ(form.LastFolder(), folderPath);
    EXPECT_EQ(target.Entries(), (std::vector<std::string>{"data (2).csv", "data (3).csv", "data (4).csv", "data.csv"}));
    EXPECT_EQ(TempFolder::Read(target / "data.csv"), "name,city\r\nAnn,Oslo\r\nBob,Rome\r\n");
    EXPECT_EQ(TempFolder::Read(target / "data (2).csv"), "name,city\r\nCid,Lima\r\n");
    ASSERT_EQ(effects.messages.size(), 2u);
    ExpectMessage(1, L"Operation completed. Files saved: " + folderPath, L"Success", MB_ICONINFORMATION);
}

TEST_F(ExportTest, MultipleFilesSkipAnUnreadableInput) {
    const std::wstring gone = WriteFile("gone.json", kPeople);
    form.AddInputFile(gone);
    form.AddInputFile(WriteFile("b.json", kMorePeople));
    std::filesystem::remove(TempFolder::Native(winui::WideToUtf8(gone)));
    TempFolder target;
    effects.folderReplies.push_back(winui::Utf8ToWide(target / ""));

    form.ExportMultipleCsvFiles();

    WaitForExport();

    EXPECT_EQ(target.Entries(), (std::vector<std::string>{"b.csv"}));
    ASSERT_EQ(effects.messages.size(), 2u);
    ExpectMessage(0, L"File load error!\r\r" + gone, L"ERROR", MB_ICONERROR);
}

TEST_F(ExportTest, EveryWrittenCsvGoesToTheRecentList) {
    const std::wstring a = WriteFile("a.json", kPeople);
    const std::wstring b = WriteFile("b.json", kMorePeople);
    const std::wstring empty = WriteFile("empty.json", "");
    form.AddInputFile(a);
    form.AddInputFile(b);
    ASSERT_EQ(effects.recentDocuments, (std::vector<std::wstring>{a, b}));
    effects.recentDocuments.clear();

    // Nothing written: the save dialog cancelled.
    form.ExportSingleCsvFile();
    WaitForExport();
    EXPECT_TRUE(effects.recentDocuments.empty());

    const std::wstring single = Path("all.csv");
    effects.saveReplies.push_back(single);
    form.ExportSingleCsvFile();
    WaitForExport();
    EXPECT_EQ(effects.recentDocuments, std::vector<std::wstring>{single});

    TempFolder target;
    effects.recentDocuments.clear();
    form.ExportMultipleCsvFilesTo(winui::Utf8ToWide(target / ""));
    WaitForExport();
    EXPECT_EQ(effects.recentDocuments,
              (std::vector<std::wstring>{winui::Utf8ToWide(target / "a.csv"), winui::Utf8ToWide(target / "b.csv")}));

    // Nothing to export: no output.
    form.ClearInputFiles();
    form.AddInputFile(empty);
    effects.recentDocuments.clear();
    form.ExportSingleCsvFile();
    WaitForExport();
    EXPECT_TRUE(effects.recentDocuments.empty());
}

class ShowInFolderTest : public ExportTest {
protected:
    HWND Link() const { return form.Control(Form::ShowInFolderLink); }
    bool Offered() const {
        const bool menu =
            !(GetMenuState(GetSubMenu(GetMenu(form.Handle()), 0), Form::ShowExportedFileCommand, MF_BYCOMMAND) &
              MF_GRAYED);
        // Shown (the window itself may be hidden in a test) and usable.
        const bool link = (GetWindowLongPtrW(Link(), GWL_STYLE) & WS_VISIBLE) && IsWindowEnabled(Link());
        EXPECT_EQ(menu, link) << "the menu item and the link disagree";
        return menu && link;
    }
    // A click as the mouse makes it, on the link's first word, with the window on the screen.
    void ClickLink() {
        ShowWindow(form.Handle(), SW_SHOW);
        UpdateWindow(form.Handle());
        RECT rect{};
        GetClientRect(Link(), &rect);
        const LPARAM at = MAKELPARAM(form.Scale(10), rect.bottom / 2);

        SendMessageW(Link(), WM_LBUTTONDOWN, MK_LBUTTON, at);
        SendMessageW(Link(), WM_LBUTTONUP, 0, at);
    }
    void ExportOneFile(const std::wstring& output) {
        effects.saveReplies.push_back(output);
        form.ExportSingleCsvFile();
        WaitForExport();
    }
};

TEST_F(ShowInFolderTest, OffersTheWrittenFileAfterASavedExportByClickEnterAndMenu) {
    form.AddInputFile(WriteFile("people.json", kPeople));
    EXPECT_FALSE(Offered());
    const std::wstring output = Path("people.csv");
    ExportOneFile(output);
    ASSERT_TRUE(Offered());
    EXPECT_EQ(winui::WindowText(Link()), L"<a>Show in Folder</a>");

    // It sits in the status bar, beside the summary, and follows the export button in the tab order.
    RECT link{}, status{};
    GetWindowRect(Link(), &link);
    GetWindowRect(form.Control(Form::StatusBar), &status);
    EXPECT_GE(link.top, status.top);
    EXPECT_LE(link.bottom, status.bottom);
    EXPECT_LE(link.right, status.right);
    EXPECT_EQ(GetNextDlgTabItem(form.Handle(), form.Control(Form::ExportButton), FALSE), Link());

    const std::wstring folderPath = Path("");
    const FakeEffects::FolderShown expected{folderPath, {output}};
    ClickLink();
    EXPECT_EQ(effects.foldersShown.size(), 1u) << "a click on the link";
    PressKeyOn(Link(), VK_RETURN);
    EXPECT_EQ(effects.foldersShown.size(), 2u) << "Enter on the link";
    Command(Form::ShowExportedFileCommand);
    ASSERT_EQ(effects.foldersShown.size(), 3u);
    for (const FakeEffects::FolderShown& shown : effects.foldersShown) {
        EXPECT_EQ(shown.folder, folderPath);
        EXPECT_EQ(shown.items, expected.items);
    }
    EXPECT_EQ(effects.messages.size(), 1u);  // only the success box of the export
}

TEST_F(ShowInFolderTest, TheMultipleFilesExportShowsItsFolderWithTheFilesSelected) {
    form.AddInputFile(WriteFile("a.json", kPeople));
    form.AddInputFile(WriteFile("b.json", kMorePeople));
    TempFolder target;
    const std::wstring folderPath = winui::Utf8ToWide(target / "");
    form.ExportMultipleCsvFilesTo(folderPath);
    WaitForExport();
    ASSERT_TRUE(Offered());
    Command(Form::ShowExportedFileCommand);
    ASSERT_EQ(effects.foldersShown.size(), 1u);
    EXPECT_EQ(effects.foldersShown[0].folder, folderPath);
    EXPECT_EQ(effects.foldersShown[0].items,
              (std::vector<std::wstring>{winui::Utf8ToWide(target / "a.csv"), winui::Utf8ToWide(target / "b.csv")}));

    // A file deleted since is left out; without its folder nothing opens and a message says why.
    std::filesystem::remove(TempFolder::Native(target / "a.csv"));
    Command(Form::ShowExportedFileCommand);
    ASSERT_EQ(effects.foldersShown.size(), 2u);
    EXPECT_EQ(effects.foldersShown[1].items, std::vector<std::wstring>{winui::Utf8ToWide(target / "b.csv")});
    std::filesystem::remove_all(TempFolder::Native(target / ""));
    const size_t messages = effects.messages.size();
    Command(Form::ShowExportedFileCommand);
    EXPECT_EQ(effects.foldersShown.size(), 2u);
    ASSERT_EQ(effects.messages.size(), messages + 1);
    EXPECT_EQ(effects.messages.back().text, L"The folder \"" + folderPath + L"\" no longer exists.");

    // The shell refusing is said too.
    TempFolder again;
    form.ExportMultipleCsvFilesTo(winui::Utf8ToWide(again / ""));
    WaitForExport();
    effects.folderShowWorks = false;
    Command(Form::ShowExportedFileCommand);
    EXPECT_EQ(effects.messages.back().text,
              L"The folder \"" + winui::Utf8ToWide(again / "") + L"\" could not be opened.");
}

TEST_F(ShowInFolderTest, NotOfferedWithoutAFinishedSavedExport) {
    form.AddInputFile(WriteFile("people.json", kPeople));
    struct Step {
        const char* what;
        std::function<void()> run;
        bool offered;
    };
    const std::vector<Step> steps = {
        {"the save dialog cancelled", [&] { Command(Form::SingleCsvFileCommand); }, false},
        {"saved", [&] { ExportOneFile(Path("one.csv")); }, true},
        {"the next export cancelled in its save dialog", [&] { Command(Form::SingleCsvFileCommand); }, false},
        {"saved again", [&] { ExportOneFile(Path("two.csv")); }, true},
        {"an output that cannot be written", [&] { ExportOneFile(Path("no-such-folder\\x.csv")); }, false},
        {"saved once more", [&] { ExportOneFile(Path("three.csv")); }, true},
        {"the list cleared, and the summary with it", [&] { Command(Form::FileClearCommand); }, false},
    };
    for (const Step& step : steps) {
        step.run();
        EXPECT_EQ(Offered(), step.offered) << step.what;
    }
    // Not while an export runs: the save dialog is up.
    form.AddInputFile(WriteFile("people.json", kPeople));
    ExportOneFile(Path("four.csv"));
    ASSERT_TRUE(Offered());
    bool offeredDuringExport = true;
    effects.whileSaveDialogOpen = [&] { offeredDuringExport = Offered(); };
    ExportOneFile(Path("five.csv"));
    EXPECT_FALSE(offeredDuringExport);
    // Nothing happens from a menu item that is not offered.
    Command(Form::FileClearCommand);
    Command(Form::ShowExportedFileCommand);
    EXPECT_TRUE(effects.foldersShown.empty());
}

TEST_F(ExportTest, CancelledFolderChoiceDoesNothing) {
    form.AddInputFile(WriteFile("a.json", kPeople));
    form.ExportMultipleCsvFiles();
    WaitForExport();
    EXPECT_TRUE(effects.messages.empty());
    EXPECT_EQ(form.LastFolder(), L"");
}

std::wstring StatusText(const MainWindow& window) {
    wchar_t text[256] = {};
    SendMessageW(window.Control(MainWindow::StatusBar), SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(text));
    return text;
}

TEST_F(ExportTest, WhileAnExportRunsItsButtonCancelsAndNothingElseChangesItsInputs) {
    form.AddInputFile(WriteFile("people.json", kPeople));
    const std::wstring output = Path("out.csv");
    effects.saveReplies.push_back(output);
    effects.whileSaveDialogOpen = [&] {
        EXPECT_TRUE(form.ExportRunning());
        EXPECT_EQ(Caption(Form::ExportButton), L"Cancel");
        for (int id : {Form::LoadButton, Form::HeaderCheckBox, Form::Utf8Radio, Form::SeparatorButton})
            EXPECT_FALSE(Enabled(id)) << id;
        EXPECT_TRUE(GetMenuState(form.OptionsMenu(), Form::FirstChoiceCommand, MF_BYCOMMAND) & MF_GRAYED);
        SendMessageW(form.Handle(), WM_COMMAND, Form::FileClearCommand, 0);  // ignored
        EXPECT_EQ(form.InputFiles().size(), 1u);
        SendMessageW(form.Handle(), WM_COMMAND, IDCANCEL, 0);  // Esc
    };

    Command(Form::ExportButton);

    EXPECT_FALSE(std::filesystem::exists(TempFolder::Native(winui::WideToUtf8(output))));
    EXPECT_EQ(folder.Entries(), std::vector<std::string>{"people.json"});  // no temporary file either
    EXPECT_TRUE(effects.messages.empty());
    EXPECT_EQ(StatusText(form), L"Export cancelled.");
    EXPECT_EQ(Caption(Form::ExportButton), L"Export to CSV...");
    EXPECT_TRUE(Enabled(Form::LoadButton));
    EXPECT_FALSE(GetMenuState(form.OptionsMenu(), Form::FirstChoiceCommand, MF_BYCOMMAND) & MF_GRAYED);
}

TEST_F(ExportTest, ClosingTheWindowDuringAnExportCancelsItThenEndsTheProgram) {
    form.AddInputFile(WriteFile("people.json", kPeople));
    effects.saveReplies.push_back(Path("out.csv"));
    effects.whileSaveDialogOpen = [&] { SendMessageW(form.Handle(), WM_CLOSE, 0, 0); };
    MSG quit{};
    ASSERT_FALSE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE));

    Command(Form::ExportButton);

    EXPECT_EQ(StatusText(form), L"Export cancelled.");
    EXPECT_EQ(folder.Entries(), std::vector<std::string>{"people.json"});
    EXPECT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "the program ends";
}

TEST_F(ExportTest, TheStatusBarKeepsASummaryOfTheExport) {
    form.AddInputFile(WriteFile("people.json", kPeople));
    effects.saveReplies.push_back(Path("out.csv"));
    Command(Form::ExportButton);
    const std::wstring status = StatusText(form);
    EXPECT_EQ(status.rfind(L"Saved 2 rows \u00D7 2 columns to out.csv in ", 0), 0u) << winui::WideToUtf8(status);
}

TEST_F(ExportTest, TheOptionsMenuChoicesShapeTheCsv) {
    form.AddInputFile(WriteFile("nested.json", R"([{"id":1,"user":{"name":"x"},"f":"=1+2"}])"));
    for (int i = 0; i < 3; ++i) Command(Form::FirstChoiceCommand + i);
    const std::wstring utf8 = Path("utf8.csv"), ansi = Path("ansi.csv");
    effects.saveReplies = {utf8, ansi};
    Command(Form::ExportButton);
    SendMessageW(form.Control(Form::AnsiRadio), BM_CLICK, 0, 0);
    Command(Form::ExportButton);
    EXPECT_EQ(Read(utf8), "\xEF\xBB\xBFid,user.name,f\r\n1,x,'=1+2\r\n");
    EXPECT_EQ(Read(ansi), "id,user.name,f\r\n1,x,'=1+2\r\n");  // no byte-order mark in ANSI
}

TEST_F(ExportTest, TheExportReceivesWhatTheControlsShow) {
    const std::string input = "[{\"id\":1,\"n\":\"Zo\u00EB\",\"user\":{\"name\":\"x\"},\"f\":\"=1+2\"}]";
    const tabulora::AnsiCodec& ansi = tabulora::SystemAnsiCodec();
    form.AddInputFile(WriteFile("ansi.json", ansi.FromUtf8(input)));

    // TAB through the separator dialog, ANSI, no header line, two choices of the Options menu.
    ChooseInSeparatorDialog(SeparatorDialog::TabRadio);
    Click(Form::AnsiRadio);
    Click(Form::HeaderCheckBox);
    Command(Form::FirstChoiceCommand);      // Flatten Nested Values
    Command(Form::FirstChoiceCommand + 2);  // Guard Against Formula Injection
    ExportOptions expected;
    expected.includeHeader = false;
    expected.encoding = TextEncoding::Ansi;
    expected.separator = "\t";
    expected.flattenNested = true;
    expected.formulaGuard = true;
    EXPECT_EQ(Caption(Form::SeparatorButton), L"\\t");
    EXPECT_EQ(Shown(), expected);
    EXPECT_EQ(form.Options(), expected);
    const std::wstring first = Path("first.csv");
    effects.saveReplies.push_back(first);
    Command(Form::ExportButton);
    EXPECT_EQ(Read(first), ansi.FromUtf8("1\tZo\u00EB\tx\t'=1+2\r\n"));

    // Then a UTF-8 file: UTF-8 with its byte-order mark, the header line, no flattening and a
    // separator typed under "Other".
    Command(Form::FileClearCommand);
    form.AddInputFile(WriteFile("utf8.json", input));
    Click(Form::Utf8Radio);
    Click(Form::HeaderCheckBox);
    Command(Form::FirstChoiceCommand + 1);  // Excel-Friendly UTF-8 (BOM)
    Command(Form::FirstChoiceCommand);
    ChooseInSeparatorDialog(SeparatorDialog::OtherRadio, L"|");
    expected = ExportOptions();
    expected.separator = "|";
    expected.utf8Bom = true;
    expected.formulaGuard = true;
    EXPECT_EQ(Shown(), expected);
    EXPECT_EQ(form.Options(), expected);
    const std::wstring second = Path("second.csv");
    effects.saveReplies.push_back(second);
    Command(Form::ExportButton);
    EXPECT_EQ(Read(second), "\xEF\xBB\xBFid|n|f\r\n1|Zo\u00EB|'=1+2\r\n");
    EXPECT_EQ(effects.messages.size(), 2u);  // the two "Operation completed" boxes
}

TEST_F(ExportTest, WhatCanBeUsedFollowsTheFilesAndTheExport) {
    ExpectUsable({true, false, false, true, true, true, true}, "no file");
    form.AddInputFile(WriteFile("people.json", kPeople));
    ExpectUsable({true, true, true, true, true, true, true}, "a file");
    Click(Form::AnsiRadio);
    ExpectUsable({true, true, true, true, true, false, true}, "ANSI");

    effects.saveReplies.push_back(Path("out.csv"));
    bool asked = false;
    effects.whileSaveDialogOpen = [&] {
        asked = true;
        EXPECT_EQ(Caption(Form::ExportButton), L"Cancel");
        ExpectUsable({false, false, true, false, false, false, false}, "exporting");
    };
    Command(Form::ExportButton);
    EXPECT_TRUE(asked);
    EXPECT_EQ(Caption(Form::ExportButton), L"Export to CSV...");
    ExpectUsable({true, true, true, true, true, false, true}, "after the export");

    Click(Form::Utf8Radio);
    Command(Form::FileClearCommand);
    ExpectUsable({true, false, false, true, true, true, true}, "cleared");
    EXPECT_EQ(Caption(Form::LoadButton), L"Load JSON file...");
}

bool IsWorkbook(const std::wstring& path) {
    return TempFolder::Read(winui::WideToUtf8(path)).rfind("PK\x03\x04", 0) == 0;
}

TEST_F(ExportTest, TheWorkbookSaveDialogOffersXlsxFirstAndThePickedTypeWins) {
    form.AddInputFile(WriteFile("people.json", kPeople));
    Command(Form::FirstChoiceCommand + 3);  // Export Excel Workbooks (.xlsx)
    const std::wstring book = Path("out.xlsx"), csv = Path("picked.csv"), named = Path("named.xlsx");
    effects.saveReplies = {book, csv, named};
    effects.saveTypeReplies = {0, 1, 1};  // the workbook; then CSV, also under a workbook's name

    Command(Form::ExportButton);
    ASSERT_EQ(effects.saveRequests.size(), 1u);
    const winui::SaveFileRequest& request = effects.saveRequests[0];
    ASSERT_EQ(request.filters.size(), 2u);
    EXPECT_EQ(request.filters[0].name, L"Excel Workbook (*.xlsx)");
    EXPECT_EQ(request.filters[0].pattern, L"*.xlsx");
    EXPECT_EQ(request.filters[1].name, L"CSV File (*.csv)");
    EXPECT_EQ(request.filters[1].pattern, L"*.csv");
    EXPECT_EQ(request.defaultExtension, L"xlsx");
    EXPECT_TRUE(IsWorkbook(book));
    ExpectMessage(0, L"Operation completed. File saved: " + book, L"Success", MB_ICONINFORMATION);

    Command(Form::ExportButton);
    EXPECT_EQ(Read(csv), "name,city\r\nAnn,Oslo\r\nBob,Rome\r\n");
    ASSERT_EQ(effects.saveRequests.size(), 2u);
    EXPECT_EQ(effects.saveRequests[1].initialFileName, book);
    Command(Form::ExportButton);
    EXPECT_EQ(Read(named), "name,city\r\nAnn,Oslo\r\nBob,Rome\r\n");
    // The last name comes back with the extension of the type offered first.
    ASSERT_EQ(effects.saveRequests.size(), 3u);
    EXPECT_EQ(effects.saveRequests[2].initialFileName, Path("picked.xlsx"));
    EXPECT_EQ(effects.messages.size(), 3u);

    // CSV files again: the CSV dialog, and the workbook's name offered as a CSV.
    Command(Form::FirstChoiceCommand + 3);
    effects.saveReplies = {Path("again.csv")};
    Command(Form::ExportButton);
    ASSERT_EQ(effects.saveRequests.size(), 4u);
    EXPECT_EQ(effects.saveRequests[3].filters[0].name, L"CSV File (*.csv)");
    EXPECT_EQ(effects.saveRequests[3].defaultExtension, L"csv");
    EXPECT_EQ(effects.saveRequests[3].initialFileName, Path("named.csv"));
    EXPECT_EQ(Read(Path("again.csv")), "name,city\r\nAnn,Oslo\r\nBob,Rome\r\n");
}

TEST_F(ExportTest, MultipleExcelWorkbooksAreWrittenOnePerInput) {
    TempFolder first, second, target;
    form.AddInputFile(winui::Utf8ToWide(first.Write("data.json", kPeople)));
    form.AddInputFile(winui::Utf8ToWide(second.Write("data.json", kMorePeople)));
    Command(Form::FirstChoiceCommand + 3);
    const std::wstring folderPath = winui::Utf8ToWide(target / "");
    effects.menuReplies.push_back(Form::MultipleCsvFilesCommand);
    effects.folderReplies.push_back(folderPath);

    Command(Form::ExportButton);

    ASSERT_EQ(effects.menusShown.size(), 1u);
    EXPECT_EQ(target.Entries(), (std::vector<std::string>{"data (2).xlsx", "data.xlsx"}));
    EXPECT_TRUE(IsWorkbook(winui::Utf8ToWide(target / "data.xlsx")));
    EXPECT_TRUE(IsWorkbook(winui::Utf8ToWide(target / "data (2).xlsx")));
    ASSERT_EQ(effects.messages.size(), 1u);
    ExpectMessage(0, L"Operation completed. Files saved: " + folderPath, L"Success", MB_ICONINFORMATION);
    EXPECT_EQ(StatusText(form).rfind(L"Saved 2 files (3 rows) to ", 0), 0u) << winui::WideToUtf8(StatusText(form));
}

// A record with more members than a workbook sheet has columns.
std::string WideRecord(int columns) {
    std::string text = "{";
    for (int i = 0; i < columns; ++i) text += (i ? ",\"c" : "\"c") + std::to_string(i) + "\":1";
    return text + "}";
}

TEST_F(ExportTest, AWorkbookWithTooManyColumnsIsReportedWithItsPlaceAndWritesNothing) {
    const std::wstring wide = WriteFile("wide.json", WideRecord(16385));
    const std::wstring narrow = WriteFile("narrow.json", kPeople);
    form.AddInputFile(wide);
    Command(Form::FirstChoiceCommand + 3);
    const std::wstring output = Path("wide.xlsx");
    effects.saveReplies.push_back(output);
    Command(Form::ExportButton);
    const std::wstring reason =
        L"was not written: the table has 16,385 columns, more than the 16,384 a workbook sheet holds.";
    ASSERT_EQ(effects.messages.size(), 1u);
    EXPECT_EQ(effects.messages[0].caption, L"Tabulora");
    EXPECT_EQ(effects.messages[0].type, MB_OK | MB_ICONERROR);
    EXPECT_EQ(effects.messages[0].text, L"The workbook \"" + output + L"\" " + reason);
    EXPECT_FALSE(std::filesystem::exists(TempFolder::Native(winui::WideToUtf8(output))));
    EXPECT_EQ(winui::CurrentScreenCursor(), winui::ScreenCursor::Default);

    // One workbook per input: the others are written, then the one that was not is named.
    form.AddInputFile(narrow);
    TempFolder target;
    const std::wstring folderPath = winui::Utf8ToWide(target / "");
    effects.menuReplies.push_back(Form::MultipleCsvFilesCommand);
    effects.folderReplies.push_back(folderPath);
    Command(Form::ExportButton);
    EXPECT_EQ(target.Entries(), std::vector<std::string>{"narrow.xlsx"});
    ASSERT_EQ(effects.messages.size(), 3u);
    ExpectMessage(1, L"The workbook of \"" + wide + L"\" " + reason, L"ERROR", MB_ICONERROR);
    ExpectMessage(2, L"Operation completed. Files saved: " + folderPath, L"Success", MB_ICONINFORMATION);
}

TEST(UnhandledErrorText, AddsAFinalPeriodUnlessTheTextEndsInPunctuation) {
    const std::pair<const wchar_t*, const wchar_t*> cases[] = {
        {L"Disk full", L"Disk full."}, {L"Disk full.", L"Disk full."}, {L"Disk full!", L"Disk full!"},
        {L"Code (5)", L"Code (5)"},    {L"Line\r\n", L"Line\r\n"},     {L"Ends in \u00e9", L"Ends in \u00e9."},
    };
    for (const auto& [text, expected] : cases) EXPECT_EQ(winui::UnhandledErrorText(text), expected);
}

}  // namespace
