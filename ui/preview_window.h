#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "engine/csv_export.h"
#include "engine/table_preview.h"
#include "ui/preview_choices.h"
#include "winui/window.h"

namespace tabulora::ui {

// What the Preview window asks of the window that opened it.
struct PreviewHost {
    // The choices that now shape the owner's exports; none: the default conversion again.
    std::function<void(const std::optional<PreviewChoices>& choices)> useChoices;
    // Starts the owner's export, which the choices handed over last shape.
    std::function<void()> startExport;
};

// The resizable, modeless "Preview" window: the first rows of the table that an export would
// write with the choices made here (records, arrays, columns), read on a worker thread so that
// the window never waits on the inputs. A newer reading supersedes an older one; closing the
// window cancels what still runs. Every change is handed to the owner at once.
class PreviewWindow : public winui::Window {
public:
    enum ControlId : int {
        RecordsLabel = 101,
        RecordsCombo,
        ArraysLabel,
        ArraysCombo,
        JoinLabel,
        JoinEdit,
        NoteLabel,
        RowsLabel,
        Grid,
        ColumnsLabel,
        ColumnsList,
        MoveUpButton,
        MoveDownButton,
        RenameButton,
        FindAllColumnsButton,  // "Stop Finding" while the scan runs
        ResetButton,
        ScanProgress,
        ElementsLabel,
        ElementsList,
        StatusLabel,
        SaveRecipeButton,
        LoadRecipeButton,
        ExportButton,
        CloseButton = IDCANCEL,  // Esc presses it
    };
    static constexpr UINT kReadingDoneMessage = WM_APP + 0x170;
    static constexpr UINT kScanProgressMessage = WM_APP + 0x171;
    static constexpr UINT kRenameMessage = WM_APP + 0x172;  // after the in-place edit has ended
    static constexpr size_t kPreviewRows = 1000;

    PreviewWindow(HWND owner, PreviewHost host);
    // Cancels the readings that still run and waits for them.
    ~PreviewWindow() override;

    // The inputs (UTF-8 paths, in order), the owner's settings without any shape, and the choices
    // to start from; reads them at once.
    void SetInputs(std::vector<std::string> inputs, ExportSettings settings, PreviewChoices choices);
    void Show();
    bool IsOpen() const { return IsWindowVisible(Handle()) != FALSE; }
    // Hides the window and cancels its readings; the choices stay with the owner.
    void Close();

    const PreviewChoices& Choices() const { return choices_; }
    // The reading shown: the rows of the grid and the choices offered.
    const TablePreview& Shown() const { return shown_; }
    const std::vector<RecordsChoice>& RecordsOffered() const { return records_; }
    const std::vector<JsonPath>& ArraysOffered() const { return arrays_; }
    bool Reading() const { return readingNumber_ != 0; }
    bool Scanning() const { return scanNumber_ != 0; }
    // The text the grid shows in a cell (row, column), as the list view asks for it.
    std::wstring CellText(size_t row, size_t column) const;

    // What the controls do.
    void ChooseRecords(int entry);  // 0: Automatic, then the records offered in order
    void ChooseArrays(ArraysChoice arrays);
    void SetJoinSeparator(const std::string& separator);
    void CheckArray(size_t index, bool checked);  // one row per element of arrays offered [index]
    void CheckColumn(size_t index, bool checked);
    void MoveSelectedColumn(int step);
    void RenameColumn(size_t index, const std::string& header);
    void StartRenaming();   // the in-place edit of the selected column's header (F2)
    void FindAllColumns();  // or stops the scan that runs
    void Reset();
    void SaveRecipe();
    void LoadRecipe();
    void Export();

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void AfterDpiChange() override;

private:
    struct Job;

    void SetUp();
    void StartReading();
    void StartJob(std::unique_ptr<Job> job);
    void TakeJob(uint64_t number);
    void ShowScanProgress(uint64_t number);
    void CancelJobs();
    void ShowReading(Job& job);
    void ShowScan(Job& job);
    void ChoicesChanged(bool readAgain);
    void UpdateControls();
    void FillGrid();
    void FillColumnsList();
    void FillArraysList();
    void FillRecordsCombo();
    void UpdateNote();
    void UpdateStatus();
    bool OnNotify(const NMHDR& header, LRESULT& result);
    void OnCommand(int id, int code);

    PreviewHost host_;
    std::vector<std::string> inputs_;
    ExportSettings settings_;
    PreviewChoices choices_;
    TablePreview shown_;                  // with the choices, columns too: the grid
    std::vector<RecordsChoice> records_;  // offered by "Records:"
    std::vector<JsonPath> arrays_;        // offered by "One row per element of:"
    std::string readingError_;
    std::string scanText_;
    std::vector<std::unique_ptr<Job>> jobs_;  // running, and superseded ones still ending
    uint64_t nextJobNumber_ = 1;
    uint64_t readingNumber_ = 0;  // the reading whose result will be shown, or 0
    uint64_t scanNumber_ = 0;
    bool filling_ = false;  // the controls are being filled: their notifications are no user's
    std::wstring recipePath_;
    mutable std::wstring cellBuffer_;
    std::optional<std::pair<size_t, std::string>> pendingRename_;  // column, header
};

}  // namespace tabulora::ui
