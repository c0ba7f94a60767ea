// The Preview window driven through its controls, opened from the main window, with the CSV its
// export writes checked each time.
#include "ui/preview_window.h"

#include <commctrl.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "engine/csv_writer.h"
#include "engine/recipe.h"
#include "form_fixture.h"
#include "winui/combo_box.h"
#include "winui/dpi.h"
#include "winui/list_view.h"

namespace {

using tabulora::MainWindow;
using tabulora::ui::ArraysChoice;
using tabulora::ui::PreviewWindow;

// A paginated API answer: the records under "data", the page's facts under "meta".
const std::string kPage = R"({"meta":{"page":1,"of":3},
 "data":[
  {"id":1,"name":"Ann","tags":["x","y"],"items":[{"sku":"p","qty":2},{"sku":"q","qty":1}],"address":{"city":"Oslo"}},
  {"id":2,"name":"Bob","tags":[],"items":[],"note":"late"}
 ]})";

class PreviewTest : public FormTest {
protected:
    PreviewWindow& Open(const std::string& name = "D.json", const std::string& bytes = kPage) {
        input = WriteFile(name, bytes);
        form.AddInputFile(input);
        Command(MainWindow::PreviewCommand);
        EXPECT_NE(form.Preview(), nullptr);
        WaitForPreview();
        return *form.Preview();
    }
    PreviewWindow& Window() { return *form.Preview(); }
    HWND Item(int id) { return Window().Control(id); }

    // Runs the messages of both windows until the preview has no reading or scan running.
    void WaitForPreview() {
        const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while ((Window().Reading() || Window().Scanning()) && std::chrono::steady_clock::now() < limit) Pump(20);
        Pump(0);
        ASSERT_FALSE(Window().Reading() || Window().Scanning()) << "the preview did not end";
    }
    static void Pump(DWORD wait) {
        if (wait) MsgWaitForMultipleObjects(0, nullptr, FALSE, wait, QS_ALLINPUT);
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    }

