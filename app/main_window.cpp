#include "app/main_window.h"

#include <commctrl.h>
#include <shellapi.h>
#include <windowsx.h>

#include <algorithm>
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>

#include "app/export_status.h"
#include "app/regional.h"
#include "platform/ansi_codec.h"
#include "ui/about_box.h"
#include "ui/feedback_window.h"
#include "ui/new_version_notice.h"
#include "ui/preview_window.h"
#include "ui/separator_dialog.h"
#include "update/checker_win.h"
#include "update/settings.h"
#include "winui/browser.h"
#include "winui/busy_cursor.h"
#include "winui/dropdown.h"
#include "winui/images.h"
#include "winui/messages.h"
#include "winui/program_folder.h"
#include "winui/side_effects.h"
#include "winui/text.h"

namespace tabulora {

namespace {

using winui::ControlKind;
using winui::ControlSpec;
using winui::MenuItemSpec;

constexpr int kClientWidth = 461;
constexpr int kClientHeight = 201;
constexpr int kBigButtonHeight = 49;
constexpr int kButtonImageSize = 32;
constexpr int kButtonImageMargin = 5;
constexpr int kShowInFolderWidth = 90;  // the status bar's part that holds the link
constexpr int kPreviewLinkWidth = 64;   // and the one for "Preview..."

enum Fonts { kWindowFont, kLargeFont };
const winui::FontSpec kFonts[] = {{L"Tahoma", 11}, {L"Tahoma", 19}};

// Top to bottom: the load button, the options panel (73 high), the export button, the status bar.
const ControlSpec kControls[] = {
    {MainWindow::LoadButton,
     ControlKind::Button,
     L"Load JSON file...",
     {0, 0, kClientWidth, kBigButtonHeight},
     kLargeFont},
    {MainWindow::HeaderCheckBox,
     ControlKind::CheckBox,
     L"Include column header",
     {12, 55, 437, 27},
     kLargeFont,
     WS_DISABLED},
    {MainWindow::Utf8Radio,
     ControlKind::RadioButton,
     L"UTF-8",
     {12, 87, 92, 27},
     kLargeFont,
     WS_GROUP | WS_TABSTOP | WS_DISABLED},
    {MainWindow::AnsiRadio, ControlKind::RadioButton, L"ANSI", {112, 87, 92, 27}, kLargeFont, WS_DISABLED},
    {MainWindow::SeparatorLabel,
     ControlKind::Label,
     L"CSV Separator:",
     {204, 87, 211, 27},
     kLargeFont,
     SS_RIGHT | SS_CENTERIMAGE | WS_GROUP | WS_DISABLED},  // ends the UTF-8/ANSI group
    {MainWindow::SeparatorButton, ControlKind::Button, L";", {423, 88, 26, 26}, kWindowFont, WS_GROUP | WS_DISABLED},
    {MainWindow::ExportButton,
     ControlKind::Button,
     L"Export to CSV...",
     {0, 122, kClientWidth, kBigButtonHeight},
     kLargeFont,
     WS_DISABLED},
    // The status bar does not paint over the link placed on it.
    {MainWindow::StatusBar, ControlKind::StatusBar, L"", {}, kWindowFont, WS_CLIPSIBLINGS},
    {MainWindow::ShowInFolderLink,
     ControlKind::Link,
     L"<a>Show in Folder</a>",
     {0, 0, kShowInFolderWidth, 16},
     kWindowFont},  // hidden until offered; not made disabled, which leaves it unusable under Wine
    {MainWindow::PreviewLink, ControlKind::Link, L"<a>Preview...</a>", {0, 0, kPreviewLinkWidth, 16}, kWindowFont},
};

const MenuItemSpec kFileMenu[] = {
    {MainWindow::FileClearCommand, L"Clear"},
    {MainWindow::FileLoadCommand, L"Load JSON file...", L"IMG_FOLDER48"},
    {MainWindow::FileExportCommand, L"Export to CSV...", L"IMG_SAVE48"},
    {MainWindow::PreviewCommand, L"&Preview and Columns...\tCtrl+P", nullptr, MFS_DISABLED},
    {MainWindow::ShowExportedFileCommand, L"&Show Exported File", nullptr, MFS_DISABLED},
    {0, nullptr},
    {MainWindow::FileExitCommand, L"Exit", L"IMG_EXIT"},
};

const MenuItemSpec kHelpMenu[] = {
    {MainWindow::OnlineHelpCommand, L"Online Help\tF1", L"IMG_HELP"},
    {0, nullptr},
    {MainWindow::UpdateNotificationsCommand, L"Update Notifications", nullptr, MFS_CHECKED | MFS_DISABLED},
    {0, nullptr},
    {MainWindow::SendFeedbackCommand, L"Send &Feedback...", L"IMG_FEEDBACK"},
    {MainWindow::AboutCommand, L"&About...", L"IMG_ABOUT"},
};

const MenuItemSpec kLoadButtonMenu[] = {{MainWindow::LoadMenuClearCommand, L"Clear"}};
const MenuItemSpec kExportMenu[] = {
    {MainWindow::SingleCsvFileCommand, L"Single CSV File..."},
    {MainWindow::MultipleCsvFilesCommand, L"Multiple CSV Files..."},
};

UINT ChoiceCommand(size_t index) { return MainWindow::FirstChoiceCommand + static_cast<UINT>(index); }

HMENU BuildOptionsMenu() {
    std::vector<MenuItemSpec> items;
    for (size_t i = 0; i < kConversionChoices.size(); ++i) {
        // What the output is comes apart from how it is made.
        if (kConversionChoices[i].choice == ConversionChoice::ExcelWorkbook) items.push_back({0, nullptr});
        items.push_back({ChoiceCommand(i), kConversionChoices[i].caption});
    }
    return winui::BuildPopupMenu(items);
}

HMENU BuildMainMenu(HMENU& fileMenu, HMENU& optionsMenu, HMENU& helpMenu) {
    HMENU bar = CreateMenu();
    fileMenu = winui::BuildPopupMenu(kFileMenu);
    optionsMenu = BuildOptionsMenu();
    helpMenu = winui::BuildPopupMenu(kHelpMenu);
    AppendMenuW(bar, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(fileMenu), L"&File");
    AppendMenuW(bar, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(optionsMenu), L"&Options");
    AppendMenuW(bar, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(helpMenu), L"&Help");
    return bar;
}

HACCEL BuildAccelerators() {
    ACCEL keys[] = {{FVIRTKEY, VK_F1, MainWindow::OnlineHelpCommand},
                    {FVIRTKEY | FCONTROL, 'P', MainWindow::PreviewCommand}};
    return CreateAcceleratorTableW(keys, 2);
}

// An item handed over by the shell counts when it is not a folder and its extension, from the
// last "." of the file name on, is one of `extensions` in any ASCII letter case.
bool HasJsonExtension(const std::wstring& path, std::initializer_list<std::wstring_view> extensions) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
    size_t nameStart = path.find_last_of(L"\\/:");
    size_t dot = path.rfind(L'.');
    if (dot == std::wstring::npos || (nameStart != std::wstring::npos && dot < nameStart)) return false;
    const std::wstring extension = winui::AsciiLower(path.substr(dot));
    return std::find(extensions.begin(), extensions.end(), extension) != extensions.end();
}

}  // namespace

