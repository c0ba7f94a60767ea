#include "ui/preview_window.h"

#include <commctrl.h>

#include <algorithm>
#include <exception>
#include <mutex>
#include <thread>
#include <utility>

#include "engine/path_name.h"
#include "engine/recipe.h"
#include "winui/combo_box.h"
#include "winui/list_view.h"
#include "winui/messages.h"
#include "winui/side_effects.h"
#include "winui/text.h"

namespace tabulora::ui {
namespace {

using winui::ControlKind;
using winui::ControlSpec;
using winui::kGrowHeight;
using winui::kGrowWidth;
using winui::kMoveDown;
using winui::kMoveRight;

constexpr int kClientWidth = 820;
constexpr int kClientHeight = 520;

const winui::FontSpec kFonts[] = {{L"Tahoma", 13}, {L"Tahoma", 13, FW_BOLD}};
enum Fonts { kWindowFont, kBoldFont };

// In tab order; each label comes right before the control it names, which takes the label's
// text as its accessible name and its access key. The grid and the column list grow with the
// window; the column panel keeps to the right, the buttons to the bottom.
const ControlSpec kControls[] = {
    {PreviewWindow::RecordsLabel, ControlKind::KeyLabel, L"&Records:", {8, 12, 60, 18}},
    {PreviewWindow::RecordsCombo, ControlKind::ComboBox, L"", {70, 8, 260, 240}},
    {PreviewWindow::ArraysLabel, ControlKind::KeyLabel, L"&Arrays:", {346, 12, 50, 18}},
    {PreviewWindow::ArraysCombo, ControlKind::ComboBox, L"", {398, 8, 200, 200}},
    {PreviewWindow::JoinLabel, ControlKind::KeyLabel, L"Jo&in with:", {614, 12, 64, 18}},
    {PreviewWindow::JoinEdit, ControlKind::Edit, L";", {680, 8, 60, 24}},
    {PreviewWindow::NoteLabel, ControlKind::Label, L"", {8, 38, 804, 18}, kBoldFont, 0, 0, kGrowWidth},
    {PreviewWindow::RowsLabel, ControlKind::KeyLabel, L"Ro&ws as the export writes them:", {8, 60, 300, 18}},
    {PreviewWindow::Grid,
     ControlKind::ListView,
     L"",
     {8, 78, 536, 390},
     0,
     LVS_OWNERDATA | LVS_SINGLESEL,
     0,
     kGrowWidth | kGrowHeight},
    {PreviewWindow::ColumnsLabel, ControlKind::KeyLabel, L"&Columns:", {552, 60, 260, 18}, 0, 0, 0, kMoveRight},
    {PreviewWindow::ColumnsList,
     ControlKind::ListView,
     L"",
     {552, 78, 260, 214},
     0,
     LVS_SINGLESEL | LVS_EDITLABELS,
     0,
     kMoveRight | kGrowHeight},
    {PreviewWindow::MoveUpButton,
     ControlKind::Button,
     L"Move &Up",
     {552, 298, 84, 26},
     0,
     0,
     0,
     kMoveRight | kMoveDown},
    {PreviewWindow::MoveDownButton,
     ControlKind::Button,
     L"Move &Down",
     {640, 298, 84, 26},
     0,
     0,
     0,
     kMoveRight | kMoveDown},
    {PreviewWindow::RenameButton, ControlKind::Button, L"Re&name", {728, 298, 84, 26}, 0, 0, 0, kMoveRight | kMoveDown},
    {PreviewWindow::FindAllColumnsButton,
     ControlKind::Button,
     L"&Find All Columns",
     {552, 328, 172, 26},
     0,
     0,
     0,
     kMoveRight | kMoveDown},
    {PreviewWindow::ResetButton, ControlKind::Button, L"R&eset", {728, 328, 84, 26}, 0, 0, 0, kMoveRight | kMoveDown},
    {PreviewWindow::ElementsLabel,
     ControlKind::KeyLabel,
     L"One row per e&lement of:",
     {552, 372, 260, 18},
     0,
     0,
     0,
     kMoveRight | kMoveDown},
    {PreviewWindow::ElementsList,
     ControlKind::ListView,
     L"",
     {552, 390, 260, 78},
     0,
     LVS_SINGLESEL | LVS_NOCOLUMNHEADER,
     0,
     kMoveRight | kMoveDown},
    {PreviewWindow::StatusLabel, ControlKind::Label, L"", {8, 482, 420, 18}, 0, SS_ENDELLIPSIS, 0, kMoveDown},
    // Named by the status line before it, which tells how far the scan has come.
    {PreviewWindow::ScanProgress, ControlKind::ProgressBar, L"", {552, 358, 260, 10}, 0, 0, 0, kMoveRight | kMoveDown},
    {PreviewWindow::SaveRecipeButton,
     ControlKind::Button,
     L"Sa&ve Recipe...",
     {440, 478, 104, 28},
     0,
     0,
     0,
     kMoveRight | kMoveDown},
    {PreviewWindow::LoadRecipeButton,
     ControlKind::Button,
     L"Load Reci&pe...",
     {552, 478, 104, 28},
     0,
     0,
     0,
     kMoveRight | kMoveDown},
    {PreviewWindow::ExportButton,
     ControlKind::Button,
     L"E&xport...",
     {664, 478, 72, 28},
     0,
     0,
     0,
     kMoveRight | kMoveDown},
    {PreviewWindow::CloseButton, ControlKind::Button, L"Close", {740, 478, 72, 28}, 0, 0, 0, kMoveRight | kMoveDown},
};

// The "Arrays:" entries, in the order of ArraysChoice.
const wchar_t* const kArraysEntries[] = {L"Leave out", L"As JSON text", L"Joined with", L"One row per element of:"};

const winui::ListColumn kColumnsListColumns[] = {{L"Column", 84}, {L"Renamed from", 104}, {L"Values", 56}};

std::wstring Wide(const std::string& text) { return winui::Utf8ToWide(text); }

int GridColumnWidth96(const TablePreview& preview, size_t column) {
    size_t longest = column < preview.header.size() ? preview.header[column].size() : 4;
    const size_t sampled = std::min<size_t>(preview.rows.size(), 60);
    for (size_t i = 0; i < sampled; ++i) {
        if (column < preview.rows[i].size()) longest = std::max(longest, preview.rows[i][column].size());
    }
    return static_cast<int>(std::clamp<size_t>(longest * 7 + 18, 48, 320));
}

bool EndsWithNoCase(const std::wstring& text, std::wstring_view end) {
    return text.size() >= end.size() && winui::AsciiLower(text.substr(text.size() - end.size())) == end;
}

// Whether the column part of the shape differs: what the grid shows of the columns.
bool ColumnShapeDiffers(const PreviewChoices& a, const PreviewChoices& b) {
    const TableShape first = ShapeOf(a), second = ShapeOf(b);
    return first.columns != second.columns || first.renames != second.renames;
}

std::vector<ExportInput> InputsOf(const std::vector<std::string>& paths) {
    std::vector<ExportInput> inputs;
    for (const std::string& path : paths) inputs.push_back(ExportInput::File(path));
    return inputs;
}

}  // namespace

// One reading on a thread of its own: the first rows with the choices (and, when columns are
// chosen, a second reading without the choice of columns for the list of every column), or the
// scan of the whole inputs. The thread posts one message when done.
struct PreviewWindow::Job {
    enum class Kind { Reading, Scan };
    Kind kind = Kind::Reading;
    uint64_t number = 0;
    std::vector<ExportInput> inputs;
    ExportSettings shaped;     // with every choice
    ExportSettings unchosen;   // without the choice of columns
    bool twoReadings = false;  // columns are chosen: the list needs the reading without
    ExportControl control;
    std::thread thread;
    // Results, read by the window thread once the message has come.
    TablePreview preview;
    TablePreview everyColumn;
    ColumnScan scan;
    std::string error;
    // Progress of a scan, taken by the window thread.
    std::mutex progressMutex;
    std::optional<ExportProgress> progress;