    // What a user's pick in a drop-down does: the selection changes and the window hears of it.
    void Pick(int comboId, int entry) {
        winui::SelectComboItem(Item(comboId), entry);
        SendMessageW(Window().Handle(), WM_COMMAND, MAKEWPARAM(comboId, CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(Item(comboId)));
        WaitForPreview();
    }
    void Press(int buttonId) {
        SendMessageW(Item(buttonId), BM_CLICK, 0, 0);
        WaitForPreview();
    }
    // A check box of a list clicked: the list changes the item's state and tells the window.
    void CheckListItem(int listId, const std::wstring& text, bool checked) {
        const int index = IndexOf(listId, text);
        ASSERT_GE(index, 0) << text;
        winui::SetItemChecked(Item(listId), index, checked);
        WaitForPreview();
    }
    int IndexOf(int listId, const std::wstring& text) {
        for (int i = 0; i < winui::ItemCount(Item(listId)); ++i) {
            if (winui::ItemText(Item(listId), i) == text) return i;
        }
        return -1;
    }
    std::vector<std::wstring> ListTexts(int listId, int column = 0) {
        std::vector<std::wstring> texts;
        for (int i = 0; i < winui::ItemCount(Item(listId)); ++i)
            texts.push_back(winui::ItemText(Item(listId), i, column));
        return texts;
    }
    std::vector<std::wstring> ComboTexts(int comboId) {
        std::vector<std::wstring> texts;
        for (int i = 0; i < winui::ComboItemCount(Item(comboId)); ++i)
            texts.push_back(winui::ComboItemText(Item(comboId), i));
        return texts;
    }
    std::wstring Text(int id) { return winui::WindowText(Item(id)); }
    std::wstring MainStatus() {
        wchar_t text[256] = {};
        SendMessageW(form.Control(MainWindow::StatusBar), SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(text));
        return text;
    }
    // Renames a column as a person does: F2 on it in the list, a new text, Enter.
    void Rename(const std::wstring& column, const std::wstring& header) {
        const HWND list = Item(PreviewWindow::ColumnsList);
        const int index = IndexOf(PreviewWindow::ColumnsList, column);
        ASSERT_GE(index, 0) << column;
        winui::SelectItem(list, index);
        NMLVKEYDOWN key{{list, PreviewWindow::ColumnsList, LVN_KEYDOWN}, VK_F2, 0};
        SendMessageW(Window().Handle(), WM_NOTIFY, PreviewWindow::ColumnsList, reinterpret_cast<LPARAM>(&key));
        const HWND edit = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETEDITCONTROL, 0, 0));
        ASSERT_NE(edit, nullptr) << "F2 starts no edit";
        SetWindowTextW(edit, header.c_str());
        SendMessageW(edit, WM_KEYDOWN, VK_RETURN, 0);
        Pump(0);
        WaitForPreview();
    }

    // The window's Export: the main window's export with the shape, to `name`.
    std::string ExportTo(const std::string& name) {
        const std::wstring output = Path(name);
        effects.saveReplies.push_back(output);
        SendMessageW(Item(PreviewWindow::ExportButton), BM_CLICK, 0, 0);
        WaitForExport();
        return Read(output);
    }

    // The grid as the list view shows it: its header and its rows, each joined as CSV fields.
    std::string GridAsCsv(size_t csvColumns) {
        const HWND grid = Item(PreviewWindow::Grid);
        const tabulora::CsvFieldWriter writer(",");
        const int columns = winui::ListColumnCount(grid);
        auto join = [&](const std::vector<std::wstring>& cells, size_t padTo) {
            std::string line;
            for (size_t i = 0; i < std::max(cells.size(), padTo); ++i) {
                if (i > 0) line += ",";
                if (i < cells.size()) writer.AppendField(line, winui::WideToUtf8(cells[i]));
            }
            return line + "\r\n";
        };
        std::vector<std::wstring> header;
        for (int c = 0; c < columns; ++c) {
            wchar_t text[256] = {};
            LVCOLUMNW column{};
            column.mask = LVCF_TEXT;
            column.pszText = text;
            column.cchTextMax = 256;
            SendMessageW(grid, LVM_GETCOLUMNW, c, reinterpret_cast<LPARAM>(&column));
            header.push_back(text);
        }
        std::string csv = join(header, 0);
        csv.resize(csv.size() - 2);  // the CSV's header may go on with later columns
        csv += "|";
        for (int row = 0; row < winui::ItemCount(grid); ++row) {
            std::vector<std::wstring> cells;
            for (int c = 0; c < columns; ++c) cells.push_back(winui::ItemText(grid, row, c));
            csv += join(cells, csvColumns);
        }
        return csv;
    }
    // The CSV's header line up to the preview's columns, then its first `rows` row lines: what
    // GridAsCsv must give.
    static std::string CsvStart(const std::string& csv, size_t headerLength, size_t rows) {
        const size_t headerEnd = csv.find("\r\n");
        std::string start = csv.substr(0, std::min(headerLength, headerEnd)) + "|";
        size_t at = headerEnd + 2;
        for (size_t i = 0; i < rows && at < csv.size(); ++i) {
            const size_t end = csv.find("\r\n", at);
            start += csv.substr(at, end + 2 - at);
            at = end + 2;
        }
        return start;
    }
    void ExpectGridAgreesWith(const std::string& csv) {
        const size_t columns = static_cast<size_t>(std::count(csv.begin(), csv.begin() + csv.find("\r\n"), ',')) + 1;
        const std::string grid = GridAsCsv(columns);
        EXPECT_EQ(grid,
                  CsvStart(csv, grid.find('|'), static_cast<size_t>(winui::ItemCount(Item(PreviewWindow::Grid)))));
    }

    std::wstring input;
};

TEST_F(PreviewTest, FileMenuItemAndStatusLinkOfferTheWindowOnceFilesAreLoaded) {
    HMENU file = GetSubMenu(GetMenu(form.Handle()), 0);
    auto enabled = [&] { return !(GetMenuState(file, MainWindow::PreviewCommand, MF_BYCOMMAND) & MF_GRAYED); };
    auto linkShown = [&] { return IsWindowVisible(form.Control(MainWindow::PreviewLink)) != FALSE; };
    wchar_t caption[64] = {};
    GetMenuStringW(file, MainWindow::PreviewCommand, caption, 64, MF_BYCOMMAND);
    EXPECT_STREQ(caption, L"&Preview and Columns...\tCtrl+P");
    EXPECT_FALSE(enabled());
    Command(MainWindow::PreviewCommand);
    EXPECT_EQ(form.Preview(), nullptr) << "nothing to preview";

    // Ctrl+P is the menu item's key.
    ACCEL keys[8] = {};
    const int count = CopyAcceleratorTableW(form.Accelerators(), keys, 8);
    EXPECT_TRUE(std::any_of(keys, keys + count, [](const ACCEL& key) {
        return key.key == 'P' && key.fVirt == (FVIRTKEY | FCONTROL) && key.cmd == MainWindow::PreviewCommand;
    }));

    form.AddInputFile(WriteFile("D.json", kPage));
    EXPECT_TRUE(enabled());
    ShowWindow(form.Handle(), SW_SHOWNA);
    EXPECT_TRUE(linkShown());
    // In the status bar, and next after the export button in the tab order.
    RECT link{}, status{};
    GetWindowRect(form.Control(MainWindow::PreviewLink), &link);
    GetWindowRect(form.Control(MainWindow::StatusBar), &status);
    EXPECT_GE(link.top, status.top);
    EXPECT_LE(link.bottom, status.bottom);
    EXPECT_LE(link.right, status.right);
    EXPECT_EQ(GetNextDlgTabItem(form.Handle(), form.Control(MainWindow::ExportButton), FALSE),
              form.Control(MainWindow::PreviewLink));
    NMHDR click{form.Control(MainWindow::PreviewLink), MainWindow::PreviewLink, NM_CLICK};
    SendMessageW(form.Handle(), WM_NOTIFY, MainWindow::PreviewLink, reinterpret_cast<LPARAM>(&click));
    ASSERT_NE(form.Preview(), nullptr);
    EXPECT_TRUE(form.Preview()->IsOpen());
    WaitForPreview();

    Command(MainWindow::FileClearCommand);
    EXPECT_FALSE(enabled());
    EXPECT_FALSE(linkShown());
}