MainWindow::MainWindow(AppIdentity identity, MakerSite site, std::unique_ptr<update::SettingsStore> settings)
    : identity_(std::move(identity)), site_(std::move(site)), settings_(std::move(settings)) {
    options_.separator = winui::WideToUtf8(ListSeparator());
    ReadStoredChoices(*settings_, options_);
    loadButtonMenu_.Reset(winui::BuildPopupMenu(kLoadButtonMenu));
    exportMenu_.Reset(winui::BuildPopupMenu(kExportMenu));
    accelerators_.Reset(BuildAccelerators());
    CreateFrame({L"TabuloraMainWindow",
                 WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN,
                 WS_EX_ACCEPTFILES,
                 {kClientWidth, kClientHeight},
                 nullptr,
                 BuildMainMenu(fileMenu_, optionsMenu_, helpMenu_),
                 L"MAINICON"});
    CreateControls(kFonts, kControls);
    SetUp();
}

MainWindow::~MainWindow() = default;

void MainWindow::SetUp() {
    SetWindowTextW(Handle(), winui::Utf8ToWide(identity_.title).c_str());
    AttachMenuImages();
    SetButtonImages(exportImage_);
    SetTimer(Handle(), kUpdateCheckTimer, kUpdateCheckInterval, nullptr);
    taskbarProgress_.emplace(Handle());
    // The button's caption is the separator itself; it is spoken as what it chooses.
    Describe(SeparatorButton, {.name = [this] { return winui::Utf8ToWide(Look().separatorName); },
                               .value = [this] { return winui::Utf8ToWide(Look().separatorCaption); }});
    UpdateControls();
}

