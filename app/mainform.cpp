#include "app/mainform.h"

#include <commctrl.h>
#include <shellapi.h>
#include <windowsx.h>

#include <algorithm>

#include "app/maker_site.h"
#include "app/regional.h"
#include "app/separatorform.h"
#include "app/versioninfo.h"
#include "app/win/busy_cursor.h"
#include "app/win/dpi.h"
#include "app/win/dropdown.h"
#include "app/win/images.h"
#include "app/win/messages.h"
#include "app/win/program_folder.h"
#include "app/win/side_effects.h"
#include "app/win/text.h"
#include "engine/conversion.h"
#include "engine/csv_writer.h"
#include "engine/text_file.h"
#include "platform/ansi_codec.h"
#include "update/checker_win.h"
#include "update/newversion.h"
#include "update/settings.h"
#include "ui/about.h"
#include "ui/feedback.h"

namespace tabulora {

std::wstring AppCompanyName;
std::wstring AppProductName;
std::wstring AppVersionText;
std::wstring AppTitleText;

namespace {

using winui::ControlKind;
using winui::ControlSpec;
using winui::MenuItemSpec;

constexpr int kClientWidth = 461;
constexpr int kClientHeight = 201;
constexpr int kBigButtonHeight = 49;
constexpr int kButtonImageSize = 32;
constexpr int kButtonImageMargin = 5;

enum Fonts { kWindowFont, kLargeFont };
const winui::FontSpec kFonts[] = {{L"Tahoma", 11}, {L"Tahoma", 19}};

// Top to bottom: the load button, the options panel (73 high), the export button, the status bar.
const ControlSpec kControls[] = {
    {TAppForm::ButtonLoad, ControlKind::Button, L"Load JSON file...", {0, 0, kClientWidth, kBigButtonHeight}, kLargeFont},
    {TAppForm::CheckBox1, ControlKind::CheckBox, L"Include column header", {12, 55, 437, 27}, kLargeFont,
     WS_DISABLED},
    {TAppForm::RadioButton2, ControlKind::RadioButton, L"UTF-8", {12, 87, 92, 27}, kLargeFont,
     WS_GROUP | WS_TABSTOP | WS_DISABLED},
    {TAppForm::RadioButton1, ControlKind::RadioButton, L"ANSI", {112, 87, 92, 27}, kLargeFont, WS_DISABLED},
    {TAppForm::Label1, ControlKind::Label, L"CSV Separator:", {204, 87, 211, 27}, kLargeFont,
     SS_RIGHT | SS_CENTERIMAGE | WS_DISABLED},
    {TAppForm::Button4, ControlKind::Button, L";", {423, 88, 26, 26}, kWindowFont, WS_GROUP | WS_DISABLED},
    {TAppForm::ButtonExport, ControlKind::Button, L"Export to CSV...", {0, 122, kClientWidth, kBigButtonHeight},
     kLargeFont, WS_DISABLED},
    {TAppForm::StatusBar1, ControlKind::StatusBar, L"", {}, kWindowFont},
};

const MenuItemSpec kFileMenu[] = {
    {TAppForm::Clear2, L"Clear"},
    {TAppForm::LoadFile1, L"Load JSON file...", L"IMG_FOLDER48"},
    {TAppForm::Export1, L"Export to CSV...", L"IMG_SAVE48"},
    {0, nullptr},
    {TAppForm::Exit1, L"Exit", L"IMG_EXIT"},
};

const MenuItemSpec kHelpMenu[] = {
    {TAppForm::Help1, L"Online Help\tF1", L"IMG_HELP"},
    {0, nullptr},
    {TAppForm::UpdateNotifications1, L"Update Notifications", nullptr, MFS_CHECKED | MFS_DISABLED},
    {0, nullptr},
    {TAppForm::SendFeedback1, L"Send &Feedback...", L"IMG_FEEDBACK"},
    {TAppForm::About1, L"&About...", L"IMG_ABOUT"},
};

const MenuItemSpec kPopupMenu1[] = {{TAppForm::Clear1, L"Clear"}};
const MenuItemSpec kPopupMenu2[] = {
    {TAppForm::SingleCSVFile1, L"Single CSV File..."},
    {TAppForm::MultipleCSVFiles1, L"Multiple CSV Files..."},
};

HMENU BuildMainMenu(HMENU& fileMenu, HMENU& helpMenu) {
    HMENU bar = CreateMenu();
    fileMenu = winui::BuildPopupMenu(kFileMenu);
    helpMenu = winui::BuildPopupMenu(kHelpMenu);
    AppendMenuW(bar, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(fileMenu), L"&File");
    AppendMenuW(bar, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(helpMenu), L"&Help");
    return bar;
}

HACCEL BuildAccelerators() {
    ACCEL keys[] = {{FVIRTKEY, VK_F1, TAppForm::Help1}};
    return CreateAcceleratorTableW(keys, 1);
}


// A dropped item counts when it is not a folder and its extension, from the last "." of the
// file name on, is ".json" in any ASCII letter case.
bool IsDroppedJsonFile(const std::wstring& path) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
    size_t nameStart = path.find_last_of(L"\\/:");
    size_t dot = path.rfind(L'.');
    if (dot == std::wstring::npos || (nameStart != std::wstring::npos && dot < nameStart)) return false;
    return winui::AsciiLower(path.substr(dot)) == L".json";
}

std::wstring WindowText(HWND window) {
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

}  // namespace

TAppForm::TAppForm() {
    popupMenu1_.Reset(winui::BuildPopupMenu(kPopupMenu1));
    popupMenu2_.Reset(winui::BuildPopupMenu(kPopupMenu2));
    accelerators_.Reset(BuildAccelerators());
    CreateFrame({L"TAppForm", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN,
                 WS_EX_ACCEPTFILES, {kClientWidth, kClientHeight}, nullptr, BuildMainMenu(fileMenu_, helpMenu_),
                 L"MAINICON"});
    CreateControls(kFonts, kControls);
    FormCreate();
}

TAppForm::~TAppForm() = default;

void TAppForm::FormCreate() {
    const std::wstring executable = winui::ExecutablePath();
    try {
        TEXEVersionData version = ReadEXEVersionData(executable);
        AppCompanyName = version.CompanyName;
        AppProductName = version.ProductName;
    } catch (const OSError& error) {
        winui::ShowUnhandledError(error.what());
    }
    AppVersionText = ReadFileVersionText(executable);
    AppTitleText = AppCompanyName + L" - " + AppProductName;
    SetWindowTextW(Handle(), AppTitleText.c_str());

    SetWindowTextW(Control(Button4), ListSeparatorCaption().c_str());
    SendMessageW(Control(CheckBox1), BM_SETCHECK, BST_CHECKED, 0);
    SendMessageW(Control(RadioButton2), BM_SETCHECK, BST_CHECKED, 0);
    AttachMenuImages();
    SetButtonImages(exportImage_);
    SetTimer(Handle(), TimerChecker, kTimerCheckerInterval, nullptr);
}

void TAppForm::LayoutControls() {
    Window::LayoutControls();
    // The status bar docks at the very bottom; the export button sits right above it.
    RECT client{};
    GetClientRect(Handle(), &client);
    RECT status{};
    GetWindowRect(Control(StatusBar1), &status);
    int statusHeight = status.bottom - status.top;
    int height = Scale(kBigButtonHeight);
    SetWindowPos(Control(ButtonExport), nullptr, 0, client.bottom - statusHeight - height, client.right, height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    int edge = -1;   // one panel; the last panel always reaches the right end
    SendMessageW(Control(StatusBar1), SB_SETPARTS, 1, reinterpret_cast<LPARAM>(&edge));
}

void TAppForm::AfterDpiChange() {
    AttachMenuImages();
    SetButtonImages(exportImage_);
    DrawMenuBar(Handle());
}

void TAppForm::AttachMenuImages() {
    winui::MenuImages images;
    images.Attach(fileMenu_, kFileMenu, Dpi());
    images.Attach(helpMenu_, kHelpMenu, Dpi());
    menuImages_ = std::move(images);
}

void TAppForm::SetButtonImages(const wchar_t* exportImage) {
    exportImage_ = exportImage;
    const int size = Scale(kButtonImageSize);
    const int margin = Scale(kButtonImageMargin);
    loadImage_ = winui::ButtonImageList(L"IMG_FOLDER48", size);
    winui::SetButtonImage(Control(ButtonLoad), loadImage_.Get(), margin);
    winui::UniqueImageList exportList = winui::ButtonImageList(exportImage, size);
    winui::SetButtonImage(Control(ButtonExport), exportList.Get(), margin);
    exportImageList_ = std::move(exportList);
}

LRESULT TAppForm::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
        RunCommand(LOWORD(wParam));
        return 0;
    case WM_CONTEXTMENU:
        if (reinterpret_cast<HWND>(wParam) == Control(ButtonLoad)) {
            POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
            if (lParam == -1) {   // from the keyboard: under the button
                RECT rect{};
                GetWindowRect(Control(ButtonLoad), &rect);
                at = {rect.left, rect.bottom};
            }
            RunCommand(winui::Effects().TrackMenu(PopupMenu1(), at, Handle()));
            return 0;
        }
        break;
    case WM_MEASUREITEM:
        if (menuImages_.Measure(*reinterpret_cast<MEASUREITEMSTRUCT*>(lParam))) return TRUE;
        break;
    case WM_DRAWITEM:
        if (menuImages_.Draw(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam))) return TRUE;
        break;
    case WM_DROPFILES:
        WMDropFiles(reinterpret_cast<HDROP>(wParam));
        return 0;
    case WM_TIMER:
        if (wParam == TimerChecker) {
            TimerCheckerTimer();
            return 0;
        }
        break;
    case WM_CLOSE:
        Exit1Click();
        return 0;
    }
    return Window::HandleMessage(message, wParam, lParam);
}