TEST_F(PreviewTest, RecordsDropDownNamesTheRecordsLeftOutAndTakesThem) {
    Open();
    EXPECT_EQ(ComboTexts(PreviewWindow::RecordsCombo),
              (std::vector<std::wstring>{L"Automatic", L"data \u2014 2 records", L"data.items \u2014 2 records"}));
    EXPECT_EQ(winui::ComboSelection(Item(PreviewWindow::RecordsCombo)), 0);
    EXPECT_EQ(Text(PreviewWindow::NoteLabel), L"2 records under data are not in the table: choose data in Records");
    EXPECT_EQ(Text(PreviewWindow::StatusLabel), L"The only row");
    EXPECT_EQ(form.Shape(), std::nullopt) << "opening the window chooses nothing";

    Pick(PreviewWindow::RecordsCombo, 1);
    EXPECT_EQ(Text(PreviewWindow::NoteLabel), L"");
    EXPECT_EQ(Text(PreviewWindow::StatusLabel), L"All 2 rows");
    EXPECT_EQ(ListTexts(PreviewWindow::ColumnsList), (std::vector<std::wstring>{L"id", L"name", L"note"}));
    EXPECT_EQ(MainStatus(), L"Shaped: every column of data");
    const std::string csv = ExportTo("data.csv");
    EXPECT_EQ(csv, "id,name,note\r\n1,Ann,\r\n2,Bob,late\r\n");
    ExpectGridAgreesWith(csv);

    Pick(PreviewWindow::RecordsCombo, 2);
    EXPECT_EQ(ExportTo("items.csv"), "sku,qty\r\np,2\r\nq,1\r\n");

    // Automatic again: the default conversion, the shape gone from the main window.
    Pick(PreviewWindow::RecordsCombo, 0);
    EXPECT_EQ(form.Shape(), std::nullopt);
    EXPECT_EQ(MainStatus(), L"");
}