void MainWindow::LayoutControls() {
    Window::LayoutControls();
    // The status bar docks at the very bottom; the export button sits right above it.
    RECT client{};
    GetClientRect(Handle(), &client);
    RECT status{};
    GetWindowRect(Control(StatusBar), &status);
    int statusHeight = status.bottom - status.top;
    int height = Scale(kBigButtonHeight);
    SetWindowPos(Control(ExportButton), nullptr, 0, client.bottom - statusHeight - height, client.right, height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    LayoutStatusBar();
}

// One part for the texts; at the right, parts for "Show in Folder" and "Preview..." while each
// is offered.
void MainWindow::LayoutStatusBar() {
    const HWND status = Control(StatusBar);
    RECT client{};
    GetClientRect(status, &client);
    struct Offer {
        HWND link;
        int width;
    };
    std::vector<Offer> offers;
    // Left to right as in the tab order: Show in Folder follows the export button at once.
    for (const Offer& offer : {Offer{Control(ShowInFolderLink), Scale(kShowInFolderWidth)},
                               Offer{Control(PreviewLink), Scale(kPreviewLinkWidth)}}) {
        if (GetWindowLongPtrW(offer.link, GWL_STYLE) & WS_VISIBLE) offers.push_back(offer);
    }
    std::vector<int> edges;
    int right = static_cast<int>(client.right);
    for (const Offer& offer : offers) right -= offer.width;
    edges.push_back(offers.empty() ? -1 : std::max(0, right));
    for (size_t i = 0; i < offers.size(); ++i) {
        right += offers[i].width;
        edges.push_back(i + 1 == offers.size() ? -1 : right);
    }
    SendMessageW(status, SB_SETPARTS, edges.size(), reinterpret_cast<LPARAM>(edges.data()));
    // Right after the export button in the z-order: above the status bar, and next in the tab order.
    HWND after = Control(ExportButton);
    for (size_t i = 0; i < offers.size(); ++i) {
        RECT part{};
        SendMessageW(status, SB_GETRECT, i + 1, reinterpret_cast<LPARAM>(&part));
        MapWindowPoints(status, Handle(), reinterpret_cast<POINT*>(&part), 2);
        const int inset = Scale(3);
        SetWindowPos(offers[i].link, after, part.left + inset, part.top + Scale(1), part.right - part.left - 2 * inset,
                     part.bottom - part.top - Scale(2), SWP_NOACTIVATE);
        after = offers[i].link;
    }
}

void MainWindow::AfterDpiChange() {
    AttachMenuImages();
    SetButtonImages(exportImage_);
    DrawMenuBar(Handle());
}

void MainWindow::AttachMenuImages() {
    winui::MenuImages images;
    images.Attach(fileMenu_, kFileMenu, Dpi());
    images.Attach(helpMenu_, kHelpMenu, Dpi());
    menuImages_ = std::move(images);
}

void MainWindow::SetButtonImages(const wchar_t* exportImage) {
    exportImage_ = exportImage;
    const int size = Scale(kButtonImageSize);
    const int margin = Scale(kButtonImageMargin);
    loadImage_ = winui::ButtonImageList(L"IMG_FOLDER48", size);
    winui::SetButtonImage(Control(LoadButton), loadImage_.Get(), margin);
    winui::UniqueImageList exportList = winui::ButtonImageList(exportImage, size);
    winui::SetButtonImage(Control(ExportButton), exportList.Get(), margin);
    exportImageList_ = std::move(exportList);
}

LRESULT MainWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND: RunCommand(LOWORD(wParam)); return 0;
    case WM_CONTEXTMENU:
        if (reinterpret_cast<HWND>(wParam) != Control(LoadButton)) break;
        ShowLoadButtonMenu(lParam);
        return 0;
    case WM_MEASUREITEM:
        if (menuImages_.Measure(*reinterpret_cast<MEASUREITEMSTRUCT*>(lParam))) return TRUE;
        break;
    case WM_DRAWITEM:
        if (menuImages_.Draw(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam))) return TRUE;
        break;
    case WM_DROPFILES: AddDroppedFiles(reinterpret_cast<HDROP>(wParam)); return 0;
    case WM_NOTIFY: {
        const auto& notice = *reinterpret_cast<const NMHDR*>(lParam);
        if (notice.idFrom == ShowInFolderLink && (notice.code == NM_CLICK || notice.code == NM_RETURN)) {
            ShowExportedFile();
            return 0;
        }
        if (notice.idFrom == PreviewLink && (notice.code == NM_CLICK || notice.code == NM_RETURN)) {
            OpenPreview();
            return 0;
        }
        break;
    }
    case WM_TIMER:
        if (wParam == kUpdateCheckTimer) {
            PollUpdateCheck();
            return 0;
        }
        break;
    case WM_CLOSE: Quit(); return 0;
    case ExportWorker::kProgressMessage: ShowExportProgress(); return 0;
    case ExportWorker::kRequestMessage: ExportWorker::RunRequest(lParam); return 0;
    case ExportWorker::kFinishedMessage: FinishExport(); return 0;
    }
    return Window::HandleMessage(message, wParam, lParam);
}