void TAppForm::RunCommand(UINT id) {
    switch (id) {
    case ButtonLoad: ButtonLoadClick(); break;
    case Button4: Button4Click(); break;
    case ButtonExport: ButtonExportClick(); break;
    case Clear1: Clear1Click(); break;
    case Clear2: Clear2Click(); break;
    case LoadFile1: LoadFile1Click(); break;
    case Export1: Export1Click(); break;
    case Exit1: Exit1Click(); break;
    case Help1: Help1Click(); break;
    case UpdateNotifications1: UpdateNotifications1Click(); break;
    case SendFeedback1: SendFeedback1Click(); break;
    case About1: About1Click(); break;
    case SingleCSVFile1: SingleCSVFile1Click(); break;
    case MultipleCSVFiles1: MultipleCSVFiles1Click(); break;
    default: break;
    }
}

// ---- Input file list

void TAppForm::Ekle(const std::wstring& inputFileName) {
    if (!winui::FileExists(inputFileName)) return;
    inputFiles_.push_back(inputFileName);
    ++loadedFileCount_;
    SetWindowTextW(Control(ButtonLoad), (L"Load JSON files... [" + std::to_wstring(loadedFileCount_) + L"]").c_str());
    SetOptionsEnabled(true);
    SetButtonImages(L"IMG_SAVE48");
}