TEST_F(PreviewTest, ColumnChecksMovesAndRenamesShapeTheCsv) {
    Open();
    Pick(PreviewWindow::RecordsCombo, 1);
    CheckListItem(PreviewWindow::ColumnsList, L"name", false);
    EXPECT_EQ(MainStatus(), L"Shaped: 2 columns of data");
    winui::SelectItem(Item(PreviewWindow::ColumnsList), IndexOf(PreviewWindow::ColumnsList, L"note"));
    Press(PreviewWindow::MoveUpButton);
    Press(PreviewWindow::MoveUpButton);
    Press(PreviewWindow::MoveUpButton);  // at the top already
    EXPECT_EQ(ListTexts(PreviewWindow::ColumnsList), (std::vector<std::wstring>{L"note", L"id", L"name"}));
    Rename(L"id", L"Number");
    EXPECT_EQ(ListTexts(PreviewWindow::ColumnsList), (std::vector<std::wstring>{L"note", L"Number", L"name"}));
    EXPECT_EQ(ListTexts(PreviewWindow::ColumnsList, 1), (std::vector<std::wstring>{L"", L"id", L""}));
    winui::SelectItem(Item(PreviewWindow::ColumnsList), 0);
    Press(PreviewWindow::MoveDownButton);
    EXPECT_EQ(ListTexts(PreviewWindow::ColumnsList), (std::vector<std::wstring>{L"Number", L"note", L"name"}));

    const std::string csv = ExportTo("chosen.csv");
    EXPECT_EQ(csv, "Number,note\r\n1,\r\n2,late\r\n");
    ExpectGridAgreesWith(csv);
    // The shape stays for the main window's own export.
    effects.saveReplies.push_back(Path("again.csv"));
    Command(MainWindow::ExportButton);
    EXPECT_EQ(Read(Path("again.csv")), csv);

    // A rename that takes a name in use is refused with a note, and exports keep the last shape.
    Rename(L"note", L"Number");
    EXPECT_EQ(Text(PreviewWindow::NoteLabel), L"Two columns are named \"Number\".");
    const size_t saveDialogs = effects.saveRequests.size();
    SendMessageW(Item(PreviewWindow::ExportButton), BM_CLICK, 0, 0);
    EXPECT_FALSE(form.ExportRunning());
    EXPECT_EQ(effects.saveRequests.size(), saveDialogs);
    ASSERT_FALSE(effects.messages.empty());
    EXPECT_EQ(effects.messages.back().text, L"Two columns are named \"Number\".");
    Rename(L"Number", L"id");  // the first of the two under its own name again
    EXPECT_EQ(ListTexts(PreviewWindow::ColumnsList), (std::vector<std::wstring>{L"id", L"Number", L"name"}));
    EXPECT_EQ(Text(PreviewWindow::NoteLabel), L"");
    EXPECT_EQ(ExportTo("renamed-back.csv"), "id,Number\r\n1,\r\n2,late\r\n");

    Press(PreviewWindow::ResetButton);
    EXPECT_EQ(form.Shape(), std::nullopt);
    EXPECT_EQ(ExportTo("reset.csv"), "page,of\r\n1,3\r\n");
}

TEST_F(PreviewTest, ArraysChoicesShapeTheCsv) {
    struct Case {
        const char* name;
        ArraysChoice arrays;
        std::wstring join;
        std::vector<std::wstring> explode;
        std::string csv;
    };
    const Case cases[] = {
        {"leave out", ArraysChoice::LeaveOut, L"", {}, "id,name,note\r\n1,Ann,\r\n2,Bob,late\r\n"},
        {"as JSON text",
         ArraysChoice::AsJsonText,
         L"",
         {},
         "id,name,tags,items,address.city,note\r\n1,Ann,\"[\"\"x\"\",\"\"y\"\"]\",\"[{\"\"sku\"\":\"\"p\"\","
         "\"\"qty\"\":2},"
         "{\"\"sku\"\":\"\"q\"\",\"\"qty\"\":1}]\",Oslo,\r\n2,Bob,[],[],,late\r\n"},
        {"joined",
         ArraysChoice::Joined,
         L" | ",
         {},
         "id,name,tags,items,address.city,note\r\n1,Ann,x | y,\"[{\"\"sku\"\":\"\"p\"\",\"\"qty\"\":2},"
         "{\"\"sku\"\":\"\"q\"\",\"\"qty\"\":1}]\",Oslo,\r\n2,Bob,,,,late\r\n"},
        {"one row per item",
         ArraysChoice::OnePerElement,
         L"",
         {L"items"},
         "id,name,tags,items.sku,items.qty,address.city,note\r\n1,Ann,\"[\"\"x\"\",\"\"y\"\"]\",p,2,Oslo,\r\n"
         "1,Ann,\"[\"\"x\"\",\"\"y\"\"]\",q,1,Oslo,\r\n2,Bob,[],,,,late\r\n"},
        {"items and tags side by side",
         ArraysChoice::OnePerElement,
         L"",
         {L"tags", L"items"},
         "id,name,tags,items.sku,items.qty,address.city,note\r\n1,Ann,x,p,2,Oslo,\r\n1,Ann,y,q,1,Oslo,\r\n"
         "2,Bob,,,,,late\r\n"},
    };
    Open();
    Pick(PreviewWindow::RecordsCombo, 1);
    EXPECT_EQ(ListTexts(PreviewWindow::ElementsList), (std::vector<std::wstring>{L"tags", L"items"}));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Press(PreviewWindow::ResetButton);
        Pick(PreviewWindow::RecordsCombo, 1);
        if (c.explode.empty()) {
            Pick(PreviewWindow::ArraysCombo, static_cast<int>(c.arrays));
        } else {
            for (const std::wstring& path : c.explode) CheckListItem(PreviewWindow::ElementsList, path, true);
            EXPECT_EQ(winui::ComboSelection(Item(PreviewWindow::ArraysCombo)),
                      static_cast<int>(ArraysChoice::OnePerElement));
        }
        EXPECT_EQ(IsWindowEnabled(Item(PreviewWindow::JoinEdit)) != FALSE, c.arrays == ArraysChoice::Joined);
        if (!c.join.empty()) {
            SetWindowTextW(Item(PreviewWindow::JoinEdit), c.join.c_str());
            WaitForPreview();
        }
        const std::string csv = ExportTo(std::string(c.name) + ".csv");
        EXPECT_EQ(csv, c.csv);
        ExpectGridAgreesWith(csv);
    }
}