void MainWindow::ShowLoadButtonMenu(LPARAM screenPoint) {
    POINT at{GET_X_LPARAM(screenPoint), GET_Y_LPARAM(screenPoint)};
    if (screenPoint == -1) {  // from the keyboard: under the button
        RECT rect{};
        GetWindowRect(Control(LoadButton), &rect);
        at = {rect.left, rect.bottom};
    }
    RunCommand(winui::Effects().TrackMenu(LoadButtonMenu(), at, Handle()));
}

void MainWindow::RunCommand(UINT id) {
    switch (id) {
    case LoadButton: ChooseInputFiles(); break;
    case HeaderCheckBox: ToggleHeader(); break;
    case Utf8Radio: ChooseEncoding(TextEncoding::Utf8); break;
    case AnsiRadio: ChooseEncoding(TextEncoding::Ansi); break;
    case SeparatorButton: OpenSeparatorDialog(); break;
    case ExportButton: ExportOrCancel(); break;
    case LoadMenuClearCommand:
    case FileClearCommand: ClearInputFiles(); break;
    case FileLoadCommand: ChooseInputFiles(); break;
    case FileExportCommand: ExportFromMenu(); break;
    case FileExitCommand: Quit(); break;
    case IDCANCEL: CancelExport(); break;  // Esc
    case OnlineHelpCommand: OpenOnlineHelp(); break;
    case UpdateNotificationsCommand: ToggleUpdateNotifications(); break;
    case SendFeedbackCommand: OpenFeedbackWindow(); break;
    case AboutCommand: OpenAboutBox(); break;
    case SingleCsvFileCommand: ExportSingleCsvFile(); break;
    case MultipleCsvFilesCommand: ExportMultipleCsvFiles(); break;
    case ShowExportedFileCommand: ShowExportedFile(); break;
    case PreviewCommand: OpenPreview(); break;
    default:
        if (id >= FirstChoiceCommand && id < FirstChoiceCommand + kConversionChoices.size()) {
            ToggleChoice(kConversionChoices[id - FirstChoiceCommand].choice);
        }
        break;
    }
}

// ---- Input file list

void MainWindow::AddInputFile(const std::wstring& path) {
    if (!winui::FileExists(path)) return;
    inputFiles_.push_back(path);
    ++loadedFileCount_;
    winui::Effects().AddToRecentDocuments(path);
    UpdateControls();
    RefreshPreview();
}

void MainWindow::ChooseInputFiles() {
    if (ExportRunning()) return;
    winui::OpenFilesRequest request{
        {{L"JSON Files (*.json)", L"*.json"}, {L"Any File (*.*)", L"*.*"}},
        L"json",
    };
    for (const std::wstring& path : winui::Effects().ChooseFilesToOpen(Handle(), request)) AddInputFile(path);
}

void MainWindow::AddDroppedFiles(HDROP drop) {
    winui::UniqueDrop owned(drop);
    const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        try {
            std::wstring path(DragQueryFileW(drop, i, nullptr, 0), L'\0');
            DragQueryFileW(drop, i, path.data(), static_cast<UINT>(path.size() + 1));
            if (HasJsonExtension(path, {L".json"})) AddInputFile(path);
        } catch (const std::exception&) {
            // one unusable item does not stop the others
        }
    }
}

void MainWindow::AddFilesFromCommandLine(std::span<const std::wstring> paths) {
    // As dropped files, except that JSON Lines files count too: the installer offers the program
    // for opening both kinds.
    for (const std::wstring& path : paths) {
        if (HasJsonExtension(path, {L".json", L".jsonl"})) AddInputFile(path);
    }
}

void MainWindow::ClearInputFiles() {
    if (ExportRunning()) return;
    inputFiles_.clear();
    loadedFileCount_ = 0;
    shape_.reset();  // a shape is made for the files it was chosen on
    SetStatusText(L"");
    UpdateControls();
    RefreshPreview();
}

// ---- Exports