void TAppForm::SetOptionsEnabled(bool enabled) {
    for (int id : {CheckBox1, RadioButton1, RadioButton2, Label1, Button4, ButtonExport}) {
        EnableWindow(Control(id), enabled);
    }
}

void TAppForm::ButtonLoadClick() {
    winui::OpenFilesRequest request{
        {{L"JSON Files (*.json)", L"*.json"}, {L"Any File (*.*)", L"*.*"}},
        L"json",
    };
    for (const std::wstring& path : winui::Effects().ChooseFilesToOpen(Handle(), request)) Ekle(path);
}

void TAppForm::WMDropFiles(HDROP drop) {
    winui::UniqueDrop owned(drop);
    const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        try {
            std::wstring path(DragQueryFileW(drop, i, nullptr, 0), L'\0');
            DragQueryFileW(drop, i, path.data(), static_cast<UINT>(path.size() + 1));
            if (IsDroppedJsonFile(path)) Ekle(path);
        } catch (const std::exception&) {
            // one unusable item does not stop the others
        }
    }
}

void TAppForm::Clear1Click() {
    inputFiles_.clear();
    loadedFileCount_ = 0;
    SetWindowTextW(Control(ButtonLoad), L"Load JSON file...");
    SetButtonImages(L"IMG_SAVEBLACK48");
    SendMessageW(Control(StatusBar1), SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(L""));
    SetOptionsEnabled(false);
}