TEST_F(PreviewTest, FindAllColumnsAddsTheColumnsOfLaterRowsWithTheirCounts) {
    // Beyond the part that the preview reads (a piece of 1 MiB and more).
    constexpr int kLines = 150000;
    auto late = [](int i) { return i == 140000 || i == 145000; };
    std::string lines;
    for (int i = 1; i <= kLines; ++i)
        lines += "{\"id\":" + std::to_string(i) + (late(i) ? ",\"late\":\"yes\"" : "") + "}\n";
    Open("log.jsonl", lines);
    EXPECT_EQ(Text(PreviewWindow::StatusLabel), L"First 1,000 rows of log.jsonl");
    EXPECT_EQ(ListTexts(PreviewWindow::ColumnsList), (std::vector<std::wstring>{L"id"}));
    Press(PreviewWindow::FindAllColumnsButton);
    EXPECT_EQ(ListTexts(PreviewWindow::ColumnsList), (std::vector<std::wstring>{L"id", L"late"}));
    EXPECT_EQ(ListTexts(PreviewWindow::ColumnsList, 2), (std::vector<std::wstring>{L"150,000 values", L"2 values"}));
    EXPECT_NE(Text(PreviewWindow::StatusLabel).find(L"Found 2 columns"), std::wstring::npos);

    // Chosen: only late, under a name of its own.
    CheckListItem(PreviewWindow::ColumnsList, L"id", false);
    Rename(L"late", L"Late?");
    const std::string csv = ExportTo("late.csv");
    std::string expected = "Late?\r\n";
    for (int i = 1; i <= kLines; ++i) expected += late(i) ? "yes\r\n" : "\r\n";
    EXPECT_EQ(csv, expected);
    ExpectGridAgreesWith(csv);
}

TEST_F(PreviewTest, RecipesSaveAndLoadTheShape) {
    Open();
    Pick(PreviewWindow::RecordsCombo, 1);
    CheckListItem(PreviewWindow::ElementsList, L"items", true);
    for (const wchar_t* column : {L"name", L"tags", L"address.city", L"note"})
        CheckListItem(PreviewWindow::ColumnsList, column, false);
    Rename(L"items.sku", L"sku");
    const std::string shaped = ExportTo("shaped.csv");
    EXPECT_EQ(shaped, "id,sku,items.qty\r\n1,p,2\r\n1,q,1\r\n2,,\r\n");

    effects.saveReplies.push_back(Path("page"));  // the recipe's extension is added
    Press(PreviewWindow::SaveRecipeButton);
    ASSERT_EQ(effects.saveRequests.size(), 2u);
    EXPECT_EQ(effects.saveRequests.back().filters[0].pattern, L"*.tabulora.json");
    const std::string recipePath = winui::WideToUtf8(Path("page.tabulora.json"));
    tabulora::RecipeSettings saved;
    std::string error;
    ASSERT_TRUE(tabulora::LoadRecipeFile(recipePath, saved, error)) << error;
    EXPECT_EQ(saved.csv.shape.records, (tabulora::JsonPath{"data"}));
    EXPECT_EQ(saved.csv.shape.columns, (std::vector<std::string>{"id", "items.sku", "items.qty"}));

    Press(PreviewWindow::ResetButton);
    EXPECT_EQ(ExportTo("plain.csv"), "page,of\r\n1,3\r\n");
    effects.openReplies.push_back({Path("page.tabulora.json")});
    Press(PreviewWindow::LoadRecipeButton);
    EXPECT_EQ(winui::ComboSelection(Item(PreviewWindow::RecordsCombo)), 1);
    // The recipe's columns, then the others of the table, offered unchecked.
    EXPECT_EQ(ListTexts(PreviewWindow::ColumnsList),
              (std::vector<std::wstring>{L"id", L"sku", L"items.qty", L"name", L"tags", L"address.city", L"note"}));
    EXPECT_TRUE(winui::IsItemChecked(Item(PreviewWindow::ColumnsList), 2));
    EXPECT_FALSE(winui::IsItemChecked(Item(PreviewWindow::ColumnsList), 3));
    EXPECT_EQ(ExportTo("loaded.csv"), shaped);

    // A recipe that cannot be read: a box names the file and the problem; the shape stays.
    const std::wstring bad = WriteFile("bad.tabulora.json", "{\"tabulora-recipe\": 1, \"records\": 5}");
    effects.openReplies.push_back({bad});
    const size_t boxes = effects.messages.size();
    Press(PreviewWindow::LoadRecipeButton);
    ASSERT_EQ(effects.messages.size(), boxes + 1);
    EXPECT_NE(effects.messages.back().text.find(L"bad.tabulora.json"), std::wstring::npos)
        << effects.messages.back().text;
    EXPECT_NE(effects.messages.back().text.find(L"records"), std::wstring::npos) << effects.messages.back().text;
    EXPECT_EQ(effects.messages.back().type, static_cast<UINT>(MB_ICONERROR));
    EXPECT_EQ(ExportTo("kept.csv"), shaped);
}