std::vector<std::string> MainWindow::InputPaths() const {
    std::vector<std::string> paths;
    for (const std::wstring& path : inputFiles_) paths.push_back(winui::WideToUtf8(path));
    return paths;
}

void MainWindow::ExportOrCancel() {
    if (ExportRunning()) {
        CancelExport();
    } else if (inputFiles_.size() >= 2) {
        RunCommand(winui::DropDownMenu(Control(ExportButton), ExportMenu()));
    } else {
        ExportSingleCsvFile();
    }
}

void MainWindow::ExportFromMenu() {
    if (Look().exportEnabled && !ExportRunning()) ExportOrCancel();
}

void MainWindow::ExportSingleCsvFile() {
    StartExport([inputs = InputPaths(), settings = ShapedSettings()](ExportHost& host, ExportControl& control) {
        return tabulora::ExportToSingleFile(inputs, settings, host, control);
    });
}

void MainWindow::ExportMultipleCsvFiles() {
    std::optional<std::wstring> folder = winui::Effects().ChooseFolder(Handle(),
                                                                       {L"Select folder:", L"Select", lastFolder_});
    if (!folder) return;
    lastFolder_ = *folder;
    ExportMultipleCsvFilesTo(lastFolder_);
}

void MainWindow::ExportMultipleCsvFilesTo(const std::wstring& folder) {
    StartExport([inputs = InputPaths(), folder = winui::WideToUtf8(folder),
                 settings = ShapedSettings()](ExportHost& host, ExportControl& control) {
        return tabulora::ExportEachFileToFolder(inputs, folder, settings, host, control);
    });
}

// The options, and the shape of the Preview window while one is in force.
ExportSettings MainWindow::ShapedSettings() const {
    ExportSettings settings = ToExportSettings(options_, SystemAnsiCodec());
    return shape_ ? ui::WithChoices(std::move(settings), *shape_) : settings;
}

void MainWindow::StartExport(ExportWorker::Job job) {
    if (ExportRunning()) return;
    ExportWorker::UserSide user{
        [this](const std::string& path) { ShowFileLoadError(path); },
        [this] { return ChooseOutputFile(); },
    };
    exportWorker_ = std::make_unique<ExportWorker>(Handle(), std::move(user), std::move(job));
    exported_.reset();  // the summary it was about gives way to the new export's progress
    UpdateControls();
    exportCursor_.emplace();
}

void MainWindow::CancelExport() {
    if (!ExportRunning() || exportWorker_->Cancelling()) return;
    exportWorker_->Cancel();
    SetStatusText(L"Cancelling\u2026");
}

void MainWindow::ShowFileLoadError(const std::string& path) {
    winui::DefaultCursorWhile message;
    winui::ShowMessage(Handle(), L"File load error!\r\r" + winui::Utf8ToWide(path), L"ERROR", MB_ICONERROR);
}

std::optional<OutputChoice> MainWindow::ChooseOutputFile() {
    SetStatusText(L"");  // the inputs are read; the export waits for the user
    winui::DefaultCursorWhile dialog;
    const std::vector<SaveFileType> types = SaveFileTypes(options_);
    winui::SaveFileRequest request;
    for (const SaveFileType& type : types)
        request.filters.push_back({winui::Utf8ToWide(type.name), winui::Utf8ToWide(type.pattern)});
    request.defaultExtension = winui::Utf8ToWide(types.front().extension);
    request.initialFileName = winui::Utf8ToWide(OfferedSaveName(winui::WideToUtf8(lastSaveFileName_), options_));
    std::optional<winui::SavedFile> saved = winui::Effects().ChooseFileToSave(Handle(), request);
    if (!saved) return std::nullopt;
    lastSaveFileName_ = saved->path;
    return OutputChoice{winui::WideToUtf8(saved->path), types[std::min(saved->filterIndex, types.size() - 1)].format};
}

void MainWindow::ShowExportProgress() {
    if (!exportWorker_ || exportWorker_->Cancelling()) return;
    const std::optional<ExportWorker::ProgressUpdate> progress = exportWorker_->TakeProgress();
    if (!progress) return;
    SetStatusText(winui::Utf8ToWide(ProgressText(progress->where, progress->eachFile)));
    taskbarProgress_->Show(ProgressPerMille(progress->where), 1000);
}

