#pragma once
#include <windows.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <utility>

#include "app/export_flow.h"

namespace tabulora {

// Runs one export on a thread of its own while the window stays responsive. The window hears of
// it through three messages: kProgressMessage (read the newest state with TakeProgress),
// kRequestMessage (pass it to RunRequest: the export waits for the user) and kFinishedMessage
// (TakeResult). Boxes and dialogs are shown by the window thread, in the order the export asks
// for them.
class ExportWorker {
public:
    static constexpr UINT kProgressMessage = WM_APP + 0x160;
    static constexpr UINT kRequestMessage = WM_APP + 0x161;
    static constexpr UINT kFinishedMessage = WM_APP + 0x162;

    // What the export asks the user for; both run on the window thread.
    struct UserSide {
        std::function<void(const std::string& path)> reportUnreadableFile;
        std::function<std::optional<OutputChoice>()> chooseOutputFile;
    };
    using Job = std::function<ExportResult(ExportHost& host, ExportControl& control)>;
    // Where the export stands.
    struct ProgressUpdate {
        ExportProgress where;
        bool eachFile = false;  // the multiple-files export
    };

    ExportWorker(HWND window, UserSide user, Job job);
    // Stops the export and waits for its thread; a request still waiting for the window is
    // answered as if the user had cancelled.
    ~ExportWorker();
    ExportWorker(const ExportWorker&) = delete;
    ExportWorker& operator=(const ExportWorker&) = delete;

    void Cancel() { control_.Cancel(); }
    bool Cancelling() const { return control_.Cancelled(); }

    // The newest progress.
    std::optional<ProgressUpdate> TakeProgress();
    static void RunRequest(LPARAM request);
    // After kFinishedMessage: the export's result; the thread has ended.
    ExportResult TakeResult();

private:
    struct Shared;
    struct Request;
    class Host;

    std::shared_ptr<Shared> shared_;
    ExportControl control_;
    std::thread thread_;
};

}  // namespace tabulora