TEST_F(PreviewTest, LoadingAFileRefreshesTheWindowAndClearingEndsTheShape) {
    Open();
    Pick(PreviewWindow::RecordsCombo, 1);
    EXPECT_EQ(Text(PreviewWindow::StatusLabel), L"All 2 rows");
    form.AddInputFile(WriteFile("more.json", R"({"data":[{"id":3,"name":"Cy"}]})"));
    WaitForPreview();
    EXPECT_EQ(Text(PreviewWindow::StatusLabel), L"All 3 rows");
    EXPECT_EQ(winui::ItemText(Item(PreviewWindow::Grid), 2, 1), L"Cy");

    Command(MainWindow::FileClearCommand);
    WaitForPreview();
    EXPECT_EQ(form.Shape(), std::nullopt);
    EXPECT_EQ(MainStatus(), L"");
    EXPECT_EQ(winui::ItemCount(Item(PreviewWindow::Grid)), 0);
    EXPECT_EQ(Text(PreviewWindow::StatusLabel), L"No files loaded");
    form.AddInputFile(WriteFile("D.json", kPage));
    WaitForPreview();
    EXPECT_EQ(winui::ComboSelection(Item(PreviewWindow::RecordsCombo)), 0);
    EXPECT_EQ(ExportTo("default.csv"), "page,of\r\n1,3\r\n");

    // The main window's Flatten Nested Values is the window's "As JSON text" while nothing is chosen.
    form.ToggleChoice(tabulora::ConversionChoice::FlattenNested);
    WaitForPreview();
    EXPECT_EQ(winui::ComboSelection(Item(PreviewWindow::ArraysCombo)), static_cast<int>(ArraysChoice::AsJsonText));
    EXPECT_EQ(form.Shape(), std::nullopt);
    EXPECT_EQ(ListTexts(PreviewWindow::ColumnsList), (std::vector<std::wstring>{L"meta.page", L"meta.of", L"data"}));
}

