#pragma once
#include <windows.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "app/conversion_choices.h"
#include "app/export_options.h"
#include "app/export_worker.h"
#include "app/main_window_look.h"
#include "base/app_identity.h"
#include "base/maker_site.h"
#include "engine/csv_export.h"
#include "engine/text_codec.h"
#include "ui/preview_choices.h"
#include "update/settings.h"
#include "winui/busy_cursor.h"
#include "winui/handles.h"
#include "winui/menus.h"
#include "winui/taskbar_progress.h"
#include "winui/window.h"

namespace tabulora {

namespace ui {
class SeparatorDialog;
class NewVersionNotice;
class PreviewWindow;
}  // namespace ui

// The main window: the input list, the options, the exports and the menus.
class MainWindow : public winui::Window {
public:
    enum ControlId : int {
        LoadButton = 101,
        HeaderCheckBox,
        Utf8Radio,
        AnsiRadio,
        SeparatorLabel,
        SeparatorButton,  // its caption shows the separator (SeparatorCaption)
        ExportButton,
        StatusBar,
        ShowInFolderLink,  // in the status bar, after a saved export
        PreviewLink,       // in the status bar, while files are loaded
    };
    enum CommandId : UINT {
        FileClearCommand = 201,
        FileLoadCommand,
        FileExportCommand,
        FileExitCommand,
        OnlineHelpCommand,
        UpdateNotificationsCommand,
        SendFeedbackCommand,
        AboutCommand,
        LoadMenuClearCommand,  // the load button's context menu
        SingleCsvFileCommand,  // the export button's drop-down menu
        MultipleCsvFilesCommand,
        ShowExportedFileCommand,
        PreviewCommand,            // File: Preview and Columns... (Ctrl+P)
        FirstChoiceCommand = 301,  // the Options menu: one item per conversion choice, in order
    };
    static constexpr UINT_PTR kUpdateCheckTimer = 1;
    static constexpr UINT kUpdateCheckInterval = 1000;

    // `settings` keeps the Options menu's choices between runs; the other options start as the
    // header line on, UTF-8 and the list separator of the thread's locale.
    MainWindow(AppIdentity identity, MakerSite site, std::unique_ptr<update::SettingsStore> settings);
    ~MainWindow() override;

    HACCEL Accelerators() const { return accelerators_.Get(); }
    const std::vector<std::wstring>& InputFiles() const { return inputFiles_; }
    int64_t LoadedFileCount() const { return loadedFileCount_; }
    const std::wstring& LastFolder() const { return lastFolder_; }
    HMENU LoadButtonMenu() const { return loadButtonMenu_.Get(); }
    HMENU ExportMenu() const { return exportMenu_.Get(); }
    HMENU HelpMenu() const { return helpMenu_; }
    HMENU OptionsMenu() const { return optionsMenu_; }
    // Every choice of the window, as an export receives it.
    const ExportOptions& Options() const { return options_; }
    // The separator dialog opened last, or null.
    ui::SeparatorDialog* LastSeparatorDialog() const;
    // The new-version notice once the update check has asked for it, or null.
    ui::NewVersionNotice* Notice() const { return notice_.get(); }

    // Input files
    void AddInputFile(const std::wstring& path);
    void ChooseInputFiles();
    void AddDroppedFiles(HDROP drop);
    // Files named on the program's command line (full paths).
    void AddFilesFromCommandLine(std::span<const std::wstring> paths);
    void ClearInputFiles();
    // Exports. They run on a worker thread: these return at once, and the result shows when the
    // export ends (ExportRunning turns false).
    // The export button: cancels a running export, else offers the export menu for two or more
    // files and exports a single CSV file for one.
    void ExportOrCancel();
    void ExportFromMenu();
    void ExportSingleCsvFile();
    // Asks for the folder, then ExportMultipleCsvFilesTo.
    void ExportMultipleCsvFiles();
    void ExportMultipleCsvFilesTo(const std::wstring& folder);
    bool ExportRunning() const { return exportWorker_ != nullptr; }
    void CancelExport();
    // Opens Explorer on the output of the export whose summary the status bar shows: the CSV
    // file selected, or the folder of a multiple-files export with its CSV files selected.
    void ShowExportedFile();
    // The options; the controls and the Options menu show the new value.
    void ToggleHeader();
    void ChooseEncoding(TextEncoding encoding);
    void OpenSeparatorDialog();
    // The separator dialog's answer.
    void ChooseSeparator(const std::wstring& separator);
    void ToggleChoice(ConversionChoice choice);
    // Other commands
    void OpenOnlineHelp();
    // Ends the program; a running export is cancelled first.
    void Quit();
    void PollUpdateCheck();
    void ToggleUpdateNotifications();
    void OpenFeedbackWindow();
    void OpenAboutBox();
    // The Preview window, opened on the files loaded; its choices shape the exports until the
    // files are cleared or the window's Reset.
    void OpenPreview();
    ui::PreviewWindow* Preview() const { return preview_.get(); }
    const std::optional<ui::PreviewChoices>& Shape() const { return shape_; }

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void LayoutControls() override;
    void AfterDpiChange() override;

private:
    void SetUp();
    void RunCommand(UINT id);
    void ShowLoadButtonMenu(LPARAM screenPoint);
    MainWindowLook Look() const;
    void UpdateControls();
    void SetButtonImages(const wchar_t* exportImage);
    void AttachMenuImages();
    std::vector<std::string> InputPaths() const;
    void StartExport(ExportWorker::Job job);
    void ShowExportProgress();
    void FinishExport();
    void SetStatusText(const std::wstring& text);
    void LayoutStatusBar();
    void ShowFileLoadError(const std::string& path);
    ExportSettings ShapedSettings() const;
    void RefreshPreview(bool evenIfHidden = false);
    void UseShape(const std::optional<ui::PreviewChoices>& shape);
    // The save dialog of the single-file export: where, and as what.
    std::optional<OutputChoice> ChooseOutputFile();

    const AppIdentity identity_;
    const MakerSite site_;
    const std::unique_ptr<update::SettingsStore> settings_;
    ExportOptions options_;
    std::vector<std::wstring> inputFiles_;
    int64_t loadedFileCount_ = 0;
    std::wstring lastFolder_;
    std::wstring lastSaveFileName_;
    const wchar_t* exportImage_ = L"IMG_SAVEBLACK48";
    HMENU fileMenu_ = nullptr;  // owned by the window's menu bar
    HMENU optionsMenu_ = nullptr;
    HMENU helpMenu_ = nullptr;
    winui::UniqueMenu loadButtonMenu_;
    winui::UniqueMenu exportMenu_;
    winui::UniqueAccelerators accelerators_;
    winui::MenuImages menuImages_;
    winui::UniqueImageList loadImage_;
    winui::UniqueImageList exportImageList_;
    std::vector<std::unique_ptr<ui::SeparatorDialog>> separatorDialogs_;
    std::unique_ptr<ExportWorker> exportWorker_;
    std::optional<winui::BusyCursor> exportCursor_;
    std::optional<winui::TaskbarProgress> taskbarProgress_;  // made with the window
    bool exitAfterExport_ = false;
    // What the last export wrote while its summary is in the status bar (cleared with it).
    struct ExportedOutput {
        std::wstring folder;
        std::vector<std::wstring> files;
    };
    std::optional<ExportedOutput> exported_;
    std::unique_ptr<ui::NewVersionNotice> notice_;
    std::unique_ptr<ui::PreviewWindow> preview_;
    std::optional<ui::PreviewChoices> shape_;  // chosen in the Preview window
};

}  // namespace tabulora