    void Run(HWND window) {
        try {
            if (kind == Kind::Reading) {
                preview = tabulora::PreviewTable(inputs, shaped, kPreviewRows, &control);
                if (twoReadings && !control.Cancelled())
                    everyColumn = tabulora::PreviewTable(inputs, unchosen, kPreviewRows, &control);
            } else {
                control.onProgress = [this, window](const ExportProgress& where) {
                    {
                        std::lock_guard lock(progressMutex);
                        progress = where;
                    }
                    PostMessageW(window, kScanProgressMessage, static_cast<WPARAM>(number), 0);
                };
                scan = tabulora::FindAllColumns(inputs, unchosen, &control);
            }
        } catch (const std::exception& failure) {
            error = failure.what();
        } catch (...) {
            error = "Unknown error";
        }
        PostMessageW(window, kReadingDoneMessage, static_cast<WPARAM>(number), 0);
    }
};

PreviewWindow::PreviewWindow(HWND owner, PreviewHost host) : host_(std::move(host)) {
    CreateFrame({L"TabuloraPreviewWindow",
                 WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX |
                     WS_CLIPCHILDREN,
                 WS_EX_CONTROLPARENT,
                 {kClientWidth, kClientHeight},
                 owner,
                 nullptr,
                 L"MAINICON"});
    CreateControls(kFonts, kControls);
    SetUp();
}

PreviewWindow::~PreviewWindow() { CancelJobs(); }

void PreviewWindow::SetUp() {
    SetWindowTextW(Handle(), L"Preview");
    std::vector<std::wstring> arrays(std::begin(kArraysEntries), std::end(kArraysEntries));
    winui::SetComboItems(Control(ArraysCombo), arrays, 0);
    SendMessageW(Control(JoinEdit), EM_LIMITTEXT, 16, 0);
    const HWND grid = Control(Grid);
    const DWORD gridStyle = LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES | LVS_EX_DOUBLEBUFFER | LVS_EX_HEADERDRAGDROP;
    SendMessageW(grid, LVM_SETEXTENDEDLISTVIEWSTYLE, gridStyle & ~LVS_EX_HEADERDRAGDROP,
                 gridStyle & ~LVS_EX_HEADERDRAGDROP);
    winui::NameColumnHeaders(grid, L"Column headers of the rows");
    winui::MakeCheckList(Control(ColumnsList));
    winui::NameColumnHeaders(Control(ColumnsList), L"Column headers of the column list");
    winui::SetListColumns(Control(ColumnsList), kColumnsListColumns, Dpi());
    winui::MakeCheckList(Control(ElementsList));
    const winui::ListColumn elementColumn[] = {{L"Array", 236}};
    winui::SetListColumns(Control(ElementsList), elementColumn, Dpi());
    SendMessageW(Control(ScanProgress), PBM_SETRANGE32, 0, 1000);
    ShowWindow(Control(ScanProgress), SW_HIDE);
    UpdateControls();
}

void PreviewWindow::AfterDpiChange() {
    winui::SetListColumns(Control(ColumnsList), kColumnsListColumns, Dpi());
    const winui::ListColumn elementColumn[] = {{L"Array", 236}};
    winui::SetListColumns(Control(ElementsList), elementColumn, Dpi());
    FillColumnsList();
    FillGrid();
}

void PreviewWindow::SetInputs(std::vector<std::string> inputs, ExportSettings settings, PreviewChoices choices) {
    CancelJobs();
    inputs_ = std::move(inputs);
    settings_ = std::move(settings);
    choices_ = std::move(choices);
    shown_ = {};
    records_.clear();
    arrays_.clear();
    readingError_.clear();
    scanText_.clear();
    FillGrid();
    StartReading();
    UpdateControls();
}

void PreviewWindow::Show() {
    if (!IsOpen()) CentreOnScreen(GetWindow(Handle(), GW_OWNER));
    ShowWindow(Handle(), SW_SHOW);
    SetForegroundWindow(Handle());
    SetFocus(Control(RecordsCombo));
}

void PreviewWindow::Close() {
    CancelJobs();
    readingNumber_ = 0;
    scanNumber_ = 0;
    UpdateControls();
    ShowWindow(Handle(), SW_HIDE);
}

// ---- Readings

void PreviewWindow::StartReading() {
    if (readingNumber_ != 0) {
        for (auto& job : jobs_) {
            if (job->number == readingNumber_) job->control.Cancel();  // superseded
        }
        readingNumber_ = 0;
    }
    if (inputs_.empty() || !ChoicesError(choices_).empty()) {
        UpdateControls();
        return;
    }
    auto job = std::make_unique<Job>();
    job->kind = Job::Kind::Reading;
    job->inputs = InputsOf(inputs_);
    job->shaped = WithChoices(settings_, choices_);
    job->unchosen = WithChoices(settings_, choices_, false);
    job->twoReadings = choices_.columnsChosen;
    readingNumber_ = nextJobNumber_;
    StartJob(std::move(job));
}

void PreviewWindow::StartJob(std::unique_ptr<Job> job) {
    job->number = nextJobNumber_++;
    if (job->kind == Job::Kind::Reading) {
        job->shaped.readAhead = false;  // a preview reads little; a scan reads ahead
        job->unchosen.readAhead = false;
    }
    Job* running = job.get();
    jobs_.push_back(std::move(job));
    running->thread = std::thread([running, window = Handle()] { running->Run(window); });
    UpdateControls();
}

void PreviewWindow::CancelJobs() {
    for (auto& job : jobs_) job->control.Cancel();
    for (auto& job : jobs_) {
        if (job->thread.joinable()) job->thread.join();
    }
    jobs_.clear();
    readingNumber_ = 0;
    scanNumber_ = 0;
}

void PreviewWindow::TakeJob(uint64_t number) {
    auto found = std::find_if(jobs_.begin(), jobs_.end(), [&](const auto& job) { return job->number == number; });
    if (found == jobs_.end()) return;
    std::unique_ptr<Job> job = std::move(*found);
    jobs_.erase(found);
    if (job->thread.joinable()) job->thread.join();  // it has posted its last message
    if (number == readingNumber_) {
        readingNumber_ = 0;
        ShowReading(*job);
    } else if (number == scanNumber_) {
        scanNumber_ = 0;
        ShowScan(*job);
    }
    UpdateControls();
}

void PreviewWindow::ShowReading(Job& job) {
    readingError_ = job.error;
    if (!job.error.empty()) {
        shown_ = {};
        FillGrid();
        return;
    }
    shown_ = std::move(job.preview);
    const TablePreview& everyColumn = job.twoReadings ? job.everyColumn : shown_;
    records_ = everyColumn.records;
    arrays_ = everyColumn.arrays;
    for (const JsonPath& exploded : choices_.explode) {
        if (std::find(arrays_.begin(), arrays_.end(), exploded) == arrays_.end()) arrays_.push_back(exploded);
    }
    const PreviewChoices before = choices_;
    MergeColumns(choices_, everyColumn.columnNames);
    FillGrid();
    FillColumnsList();
    FillArraysList();
    FillRecordsCombo();
    // A column list changed by the reading may change the shape (a kept column gone, say): the
    // owner hears of it, and the grid follows after a new reading.
    if (ColumnShapeDiffers(choices_, before)) {
        ChoicesChanged(true);
    } else if (choices_ != before) {
        ChoicesChanged(false);
    }
}

void PreviewWindow::ShowScan(Job& job) {
    ShowWindow(Control(ScanProgress), SW_HIDE);
    if (!job.error.empty()) {
        scanText_ = job.error;
        return;
    }
    if (job.scan.cancelled) {
        scanText_ = "Finding all columns was stopped.";
        return;
    }
    scanText_ = "Found " + std::to_string(job.scan.columns.size()) +
                (job.scan.columns.size() == 1 ? " column" : " columns") + " in the whole inputs.";
    const PreviewChoices before = choices_;
    MergeColumnScan(choices_, job.scan.columns);
    FillColumnsList();
    ChoicesChanged(ColumnShapeDiffers(choices_, before));
}

void PreviewWindow::ShowScanProgress(uint64_t number) {
    if (number != scanNumber_) return;
    for (auto& job : jobs_) {
        if (job->number != number) continue;
        std::optional<ExportProgress> progress;
        {
            std::lock_guard lock(job->progressMutex);
            progress = job->progress;
        }
        if (!progress || progress->bytesTotal == 0) return;
        const auto perMille = static_cast<int>(progress->bytesDone * 1000 / progress->bytesTotal);
        SendMessageW(Control(ScanProgress), PBM_SETPOS, static_cast<WPARAM>(std::min(perMille, 1000)), 0);
        scanText_ = "Finding all columns in " + FileNameOf(progress->name) + "\u2026 " + std::to_string(perMille / 10) +
                    " %";
        UpdateStatus();
    }
}

// ---- Choices

// After any change of the choices: the owner gets them (when they can be used), and the grid
// is read again when it would look different.
void PreviewWindow::ChoicesChanged(bool readAgain) {
    if (ChoicesError(choices_).empty() && host_.useChoices) {
        host_.useChoices(ChangesConversion(choices_, settings_) ? std::optional<PreviewChoices>(choices_)
                                                                : std::nullopt);
    }
    if (readAgain) StartReading();
    UpdateControls();
}

void PreviewWindow::ChooseRecords(int entry) {
    std::optional<JsonPath> records;
    if (entry > 0 && static_cast<size_t>(entry) <= records_.size()) records = records_[entry - 1].path;
    if (entry > 0 && !records) return;
    if (records == choices_.records) return;
    choices_.records = records;
    // Other records make another table: its own columns and arrays.
    choices_.columns.clear();
    choices_.columnsChosen = false;
    choices_.explode.clear();
    if (choices_.arrays == ArraysChoice::OnePerElement) choices_.arrays = DefaultChoices(settings_).arrays;
    ChoicesChanged(true);
}

void PreviewWindow::ChooseArrays(ArraysChoice arrays) {
    if (arrays == choices_.arrays) return;
    choices_.arrays = arrays;
    ChoicesChanged(true);
}

void PreviewWindow::SetJoinSeparator(const std::string& separator) {
    if (separator == choices_.joinSeparator) return;
    choices_.joinSeparator = separator;
    ChoicesChanged(choices_.arrays == ArraysChoice::Joined);
}

void PreviewWindow::CheckArray(size_t index, bool checked) {
    if (index >= arrays_.size()) return;
    const JsonPath& path = arrays_[index];
    auto present = std::find(choices_.explode.begin(), choices_.explode.end(), path);
    if (checked == (present != choices_.explode.end()) && choices_.arrays == ArraysChoice::OnePerElement) return;
    if (checked && present == choices_.explode.end()) choices_.explode.push_back(path);
    if (!checked && present != choices_.explode.end()) choices_.explode.erase(present);
    if (checked) choices_.arrays = ArraysChoice::OnePerElement;  // checking an array is choosing this
    ChoicesChanged(true);
}

void PreviewWindow::CheckColumn(size_t index, bool checked) {
    if (index >= choices_.columns.size() || choices_.columns[index].included == checked) return;
    IncludeColumn(choices_, index, checked);
    ChoicesChanged(true);
}

void PreviewWindow::MoveSelectedColumn(int step) {
    const int selected = winui::SelectedItem(Control(ColumnsList));
    if (selected < 0) return;
    const size_t moved = MoveColumn(choices_, static_cast<size_t>(selected), step);
    if (moved == static_cast<size_t>(selected)) return;
    FillColumnsList();
    winui::SelectItem(Control(ColumnsList), static_cast<int>(moved));
    ChoicesChanged(true);
}

void PreviewWindow::RenameColumn(size_t index, const std::string& header) {
    if (index >= choices_.columns.size()) return;
    const std::string before = choices_.columns[index].header;
    ui::RenameColumn(choices_, index, header);
    FillColumnsList();
    if (choices_.columns[index].header != before) ChoicesChanged(true);
}

void PreviewWindow::StartRenaming() {
    const HWND list = Control(ColumnsList);
    int selected = winui::SelectedItem(list);
    if (selected < 0 && winui::ItemCount(list) > 0) {
        selected = 0;
        winui::SelectItem(list, 0);
    }
    if (selected < 0) return;
    SetFocus(list);
    SendMessageW(list, LVM_EDITLABELW, static_cast<WPARAM>(selected), 0);
}

void PreviewWindow::FindAllColumns() {
    if (scanNumber_ != 0) {
        for (auto& job : jobs_) {
            if (job->number == scanNumber_) job->control.Cancel();
        }
        return;
    }
    if (inputs_.empty() || !ChoicesError(choices_).empty()) return;
    auto job = std::make_unique<Job>();
    job->kind = Job::Kind::Scan;
    job->inputs = InputsOf(inputs_);
    job->unchosen = WithChoices(settings_, choices_, false);
    scanNumber_ = nextJobNumber_;
    scanText_ = "Finding all columns\u2026";
    SendMessageW(Control(ScanProgress), PBM_SETPOS, 0, 0);
    ShowWindow(Control(ScanProgress), SW_SHOWNA);
    StartJob(std::move(job));
}

void PreviewWindow::Reset() {
    choices_ = DefaultChoices(settings_);
    scanText_.clear();
    FillColumnsList();
    ChoicesChanged(true);
}

void PreviewWindow::SaveRecipe() {
    const std::string error = ChoicesError(choices_);
    if (!error.empty()) {
        winui::ShowMessage(Handle(), Wide(error), L"Recipe", MB_ICONWARNING);
        return;
    }
    winui::SaveFileRequest request{
        {{L"Tabulora Recipe (*.tabulora.json)", L"*.tabulora.json"}, {L"Any File (*.*)", L"*.*"}},
        L"tabulora.json",
        recipePath_,
    };
    const std::optional<winui::SavedFile> saved = winui::Effects().ChooseFileToSave(Handle(), request);
    if (!saved) return;
    std::optional<std::wstring> path = saved->path;
    if (!EndsWithNoCase(*path, L".json")) *path += L".tabulora.json";
    recipePath_ = *path;
    const std::string failure = SaveRecipeFile(winui::WideToUtf8(*path), RecipeOf(settings_, choices_));
    if (!failure.empty()) winui::ShowMessage(Handle(), Wide(failure), L"ERROR", MB_ICONERROR);
}

void PreviewWindow::LoadRecipe() {
    winui::OpenFilesRequest request{
        {{L"Tabulora Recipe (*.tabulora.json)", L"*.tabulora.json"}, {L"Any File (*.*)", L"*.*"}},
        L"tabulora.json",
    };
    const std::vector<std::wstring> paths = winui::Effects().ChooseFilesToOpen(Handle(), request);
    if (paths.empty()) return;
    RecipeSettings recipe;
    std::string error;
    if (!LoadRecipeFile(winui::WideToUtf8(paths.front()), recipe, error)) {
        winui::ShowMessage(Handle(), L"The recipe cannot be used.\r\r" + Wide(error), L"ERROR", MB_ICONERROR);
        return;
    }
    PreviewChoices loaded = ChoicesOfRecipe(recipe);
    error = ChoicesError(loaded);
    if (!error.empty()) {
        winui::ShowMessage(Handle(), L"The recipe cannot be used.\r\r" + paths.front() + L": " + Wide(error), L"ERROR",
                           MB_ICONERROR);
        return;
    }
    recipePath_ = paths.front();
    choices_ = std::move(loaded);
    scanText_.clear();
    FillColumnsList();
    ChoicesChanged(true);
}

void PreviewWindow::Export() {
    const std::string error = ChoicesError(choices_);
    if (!error.empty()) {
        winui::ShowMessage(Handle(), Wide(error), L"Export", MB_ICONWARNING);
        return;
    }
    if (host_.useChoices)
        host_.useChoices(ChangesConversion(choices_, settings_) ? std::optional<PreviewChoices>(choices_)
                                                                : std::nullopt);
    if (host_.startExport) host_.startExport();
}

// ---- Controls

std::wstring PreviewWindow::CellText(size_t row, size_t column) const {
    if (row >= shown_.rows.size() || column >= shown_.rows[row].size()) return {};
    return Wide(shown_.rows[row][column]);
}

void PreviewWindow::FillGrid() {
    const HWND grid = Control(Grid);
    std::vector<winui::ListColumn> columns;
    for (size_t i = 0; i < shown_.header.size(); ++i)
        columns.push_back({Wide(shown_.header[i]), GridColumnWidth96(shown_, i)});
    SendMessageW(grid, WM_SETREDRAW, FALSE, 0);
    winui::SetVirtualItemCount(grid, 0);
    winui::SetListColumns(grid, columns, Dpi());
    winui::SetVirtualItemCount(grid, shown_.rows.size());
    SendMessageW(grid, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(grid, nullptr, TRUE);
}

void PreviewWindow::FillColumnsList() {
    std::vector<winui::CheckItem> items;
    for (const ColumnChoice& column : choices_.columns) {
        winui::CheckItem item{Wide(column.header), column.included, {}};
        item.more.push_back(column.header == column.name ? L"" : Wide(column.name));
        item.more.push_back(column.filled ? Wide(FilledText(*column.filled)) : L"");
        items.push_back(std::move(item));
    }
    filling_ = true;
    winui::SetCheckItems(Control(ColumnsList), items);
    filling_ = false;
}

void PreviewWindow::FillArraysList() {
    std::vector<winui::CheckItem> items;
    for (const JsonPath& path : arrays_) {
        const bool checked = choices_.arrays == ArraysChoice::OnePerElement &&
                             std::find(choices_.explode.begin(), choices_.explode.end(), path) !=
                                 choices_.explode.end();
        items.push_back({Wide(PathColumnName(path)), checked, {}});
    }
    filling_ = true;
    winui::SetCheckItems(Control(ElementsList), items);
    filling_ = false;
}

void PreviewWindow::FillRecordsCombo() {
    std::vector<std::wstring> entries{L"Automatic"};
    int selected = 0;
    for (size_t i = 0; i < records_.size(); ++i) {
        entries.push_back(Wide(RecordsEntryText(records_[i])));
        if (choices_.records == records_[i].path) selected = static_cast<int>(i + 1);
    }
    if (choices_.records && selected == 0) {
        // Chosen by a recipe, and not met in the part read.
        records_.push_back({*choices_.records, 0});
        entries.push_back(Wide(PathDisplayText(*choices_.records)));
        selected = static_cast<int>(entries.size() - 1);
    }
    filling_ = true;
    winui::SetComboItems(Control(RecordsCombo), entries, selected);
    filling_ = false;
}

void PreviewWindow::UpdateNote() {
    std::string note = ChoicesError(choices_);
    if (note.empty() && !readingError_.empty()) note = readingError_;
    if (note.empty()) note = LeftOutNote(shown_.leftOut);
    if (note.empty()) {
        for (const InputOutcome& input : shown_.inputs) {
            if (!input.readable) {
                note = input.name + ": " + input.error;
                break;
            }
            if (input.stop) {
                note = ReadingStoppedMessage(FileNameOf(input.name), *input.stop);
                break;
            }
        }
    }
    if (note.empty() && !shown_.warnings.empty()) note = shown_.warnings.front();
    if (note.empty() && choices_.arrays == ArraysChoice::OnePerElement && choices_.explode.empty())
        note = "Check the arrays to make one row per element of under \"One row per element of\".";
    SetWindowTextW(Control(NoteLabel), Wide(note).c_str());
}

void PreviewWindow::UpdateStatus() {
    std::string status;
    if (inputs_.empty()) {
        status = "No files loaded";
    } else if (readingNumber_ != 0) {
        status = "Reading\u2026";
    } else if (readingError_.empty()) {
        status = PreviewStatusText(shown_, inputs_);
    }
    if (!scanText_.empty()) status += (status.empty() ? "" : " \u2022 ") + scanText_;
    SetWindowTextW(Control(StatusLabel), Wide(status).c_str());
}

void PreviewWindow::UpdateControls() {
    filling_ = true;
    winui::SelectComboItem(Control(ArraysCombo), static_cast<int>(choices_.arrays));
    const std::wstring join = Wide(choices_.joinSeparator);
    if (winui::WindowText(Control(JoinEdit)) != join) SetWindowTextW(Control(JoinEdit), join.c_str());
    filling_ = false;
    EnableWindow(Control(JoinEdit), choices_.arrays == ArraysChoice::Joined);
    EnableWindow(Control(JoinLabel), choices_.arrays == ArraysChoice::Joined);
    const bool loaded = !inputs_.empty();
    const bool hasColumns = !choices_.columns.empty();
    EnableWindow(Control(MoveUpButton), hasColumns);
    EnableWindow(Control(MoveDownButton), hasColumns);
    EnableWindow(Control(RenameButton), hasColumns);
    EnableWindow(Control(FindAllColumnsButton), loaded);
    SetWindowTextW(Control(FindAllColumnsButton), scanNumber_ != 0 ? L"Stop &Finding" : L"&Find All Columns");
    EnableWindow(Control(ExportButton), loaded);
    FillArraysList();
    FillRecordsCombo();
    UpdateNote();
    UpdateStatus();
}

bool PreviewWindow::OnNotify(const NMHDR& header, LRESULT& result) {
    const int id = static_cast<int>(header.idFrom);
    switch (header.code) {
    case LVN_GETDISPINFOW: {
        if (id != Grid) return false;
        auto& info = reinterpret_cast<NMLVDISPINFOW&>(const_cast<NMHDR&>(header));
        if ((info.item.mask & LVIF_TEXT) && info.item.pszText && info.item.cchTextMax > 0) {
            cellBuffer_ = CellText(static_cast<size_t>(info.item.iItem), static_cast<size_t>(info.item.iSubItem));
            lstrcpynW(info.item.pszText, cellBuffer_.c_str(), info.item.cchTextMax);
        }
        return true;
    }
    case LVN_ITEMCHANGED: {
        const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
        if (filling_ || !winui::IsCheckChange(change) || change.iItem < 0) return false;
        const bool checked = winui::IsItemChecked(header.hwndFrom, change.iItem);
        if (id == ColumnsList) CheckColumn(static_cast<size_t>(change.iItem), checked);
        if (id == ElementsList) CheckArray(static_cast<size_t>(change.iItem), checked);
        return true;
    }
    case LVN_KEYDOWN: {
        const auto& key = reinterpret_cast<const NMLVKEYDOWN&>(header);
        if (id == ColumnsList && key.wVKey == VK_F2) {
            StartRenaming();
            return true;
        }
        return false;
    }
    case LVN_BEGINLABELEDITW: {
        if (id != ColumnsList) return false;
        result = FALSE;  // allowed
        return true;
    }
    case LVN_ENDLABELEDITW: {
        if (id != ColumnsList) return false;
        const auto& edit = reinterpret_cast<const NMLVDISPINFOW&>(header);
        if (edit.item.pszText && edit.item.iItem >= 0) {
            // Taken once the list has ended the edit: the list is then filled again.
            pendingRename_.emplace(static_cast<size_t>(edit.item.iItem), winui::WideToUtf8(edit.item.pszText));
            PostMessageW(Handle(), kRenameMessage, 0, 0);
        }
        result = FALSE;  // the list shows the choices, not the edit's text
        return true;
    }
    }
    return false;
}

void PreviewWindow::OnCommand(int id, int code) {
    switch (id) {
    case RecordsCombo:
        if (code == CBN_SELCHANGE && !filling_) ChooseRecords(winui::ComboSelection(Control(RecordsCombo)));
        return;
    case ArraysCombo:
        if (code == CBN_SELCHANGE && !filling_) {
            const int entry = winui::ComboSelection(Control(ArraysCombo));
            if (entry >= 0) ChooseArrays(static_cast<ArraysChoice>(entry));
        }
        return;
    case JoinEdit:
        if (code == EN_CHANGE && !filling_) SetJoinSeparator(winui::WideToUtf8(winui::WindowText(Control(JoinEdit))));
        return;
    case MoveUpButton: MoveSelectedColumn(-1); return;
    case MoveDownButton: MoveSelectedColumn(+1); return;
    case RenameButton: StartRenaming(); return;
    case FindAllColumnsButton: FindAllColumns(); return;
    case ResetButton: Reset(); return;
    case SaveRecipeButton: SaveRecipe(); return;
    case LoadRecipeButton: LoadRecipe(); return;
    case ExportButton: Export(); return;
    case CloseButton: Close(); return;
    case IDOK: return;  // Enter outside a button (in the grid, say) does nothing
    }
}

LRESULT PreviewWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND: OnCommand(LOWORD(wParam), HIWORD(wParam)); return 0;
    case WM_NOTIFY: {
        LRESULT result = 0;
        if (OnNotify(*reinterpret_cast<const NMHDR*>(lParam), result)) return result;
        break;
    }
    case kReadingDoneMessage: TakeJob(static_cast<uint64_t>(wParam)); return 0;
    case kScanProgressMessage: ShowScanProgress(static_cast<uint64_t>(wParam)); return 0;
    case kRenameMessage:
        if (pendingRename_) {
            const auto [index, header] = *std::exchange(pendingRename_, std::nullopt);
            RenameColumn(index, header);
        }
        return 0;
    case WM_SIZE: LayoutControls(); return 0;
    case WM_GETMINMAXINFO: {
        auto* limits = reinterpret_cast<MINMAXINFO*>(lParam);
        // No smaller than the layout of the table, unless the screen is lower: the controls move
        // and grow from it, and give up height only to fit the work area.
        RECT frame{0, 0, BaseClientSize().cx, BaseClientSize().cy};
        AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrW(Handle(), GWL_STYLE)), FALSE,
                           static_cast<DWORD>(GetWindowLongPtrW(Handle(), GWL_EXSTYLE)));
        const SIZE smallest = FittedToWorkArea({frame.right - frame.left, frame.bottom - frame.top});
        limits->ptMinTrackSize = {smallest.cx, smallest.cy};
        return 0;
    }
    case WM_CLOSE: Close(); return 0;
    }
    return Window::HandleMessage(message, wParam, lParam);
}

}  // namespace tabulora::ui