TEST_F(PreviewTest, KeyboardReachesEveryControlAndEveryControlIsNamed) {
    Open();
    const HWND window = Window().Handle();
    // Tab order, from the records drop-down round to it again.
    const std::vector<int> order = {
        PreviewWindow::RecordsCombo, PreviewWindow::ArraysCombo,          PreviewWindow::Grid,
        PreviewWindow::ColumnsList,  PreviewWindow::MoveUpButton,         PreviewWindow::MoveDownButton,
        PreviewWindow::RenameButton, PreviewWindow::FindAllColumnsButton, PreviewWindow::ResetButton,
        PreviewWindow::ElementsList, PreviewWindow::SaveRecipeButton,     PreviewWindow::LoadRecipeButton,
        PreviewWindow::ExportButton, PreviewWindow::CloseButton,
    };  // the join box is left out while it is disabled
    HWND at = Item(order[0]);
    for (size_t i = 1; i <= order.size(); ++i) {
        at = GetNextDlgTabItem(window, at, FALSE);
        EXPECT_EQ(GetDlgCtrlID(at), order[i % order.size()]) << "after " << order[i - 1];
    }
    // Each control that takes input follows a label with an access key (its name), and each
    // button has one in its caption.
    for (int id : {PreviewWindow::RecordsCombo, PreviewWindow::ArraysCombo, PreviewWindow::JoinEdit,
                   PreviewWindow::Grid, PreviewWindow::ColumnsList, PreviewWindow::ElementsList}) {
        const HWND label = GetWindow(Item(id), GW_HWNDPREV);
        wchar_t className[32] = {};
        GetClassNameW(label, className, 32);
        EXPECT_EQ(winui::AsciiLower(className), L"static") << id;
        EXPECT_NE(winui::WindowText(label).find(L'&'), std::wstring::npos) << id;
    }
    for (int id : {PreviewWindow::MoveUpButton, PreviewWindow::MoveDownButton, PreviewWindow::RenameButton,
                   PreviewWindow::FindAllColumnsButton, PreviewWindow::ResetButton, PreviewWindow::SaveRecipeButton,
                   PreviewWindow::LoadRecipeButton, PreviewWindow::ExportButton}) {
        EXPECT_NE(Text(id).find(L'&'), std::wstring::npos) << id;
    }
    // An access key of a label takes the focus to the control after it.
    SetFocus(Item(PreviewWindow::RecordsCombo));
    for (const auto& [key, id] : {std::pair{L'c', PreviewWindow::ColumnsList}, std::pair{L'w', PreviewWindow::Grid},
                                  std::pair{L'l', PreviewWindow::ElementsList}}) {
        MSG message{GetFocus(), WM_SYSCHAR, key, 1 << 29};
        EXPECT_TRUE(IsDialogMessageW(window, &message));
        EXPECT_EQ(GetFocus(), Item(id)) << static_cast<char>(key);
    }
    // Enter (IDOK from the dialog manager) in the grid does nothing; Esc (IDCANCEL) closes.
    SendMessageW(window, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(Window().IsOpen());
    EXPECT_TRUE(effects.messages.empty());
    EXPECT_TRUE(effects.saveRequests.empty());
    SendMessageW(window, WM_COMMAND, IDCANCEL, 0);
    EXPECT_FALSE(Window().IsOpen());
}

TEST_F(PreviewTest, ResizingMovesThePanelsAndGrowsTheGrid) {
    Open();
    const HWND window = Window().Handle();
    RECT gridBefore{}, closeBefore{};
    GetWindowRect(Item(PreviewWindow::Grid), &gridBefore);
    GetWindowRect(Item(PreviewWindow::CloseButton), &closeBefore);
    RECT frame{};
    GetWindowRect(window, &frame);
    SetWindowPos(window, nullptr, 0, 0, frame.right - frame.left + 200, frame.bottom - frame.top + 100,
                 SWP_NOMOVE | SWP_NOZORDER);
    RECT gridAfter{}, closeAfter{};
    GetWindowRect(Item(PreviewWindow::Grid), &gridAfter);
    GetWindowRect(Item(PreviewWindow::CloseButton), &closeAfter);
    EXPECT_EQ(gridAfter.right - gridAfter.left, gridBefore.right - gridBefore.left + 200);
    EXPECT_EQ(gridAfter.bottom - gridAfter.top, gridBefore.bottom - gridBefore.top + 100);
    EXPECT_EQ(closeAfter.left - frame.left, closeBefore.left - frame.left + 200);
    EXPECT_EQ(closeAfter.top - frame.top, closeBefore.top - frame.top + 100);
}

// At 200 % the layout (1640 x 1040 and the frame) is taller than the 1280 x 1024 screen: the
// window fits the work area's height and can be made no lower than it, and its lists give up the
// height that is missing, so that every control stays whole inside the window and none overlaps.
TEST_F(PreviewTest, AScreenTooSmallForTheLayoutShrinksTheGridToFit) {
    Open();
    const HWND window = Window().Handle();
    RECT suggested{};
    GetWindowRect(window, &suggested);
    SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(192, 192), reinterpret_cast<LPARAM>(&suggested));
    ASSERT_EQ(Window().Dpi(), 192u);
    const RECT area = winui::WorkAreaNear(window);
    RECT frame{};
    GetWindowRect(window, &frame);
    EXPECT_LE(frame.bottom - frame.top, area.bottom - area.top);
    MINMAXINFO limits{};
    SendMessageW(window, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits));
    EXPECT_LE(limits.ptMinTrackSize.y, area.bottom - area.top);

    RECT client{};
    GetClientRect(window, &client);
    const auto placeOf = [&](int id) {
        RECT rect{};
        GetWindowRect(Item(id), &rect);
        MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&rect), 2);
        return rect;
    };
    for (const int id : {PreviewWindow::Grid, PreviewWindow::ColumnsList, PreviewWindow::ElementsList,
                         PreviewWindow::ExportButton, PreviewWindow::CloseButton, PreviewWindow::ResetButton}) {
        const RECT rect = placeOf(id);
        EXPECT_GE(rect.left, 0) << "control " << id;
        EXPECT_GE(rect.top, 0) << "control " << id;
        EXPECT_LE(rect.right, client.right) << "control " << id;
        EXPECT_LE(rect.bottom, client.bottom) << "control " << id;
    }
    const RECT grid = placeOf(PreviewWindow::Grid);
    EXPECT_LT(grid.right, placeOf(PreviewWindow::ColumnsList).left);
    EXPECT_LT(grid.bottom, placeOf(PreviewWindow::ExportButton).top);
    EXPECT_LT(placeOf(PreviewWindow::ColumnsList).bottom, placeOf(PreviewWindow::MoveUpButton).top);
    EXPECT_LT(placeOf(PreviewWindow::ElementsList).bottom, placeOf(PreviewWindow::ExportButton).top);
    EXPECT_LT(placeOf(PreviewWindow::SaveRecipeButton).right, placeOf(PreviewWindow::LoadRecipeButton).left);
    GetWindowRect(window, &suggested);
    SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(96, 96), reinterpret_cast<LPARAM>(&suggested));
}