// ---- Exports

TextEncoding TAppForm::ChosenEncoding() const {
    return SendMessageW(Control(RadioButton2), BM_GETCHECK, 0, 0) == BST_CHECKED ? TextEncoding::Utf8
                                                                                 : TextEncoding::Ansi;
}

std::wstring TAppForm::Button4Caption() const { return WindowText(Control(Button4)); }

void TAppForm::ShowFileLoadError(const std::wstring& path) {
    winui::ShowMessage(Handle(), L"File load error!\r\r" + path, L"ERROR", MB_ICONERROR);
}

void TAppForm::ButtonExportClick() {
    if (inputFiles_.size() >= 2) {
        RunCommand(winui::DropDownMenu(Control(ButtonExport), PopupMenu2()));
    } else {
        SingleCSVFile1Click();
    }
}

void TAppForm::Export1Click() {
    if (IsWindowEnabled(Control(ButtonExport))) ButtonExportClick();
}

void TAppForm::SingleCSVFile1Click() {
    std::vector<std::string> texts;
    {
        winui::BusyCursor busy;
        for (const std::wstring& path : inputFiles_) {
            LoadedText loaded = LoadTextFile(winui::WideToUtf8(path), ChosenEncoding(), SystemAnsiCodec());
            if (!loaded.ok) {
                winui::DefaultCursorWhile message;
                ShowFileLoadError(path);
                continue;
            }
            texts.push_back(std::move(loaded.text));
        }
    }
    if (std::all_of(texts.begin(), texts.end(), [](const std::string& text) { return text.empty(); })) {
        winui::ShowMessage(Handle(), L"The file is empty!\r\r", L"Warning", MB_ICONWARNING);
        return;
    }
    winui::SaveFileRequest request{
        {{L"CSV File (*.csv)", L"*.csv"}, {L"Any File (*.*)", L"*.*"}},
        L"csv",
        lastSaveFileName_,
    };
    std::optional<std::wstring> fileName = winui::Effects().ChooseFileToSave(Handle(), request);
    if (!fileName) return;
    lastSaveFileName_ = *fileName;
    Donustur(*fileName, texts);
    winui::ShowMessage(Handle(), L"Operation completed. File saved: " + *fileName, L"Success", MB_ICONINFORMATION);
}

void TAppForm::MultipleCSVFiles1Click() {
    std::optional<std::wstring> folder =
        winui::Effects().ChooseFolder(Handle(), {L"Select folder:", L"Select", lastFolder_});
    if (!folder) return;
    lastFolder_ = *folder;
    KlasorSecildi(lastFolder_);
}

void TAppForm::KlasorSecildi(const std::wstring& klasor) {
    {
        winui::BusyCursor busy;
        const std::string folder = winui::WideToUtf8(klasor);
        for (const std::wstring& path : inputFiles_) {
            LoadedText loaded = LoadTextFile(winui::WideToUtf8(path), ChosenEncoding(), SystemAnsiCodec());
            if (!loaded.ok) {   // nothing is written for a file that could not be read
                winui::DefaultCursorWhile message;
                ShowFileLoadError(path);
                continue;
            }
            const std::string output = UniqueFileName(CsvNameInFolder(folder, winui::WideToUtf8(path)));
            Donustur(winui::Utf8ToWide(output), std::span<const std::string>(&loaded.text, 1));
        }
    }
    winui::ShowMessage(Handle(), L"Operation completed. Files saved: " + klasor, L"Success", MB_ICONINFORMATION);
}