void MainWindow::FinishExport() {
    if (!exportWorker_) return;
    const ExportResult result = exportWorker_->TakeResult();
    exportWorker_.reset();
    UpdateControls();
    exportCursor_.reset();
    taskbarProgress_->Clear();
    for (const std::string& written : result.writtenFiles)
        winui::Effects().AddToRecentDocuments(winui::Utf8ToWide(written));
    SetStatusText(winui::Utf8ToWide(SummaryText(result)));
    const std::wstring target = winui::Utf8ToWide(result.target);
    if (result.outcome == ExportResult::Outcome::Saved) {
        ExportedOutput output;
        for (const std::string& written : result.writtenFiles) output.files.push_back(winui::Utf8ToWide(written));
        output.folder = result.eachFile ? target : target.substr(0, target.find_last_of(L"\\/") + 1);
        exported_ = std::move(output);
        UpdateControls();
    }
    switch (result.outcome) {
    case ExportResult::Outcome::Saved:
        if (!result.notWritten.empty()) {
            std::wstring text;
            for (const std::string& line : result.notWritten)
                text += (text.empty() ? L"" : L"\r\r") + winui::Utf8ToWide(line);
            winui::ShowMessage(Handle(), text, L"ERROR", MB_ICONERROR);
        }
        winui::ShowMessage(Handle(),
                           (result.eachFile ? L"Operation completed. Files saved: "
                                            : L"Operation completed. File saved: ") +
                               target,
                           L"Success", MB_ICONINFORMATION);
        break;
    case ExportResult::Outcome::NothingToExport:
        winui::ShowMessage(Handle(), L"The file is empty!\r\r", L"Warning", MB_ICONWARNING);
        break;
    case ExportResult::Outcome::Failed: winui::ShowUnhandledError(result.error); break;
    case ExportResult::Outcome::NoOutputChosen:
    case ExportResult::Outcome::Cancelled: break;
    }
    if (exitAfterExport_) PostQuitMessage(0);
}

