#include "app/export_worker.h"

#include <condition_variable>
#include <mutex>

namespace tabulora {

// What the worker thread and the window thread share. It outlives the worker object when a
// request message is still on its way to the window.
struct ExportWorker::Shared {
    HWND window;
    UserSide user;
    std::mutex mutex;
    std::condition_variable answered;
    bool abandoned = false;  // the worker object is going away
    std::optional<ProgressUpdate> progress;
    bool progressPosted = false;
    ExportResult result;
};

// A task for the window thread, carried by kRequestMessage as a heap-held shared pointer.
struct ExportWorker::Request {
    std::shared_ptr<Shared> shared;
    std::function<void()> task;
    bool done = false;  // guarded by the shared mutex
};

class ExportWorker::Host final : public ExportHost {
public:
    explicit Host(std::shared_ptr<Shared> shared) : shared_(std::move(shared)) {}

    void Progress(const ExportProgress& progress, bool eachFile) override {
        std::lock_guard lock(shared_->mutex);
        shared_->progress = ProgressUpdate{progress, eachFile};
        if (shared_->progressPosted) return;  // the window has not read the last one yet
        shared_->progressPosted = PostMessageW(shared_->window, kProgressMessage, 0, 0) != FALSE;
    }

    void ReportUnreadableFile(const std::string& path) override {
        Ask([&] { shared_->user.reportUnreadableFile(path); });
    }

    std::optional<OutputChoice> ChooseOutputFile() override {
        std::optional<OutputChoice> chosen;
        Ask([&] { chosen = shared_->user.chooseOutputFile(); });
        return chosen;
    }

private:
    // Runs `task` on the window thread and waits for it; gives up when the worker is abandoned.
    void Ask(std::function<void()> task) {
        auto request = std::make_shared<Request>(Request{shared_, std::move(task)});
        auto* carried = new std::shared_ptr<Request>(request);
        if (!PostMessageW(shared_->window, kRequestMessage, 0, reinterpret_cast<LPARAM>(carried))) {
            delete carried;
            return;
        }
        std::unique_lock lock(shared_->mutex);
        shared_->answered.wait(lock, [&] { return request->done || shared_->abandoned; });
    }

    std::shared_ptr<Shared> shared_;
};

ExportWorker::ExportWorker(HWND window, UserSide user, Job job) : shared_(std::make_shared<Shared>()) {
    shared_->window = window;
    shared_->user = std::move(user);
    thread_ = std::thread([this, shared = shared_, job = std::move(job)] {
        Host host(shared);
        ExportResult result;
        try {
            result = job(host, control_);
        } catch (const std::exception& error) {
            result.outcome = ExportResult::Outcome::Failed;
            result.error = error.what();
        }
        {
            std::lock_guard lock(shared->mutex);
            shared->result = std::move(result);
        }
        PostMessageW(shared->window, kFinishedMessage, 0, 0);
    });
}

ExportWorker::~ExportWorker() {
    control_.Cancel();
    {
        std::lock_guard lock(shared_->mutex);
        shared_->abandoned = true;
    }
    shared_->answered.notify_all();
    if (thread_.joinable()) thread_.join();
}

std::optional<ExportWorker::ProgressUpdate> ExportWorker::TakeProgress() {
    std::lock_guard lock(shared_->mutex);
    shared_->progressPosted = false;
    return shared_->progress;
}

void ExportWorker::RunRequest(LPARAM carried) {
    const std::unique_ptr<std::shared_ptr<Request>> owned(reinterpret_cast<std::shared_ptr<Request>*>(carried));
    Request& request = **owned;
    Shared& shared = *request.shared;
    {
        std::lock_guard lock(shared.mutex);
        if (shared.abandoned) return;
    }
    request.task();
    {
        std::lock_guard lock(shared.mutex);
        request.done = true;
    }
    shared.answered.notify_all();
}

ExportResult ExportWorker::TakeResult() {
    if (thread_.joinable()) thread_.join();
    std::lock_guard lock(shared_->mutex);
    return std::move(shared_->result);
}

}  // namespace tabulora