void TAppForm::Donustur(const std::wstring& outputFileName, std::span<const std::string> jsonTexts) {
    CsvOptions options;
    options.separator = CsvSeparatorFromCaption(winui::WideToUtf8(Button4Caption()));
    options.includeHeader = SendMessageW(Control(CheckBox1), BM_GETCHECK, 0, 0) == BST_CHECKED;
    winui::BusyCursor busy;
    JsonToCsvConverter converter(options);
    for (const std::string& text : jsonTexts) converter.AddJsonText(text);
    WriteCsvFile(converter.Finish(), winui::WideToUtf8(outputFileName), ChosenEncoding(), SystemAnsiCodec());
}

// ---- Separator, help, exit, hooks for the later commands

void TAppForm::Button4Click() {
    // Dialogs closed earlier are only hidden; let them go before the next one opens.
    std::erase_if(separatorForms_, [](const std::unique_ptr<TFormSeparator>& form) { return !form->IsOpen(); });
    auto form = std::make_unique<TFormSeparator>(Handle(), Control(Button4));
    form->Preselect(Button4Caption());
    form->Show();
    separatorForms_.push_back(std::move(form));
}

void TAppForm::Help1Click() {
    std::wstring page = winui::AsciiLower(AppProductName);
    std::replace(page.begin(), page.end(), L' ', L'-');
    const std::wstring address = L"http://" + winui::Utf8ToWide(MakerHost()) + L"/help/" + page + L"/";
    try {
        winui::Effects().OpenWithShell(GetDesktopWindow(), L"open", address, L"", SW_HIDE);
    } catch (...) {
        // the help page is a convenience; a failure to open it is not reported
    }
}

void TAppForm::Exit1Click() { PostQuitMessage(0); }

// ---- Update check

void TAppForm::TimerCheckerTimer() {
    update::CheckResults& check = update::UpdateCheckState();
    if (!check.CheckStarted) {
        check.CheckStarted = true;
        update::StartUpdateCheck({winui::WideToUtf8(AppTitleText), winui::WideToUtf8(AppVersionText)}, Handle());
        return;
    }
    if (!check.IsFinished()) return;   // read first: the other results follow it
    KillTimer(Handle(), TimerChecker);
    EnableMenuItem(helpMenu_, UpdateNotifications1, MF_BYCOMMAND | MF_ENABLED);
    if (check.ShowUpdate == 0) CheckMenuItem(helpMenu_, UpdateNotifications1, MF_BYCOMMAND | MF_UNCHECKED);
    if (check.NewVersionAvailable && !newVer_) {
        NewVersionInfo info{AppProductName, winui::Utf8ToWide(check.ServerVersion), winui::Utf8ToWide(check.DownloadURL)};
        newVer_ = std::make_unique<TNewVer>(Handle(), std::move(info));
    }
}

void TAppForm::UpdateNotifications1Click() {
    update::CheckResults& check = update::UpdateCheckState();
    // The store belongs to the check's worker until the check has finished.
    if (!check.IsFinished() || !check.SettingsIni) return;
    const bool wanted = !(GetMenuState(helpMenu_, UpdateNotifications1, MF_BYCOMMAND) & MF_CHECKED);
    try {
        check.SettingsIni->WriteInteger(update::kSettingsSection, update::kShowUpdate, wanted ? 1 : 0);
    } catch (const std::exception& error) {
        // The check mark keeps showing what is stored.
        winui::ShowMessage(Handle(), L"The update notification setting could not be saved.\r\r" +
                                         winui::Utf8ToWide(error.what()), L"ERROR", MB_ICONERROR);
        return;
    }
    CheckMenuItem(helpMenu_, UpdateNotifications1, MF_BYCOMMAND | (wanted ? MF_CHECKED : MF_UNCHECKED));
}

void TAppForm::SendFeedback1Click() {
    ui::TFeedbackForm form(Handle());
    form.ShowModal();
}

void TAppForm::About1Click() {
    ui::TAboutBox form(Handle());
    form.ShowModal();
}

}  // namespace tabulora