void MainWindow::SetStatusText(const std::wstring& text) {
    if (exported_) {
        exported_.reset();  // the summary it belongs to goes
        UpdateControls();
    }
    SendMessageW(Control(StatusBar), SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void MainWindow::ShowExportedFile() {
    if (!exported_ || ExportRunning()) return;
    const ExportedOutput& output = *exported_;
    const DWORD attributes = GetFileAttributesW(output.folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        winui::ShowMessage(Handle(), L"The folder \"" + output.folder + L"\" no longer exists.", L"ERROR",
                           MB_ICONERROR);
        return;
    }
    // Files deleted since are left out; the folder opens all the same.
    std::vector<std::wstring> present;
    for (const std::wstring& file : output.files) {
        if (winui::FileExists(file)) present.push_back(file);
    }
    if (!winui::Effects().ShowInFolder(Handle(), output.folder, present)) {
        winui::ShowMessage(Handle(), L"The folder \"" + output.folder + L"\" could not be opened.", L"ERROR",
                           MB_ICONERROR);
    }
}

// ---- Help, exit

void MainWindow::OpenOnlineHelp() { winui::OpenInBrowser(site_.OnlineHelpPage(identity_.product)); }

void MainWindow::Quit() {
    // An export is stopped first; the program ends once its worker has let go of the files.
    if (ExportRunning()) {
        exitAfterExport_ = true;
        CancelExport();
        return;
    }
    PostQuitMessage(0);
}

// ---- Update check

void MainWindow::PollUpdateCheck() {
    update::CheckResults& check = update::UpdateCheckState();
    if (!check.CheckStarted) {
        check.CheckStarted = true;
        update::StartUpdateCheck(identity_, site_, Handle());
        return;
    }
    if (!check.IsFinished()) return;  // read first: the other results follow it
    KillTimer(Handle(), kUpdateCheckTimer);
    EnableMenuItem(helpMenu_, UpdateNotificationsCommand, MF_BYCOMMAND | MF_ENABLED);
    if (check.ShowUpdate == 0) CheckMenuItem(helpMenu_, UpdateNotificationsCommand, MF_BYCOMMAND | MF_UNCHECKED);
    if (check.NewVersionAvailable && !notice_) {
        ui::NewVersionInfo info{winui::Utf8ToWide(identity_.product), winui::Utf8ToWide(check.ServerVersion),
                                winui::Utf8ToWide(check.DownloadURL)};
        notice_ = std::make_unique<ui::NewVersionNotice>(Handle(), std::move(info), site_);
    }
}

void MainWindow::ToggleUpdateNotifications() {
    update::CheckResults& check = update::UpdateCheckState();
    // The store belongs to the check's worker until the check has finished.
    if (!check.IsFinished() || !check.Settings) return;
    const bool wanted = !(GetMenuState(helpMenu_, UpdateNotificationsCommand, MF_BYCOMMAND) & MF_CHECKED);
    try {
        check.Settings->WriteInteger(update::kSettingsSection, update::kShowUpdate, wanted ? 1 : 0);
    } catch (const std::exception& error) {
        // The check mark keeps showing what is stored.
        winui::ShowMessage(Handle(),
                           L"The update notification setting could not be saved.\r\r" + winui::Utf8ToWide(error.what()),
                           L"ERROR", MB_ICONERROR);
        return;
    }
    CheckMenuItem(helpMenu_, UpdateNotificationsCommand, MF_BYCOMMAND | (wanted ? MF_CHECKED : MF_UNCHECKED));
}

// ---- Options

void MainWindow::ToggleHeader() {
    options_.includeHeader = !options_.includeHeader;
    UpdateControls();
}

void MainWindow::ChooseEncoding(TextEncoding encoding) {
    options_.encoding = encoding;
    UpdateControls();
    RefreshPreview();  // the inputs read another way
}

ui::SeparatorDialog* MainWindow::LastSeparatorDialog() const {
    return separatorDialogs_.empty() ? nullptr : separatorDialogs_.back().get();
}

void MainWindow::OpenSeparatorDialog() {
    // Dialogs closed earlier are only hidden; let them go before the next one opens.
    std::erase_if(separatorDialogs_,
                  [](const std::unique_ptr<ui::SeparatorDialog>& dialog) { return !dialog->IsOpen(); });
    auto dialog = std::make_unique<ui::SeparatorDialog>(Handle(), [this](const std::wstring& separator) {
        ChooseSeparator(separator);
    });
    dialog->Preselect(winui::Utf8ToWide(options_.separator));
    dialog->Show();
    separatorDialogs_.push_back(std::move(dialog));
}

void MainWindow::ChooseSeparator(const std::wstring& separator) {
    options_.separator = winui::WideToUtf8(separator);
    UpdateControls();
}

void MainWindow::ToggleChoice(ConversionChoice choice) {
    if (ExportRunning()) return;
    try {
        StoreChoice(*settings_, options_, choice, !IsOn(options_, choice));
    } catch (const std::exception& error) {
        // The check mark keeps showing what is stored.
        winui::ShowMessage(Handle(), L"The option could not be saved.\r\r" + winui::Utf8ToWide(error.what()), L"ERROR",
                           MB_ICONERROR);
    }
    UpdateControls();
    RefreshPreview();  // flattening and the formula guard change what the grid shows
}

// ---- The look of the window

MainWindowLook MainWindow::Look() const {
    return LookOf(options_, loadedFileCount_, ExportRunning(), exported_.has_value());
}

// Every control and menu item as LookOf has it: the one place that enables, checks and captions
// them.
void MainWindow::UpdateControls() {
    const MainWindowLook look = Look();
    auto enable = [this](int id, bool enabled) { EnableWindow(Control(id), enabled); };
    auto check = [this](int id, bool checked) {
        SendMessageW(Control(id), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
    };
    auto caption = [this](int id, const std::string& text) {
        SetWindowTextW(Control(id), winui::Utf8ToWide(text).c_str());
    };
    caption(LoadButton, look.loadCaption);
    enable(LoadButton, look.loadEnabled);
    for (int id : {HeaderCheckBox, Utf8Radio}) enable(id, look.optionsEnabled);
    for (int id : {AnsiRadio, SeparatorLabel, SeparatorButton}) enable(id, look.csvOptionsEnabled);
    check(HeaderCheckBox, look.headerChecked);
    check(Utf8Radio, look.utf8Checked);
    check(AnsiRadio, look.ansiChecked);
    for (const auto& [id, checked] : {std::pair{Utf8Radio, look.utf8Checked}, std::pair{AnsiRadio, look.ansiChecked}}) {
        // Tab enters the pair at the checked one.
        const LONG_PTR style = GetWindowLongPtrW(Control(id), GWL_STYLE);
        SetWindowLongPtrW(Control(id), GWL_STYLE, checked ? (style | WS_TABSTOP) : (style & ~WS_TABSTOP));
    }
    caption(SeparatorButton, look.separatorCaption);
    caption(ExportButton, look.exportCaption);
    enable(ExportButton, look.exportEnabled);
    if (std::wstring_view(look.exportImage) != exportImage_) SetButtonImages(look.exportImage);
    winui::SetMenuItemText(fileMenu_, FileExportCommand, winui::Utf8ToWide(look.exportCommandCaption));
    winui::SetMenuItemText(ExportMenu(), SingleCsvFileCommand, winui::Utf8ToWide(look.singleExportCaption));
    winui::SetMenuItemText(ExportMenu(), MultipleCsvFilesCommand, winui::Utf8ToWide(look.multipleExportCaption));
    for (UINT command : {FileClearCommand, FileLoadCommand, FileExportCommand}) {
        EnableMenuItem(fileMenu_, command, MF_BYCOMMAND | (look.fileCommandsEnabled ? MF_ENABLED : MF_GRAYED));
    }
    for (size_t i = 0; i < kConversionChoices.size(); ++i) {
        const MainWindowLook::MenuItem& item = look.choices[i];
        CheckMenuItem(optionsMenu_, ChoiceCommand(i), MF_BYCOMMAND | (item.checked ? MF_CHECKED : MF_UNCHECKED));
        EnableMenuItem(optionsMenu_, ChoiceCommand(i), MF_BYCOMMAND | (item.enabled ? MF_ENABLED : MF_GRAYED));
    }
    DragAcceptFiles(Handle(), look.acceptsDroppedFiles);
    EnableMenuItem(fileMenu_, ShowExportedFileCommand,
                   MF_BYCOMMAND | (look.showExportedOutput ? MF_ENABLED : MF_GRAYED));
    EnableMenuItem(fileMenu_, PreviewCommand, MF_BYCOMMAND | (look.previewEnabled ? MF_ENABLED : MF_GRAYED));
    const HWND previewLink = Control(PreviewLink);
    if (((GetWindowLongPtrW(previewLink, GWL_STYLE) & WS_VISIBLE) != 0) != look.previewEnabled) {
        if (!look.previewEnabled && GetFocus() == previewLink)
            SetFocus(Control(look.exportEnabled ? ExportButton : LoadButton));
        EnableWindow(previewLink, look.previewEnabled);
        ShowWindow(previewLink, look.previewEnabled ? SW_SHOWNA : SW_HIDE);
        LayoutStatusBar();
    }
    const HWND link = Control(ShowInFolderLink);
    if (((GetWindowLongPtrW(link, GWL_STYLE) & WS_VISIBLE) != 0) != look.showExportedOutput) {
        // The focus leaves the link before it goes, for a control that can take it.
        if (!look.showExportedOutput && GetFocus() == link)
            SetFocus(Control(look.exportEnabled ? ExportButton : LoadButton));
        EnableWindow(link, look.showExportedOutput);
        ShowWindow(link, look.showExportedOutput ? SW_SHOWNA : SW_HIDE);
        LayoutStatusBar();
    }
}

void MainWindow::OpenFeedbackWindow() {
    ui::FeedbackWindow window(Handle(), identity_, site_);
    window.ShowModal();
}

void MainWindow::OpenAboutBox() {
    ui::AboutBox box(Handle(), identity_, site_);
    box.ShowModal();
}

// ---- Preview

void MainWindow::OpenPreview() {
    if (!Look().previewEnabled) return;
    if (!preview_) {
        ui::PreviewHost host{
            [this](const std::optional<ui::PreviewChoices>& shape) { UseShape(shape); },
            [this] {
                if (Look().exportEnabled && !ExportRunning()) ExportOrCancel();
            },
        };
        preview_ = std::make_unique<ui::PreviewWindow>(Handle(), std::move(host));
    }
    const bool open = preview_->IsOpen();
    if (!open) RefreshPreview(true);
    preview_->Show();
}

// The Preview window shows the files loaded now with the options in force.
void MainWindow::RefreshPreview(bool evenIfHidden) {
    if (!preview_ || (!evenIfHidden && !preview_->IsOpen())) return;
    const ExportSettings settings = ToExportSettings(options_, SystemAnsiCodec());
    preview_->SetInputs(InputPaths(), settings, shape_.value_or(ui::DefaultChoices(settings)));
}

// The status bar tells of a change of the shape; a reading that changes nothing it says (the
// columns found, say) leaves the status bar, and an export's summary there, alone.
void MainWindow::UseShape(const std::optional<ui::PreviewChoices>& shape) {
    auto text = [this](const std::optional<ui::PreviewChoices>& value) {
        return value ? winui::Utf8ToWide(ui::ShapedStatusText(*value, InputPaths())) : std::wstring();
    };
    const std::wstring before = text(shape_);
    shape_ = shape;
    if (text(shape_) != before) SetStatusText(text(shape_));
}

}  // namespace tabulora
