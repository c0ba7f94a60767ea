#pragma once
#include <chrono>
#include <condition_variable>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

namespace tabulora::update {

// Runs `work` on a thread of its own and waits for it until `deadline`. Returns its result, or
// raises what it raised; returns nothing when the deadline passes first. The thread is then left
// to finish by itself: it owns everything it uses, and its late result is dropped on that
// thread. For blocking calls that cannot be given a time limit, such as a name lookup.
template <typename Result>
std::optional<Result> RunUntil(std::function<Result()> work, std::chrono::steady_clock::time_point deadline) {
    struct Shared {
        std::mutex lock;
        std::condition_variable finished;
        bool done = false;
        std::optional<Result> result;
        std::exception_ptr error;
    };
    auto shared = std::make_shared<Shared>();
    std::thread([shared, work = std::move(work)] {
        std::optional<Result> result;
        std::exception_ptr error;
        try {
            result.emplace(work());
        } catch (...) {
            error = std::current_exception();
        }
        const std::lock_guard guard(shared->lock);
        if (result) shared->result.emplace(std::move(*result));
        shared->error = error;
        shared->done = true;
        shared->finished.notify_all();
    }).detach();

    std::unique_lock lock(shared->lock);
    if (!shared->finished.wait_until(lock, deadline, [&] { return shared->done; })) return std::nullopt;
    if (shared->error) std::rethrow_exception(shared->error);
    return std::move(shared->result);
}

}  // namespace tabulora::update