// About 110 MB of JSON Lines: the first screen comes from its beginning only; the time it takes
// is printed, not asserted. Finding all columns is stopped on the way.
TEST_F(PreviewTest, BigFileFirstScreenAgreesWithItsCsv) {
    std::string block;
    for (int i = 0; i < 10000; ++i) {
        block += "{\"id\":" + std::to_string(i) + ",\"name\":\"user " + std::to_string(i) +
                 "\",\"email\":\"user@example.com\",\"note\":\"line of the sample\",\"tags\":[\"a\",\"b\"]}\n";
    }
    const std::wstring big = Path("big.jsonl");
    {
        std::FILE* out = _wfopen(big.c_str(), L"wb");
        ASSERT_NE(out, nullptr);
        for (size_t written = 0; written < 110u * 1000 * 1000; written += block.size())
            std::fwrite(block.data(), 1, block.size(), out);
        std::fclose(out);
    }
    form.AddInputFile(big);
    const auto start = std::chrono::steady_clock::now();
    Command(MainWindow::PreviewCommand);
    WaitForPreview();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("first screen of the 110 MB file: %.3f s\n", seconds);
    EXPECT_EQ(Text(PreviewWindow::StatusLabel), L"First 1,000 rows of big.jsonl");

    SendMessageW(Item(PreviewWindow::FindAllColumnsButton), BM_CLICK, 0, 0);
    EXPECT_TRUE(Window().Scanning());
    EXPECT_EQ(Text(PreviewWindow::FindAllColumnsButton), L"Stop &Finding");
    Press(PreviewWindow::FindAllColumnsButton);
    EXPECT_NE(Text(PreviewWindow::StatusLabel).find(L"stopped"), std::wstring::npos)
        << Text(PreviewWindow::StatusLabel);
    EXPECT_EQ(Text(PreviewWindow::FindAllColumnsButton), L"&Find All Columns");

    Pick(PreviewWindow::ArraysCombo, static_cast<int>(ArraysChoice::Joined));
    const std::string csv = ExportTo("big.csv");
    EXPECT_EQ(csv.substr(0, csv.find("\r\n")), "id,name,email,note,tags");
    ExpectGridAgreesWith(csv.substr(0, 200000));
}

// Closing the window while it reads cancels the reading and waits for nothing.
TEST_F(PreviewTest, ANewerChoiceSupersedesTheReadingAndClosingCancels) {
    Open();
    Pick(PreviewWindow::RecordsCombo, 1);
    winui::SelectComboItem(Item(PreviewWindow::RecordsCombo), 2);
    SendMessageW(Window().Handle(), WM_COMMAND, MAKEWPARAM(PreviewWindow::RecordsCombo, CBN_SELCHANGE), 0);
    winui::SelectComboItem(Item(PreviewWindow::RecordsCombo), 1);
    SendMessageW(Window().Handle(), WM_COMMAND, MAKEWPARAM(PreviewWindow::RecordsCombo, CBN_SELCHANGE), 0);
    WaitForPreview();
    EXPECT_EQ(ListTexts(PreviewWindow::ColumnsList), (std::vector<std::wstring>{L"id", L"name", L"note"}));
    Pick(PreviewWindow::RecordsCombo, 2);
    SendMessageW(Window().Handle(), WM_CLOSE, 0, 0);
    EXPECT_FALSE(Window().IsOpen());
    EXPECT_FALSE(Window().Reading());
}

}  // namespace
