#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <stdexcept>
#include <thread>

#include "update/run_until.h"

using namespace tabulora::update;
using namespace std::chrono;

namespace {

// Counts the values alive, so a test can see that a late result is dropped.
struct Tracked {
    static inline std::atomic<int> alive{0};
    int value;
    explicit Tracked(int v) : value(v) { ++alive; }
    Tracked(Tracked&& other) noexcept : value(other.value) { ++alive; }
    ~Tracked() { --alive; }
};

}  // namespace

TEST(RunUntil, GivesTheResultOrTheErrorOfWorkThatEndsInTime) {
    const auto deadline = steady_clock::now() + seconds(30);
    EXPECT_EQ(RunUntil<int>([] { return 42; }, deadline), 42);
    EXPECT_THROW(RunUntil<int>([]() -> int { throw std::runtime_error("lookup failed"); }, deadline),
                 std::runtime_error);
}

TEST(RunUntil, StopsWaitingAtTheDeadlineAndTheWorkEndsOnItsOwn) {
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    const auto start = steady_clock::now();
    // Work that blocks until the test releases it, as a lookup that never answers would.
    const std::optional<Tracked> result = RunUntil<Tracked>(
        [released] {
            released.wait();
            return Tracked(7);
        },
        start + milliseconds(300));
    const auto waited = steady_clock::now() - start;
    EXPECT_FALSE(result.has_value());
    EXPECT_GE(waited, milliseconds(300));
    EXPECT_LT(waited, seconds(20));

    // Released late, the work finishes and its result is dropped on its own thread.
    release.set_value();
    const auto end = steady_clock::now() + seconds(20);
    while (Tracked::alive != 0 && steady_clock::now() < end) std::this_thread::sleep_for(milliseconds(10));
    EXPECT_EQ(Tracked::alive, 0);
}
