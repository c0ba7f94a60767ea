#pragma once
#include <windows.h>

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "app/win/handles.h"
#include "app/win/menus.h"
#include "app/win/window.h"
#include "engine/text_codec.h"

namespace tabulora {

class TFormSeparator;
class TNewVer;

// The program's identity, fixed by the main window's creation and read for the rest of the run.
extern std::wstring AppCompanyName;
extern std::wstring AppProductName;
extern std::wstring AppVersionText;   // "major.minor" of the file version
extern std::wstring AppTitleText;     // AppCompanyName + " - " + AppProductName

// The main window: the input list, the options, the exports and the menus.
class TAppForm : public winui::Window {
public:
    enum ControlId : int {
        ButtonLoad = 101,
        CheckBox1,
        RadioButton2,   // UTF-8
        RadioButton1,   // ANSI
        Label1,
        Button4,        // the separator
        ButtonExport,
        StatusBar1,
    };
    enum CommandId : UINT {
        Clear2 = 201,
        LoadFile1,
        Export1,
        Exit1,
        Help1,
        UpdateNotifications1,
        SendFeedback1,
        About1,
        Clear1,            // context menu of ButtonLoad
        SingleCSVFile1,    // export choice menu
        MultipleCSVFiles1,
    };
    static constexpr UINT_PTR TimerChecker = 1;
    static constexpr UINT kTimerCheckerInterval = 1000;

    TAppForm();
    ~TAppForm() override;

    HACCEL Accelerators() const { return accelerators_.Get(); }
    const std::vector<std::wstring>& InputFiles() const { return inputFiles_; }
    int64_t LoadedFileCount() const { return loadedFileCount_; }
    const std::wstring& LastFolder() const { return lastFolder_; }
    HMENU PopupMenu1() const { return popupMenu1_.Get(); }
    HMENU PopupMenu2() const { return popupMenu2_.Get(); }
    // The separator dialog opened last, or null.
    TFormSeparator* FormSeparator() const { return separatorForms_.empty() ? nullptr : separatorForms_.back().get(); }
    // The new-version notice once the update check has asked for it, or null.
    TNewVer* NewVer() const { return newVer_.get(); }
    HMENU HelpMenu() const { return helpMenu_; }

    void Ekle(const std::wstring& inputFileName);
    void ButtonLoadClick();
    void LoadFile1Click() { ButtonLoadClick(); }
    void WMDropFiles(HDROP drop);
    void Clear1Click();
    void Clear2Click() { Clear1Click(); }
    void ButtonExportClick();
    void Export1Click();
    void SingleCSVFile1Click();
    void MultipleCSVFiles1Click();
    void KlasorSecildi(const std::wstring& klasor);
    void Donustur(const std::wstring& outputFileName, std::span<const std::string> jsonTexts);
    void Button4Click();
    void Help1Click();
    void Exit1Click();
    void TimerCheckerTimer();
    void UpdateNotifications1Click();
    void SendFeedback1Click();
    void About1Click();

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void LayoutControls() override;
    void AfterDpiChange() override;

private:
    void FormCreate();
    void RunCommand(UINT id);
    void SetOptionsEnabled(bool enabled);
    void SetButtonImages(const wchar_t* exportImage);
    void AttachMenuImages();
    void ShowFileLoadError(const std::wstring& path);
    TextEncoding ChosenEncoding() const;
    std::wstring Button4Caption() const;

    std::vector<std::wstring> inputFiles_;
    int64_t loadedFileCount_ = 0;
    std::wstring lastFolder_;
    std::wstring lastSaveFileName_;
    const wchar_t* exportImage_ = L"IMG_SAVEBLACK48";
    HMENU fileMenu_ = nullptr;   // owned by the window's menu bar
    HMENU helpMenu_ = nullptr;
    winui::UniqueMenu popupMenu1_;
    winui::UniqueMenu popupMenu2_;
    winui::UniqueAccelerators accelerators_;
    winui::MenuImages menuImages_;
    winui::UniqueImageList loadImage_;
    winui::UniqueImageList exportImageList_;
    std::vector<std::unique_ptr<TFormSeparator>> separatorForms_;
    std::unique_ptr<TNewVer> newVer_;
};

}  // namespace tabulora
