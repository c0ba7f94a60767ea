#pragma once
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "winui/busy_cursor.h"
#include "winui/side_effects.h"

// Answers the program's dialogs from scripted replies and records what it showed, so no test
// ever waits on a modal window. Installed for its lifetime.
class FakeEffects final : public winui::SideEffects {
public:
    struct Message {
        std::wstring text;
        std::wstring caption;
        UINT type;
        winui::ScreenCursor cursor;  // the cursor while the box was up
    };
    struct ShellCall {
        HWND parent;
        std::wstring verb, file, parameters;
        int showCommand;
    };

    FakeEffects() : previous_(winui::InstallEffects(this)) {}
    ~FakeEffects() override { winui::InstallEffects(previous_); }
    FakeEffects(const FakeEffects&) = delete;
    FakeEffects& operator=(const FakeEffects&) = delete;

    // Replies, used in order; an empty queue means "cancelled".
    std::deque<std::vector<std::wstring>> openReplies;
    std::deque<std::wstring> saveReplies;
    // The file type picked in the save dialog with each of saveReplies (index into its filters);
    // the first type when there is none.
    std::deque<size_t> saveTypeReplies;
    std::deque<std::wstring> folderReplies;
    std::deque<UINT> menuReplies;
    uint32_t tick = 1000;
    // Runs while the save dialog is "open", before it answers.
    std::function<void()> whileSaveDialogOpen;

    // What the program asked for.
    std::vector<Message> messages;
    std::vector<winui::OpenFilesRequest> openRequests;
    std::vector<winui::SaveFileRequest> saveRequests;
    std::vector<winui::FolderRequest> folderRequests;
    std::vector<HMENU> menusShown;
    POINT lastMenuPoint{};
    std::vector<ShellCall> shellCalls;
    std::vector<UINT> beeps;
    std::vector<std::wstring> recentDocuments;
    struct FolderShown {
        std::wstring folder;
        std::vector<std::wstring> items;
    };
    std::vector<FolderShown> foldersShown;
    bool folderShowWorks = true;

    int ShowMessage(HWND, const std::wstring& text, const std::wstring& caption, UINT type) override {
        messages.push_back({text, caption, type, winui::CurrentScreenCursor()});
        return IDOK;
    }
    std::vector<std::wstring> ChooseFilesToOpen(HWND, const winui::OpenFilesRequest& request) override {
        openRequests.push_back(request);
        return Next(openReplies).value_or(std::vector<std::wstring>{});
    }
    std::optional<winui::SavedFile> ChooseFileToSave(HWND, const winui::SaveFileRequest& request) override {
        saveRequests.push_back(request);
        if (whileSaveDialogOpen) whileSaveDialogOpen();
        std::optional<std::wstring> path = Next(saveReplies);
        const size_t type = Next(saveTypeReplies).value_or(0);
        if (!path) return std::nullopt;
        return winui::SavedFile{std::move(*path), type};
    }
    std::optional<std::wstring> ChooseFolder(HWND, const winui::FolderRequest& request) override {
        folderRequests.push_back(request);
        return Next(folderReplies);
    }
    bool OpenWithShell(HWND parent, const std::wstring& verb, const std::wstring& file, const std::wstring& parameters,
                       int showCommand) override {
        shellCalls.push_back({parent, verb, file, parameters, showCommand});
        return true;
    }
    void AddToRecentDocuments(const std::wstring& path) override { recentDocuments.push_back(path); }
    bool ShowInFolder(HWND, const std::wstring& folder, const std::vector<std::wstring>& items) override {
        foldersShown.push_back({folder, items});
        return folderShowWorks;
    }
    UINT TrackMenu(HMENU menu, POINT point, HWND) override {
        menusShown.push_back(menu);
        lastMenuPoint = point;
        return Next(menuReplies).value_or(0u);
    }
    uint32_t TickCount() override { return tick; }
    void Beep(UINT type) override { beeps.push_back(type); }

private:
    template <class T>
    static std::optional<T> Next(std::deque<T>& replies) {
        if (replies.empty()) return std::nullopt;
        T reply = std::move(replies.front());
        replies.pop_front();
        return reply;
    }

    winui::SideEffects* previous_;
};
