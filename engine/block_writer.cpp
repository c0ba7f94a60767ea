#include "engine/block_writer.h"

namespace tabulora {
namespace {

constexpr size_t kQueueDepth = 4;

}  // namespace

BlockWriter::BlockWriter(ScratchFile& file) : file_(file), thread_([this] { Run(); }) {}

BlockWriter::~BlockWriter() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

void BlockWriter::Write(Block block) {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return queue_.size() - queueFront_ < kQueueDepth; });
    queue_.push_back(std::move(block));
    changed_.notify_all();
}

Block BlockWriter::TakeFree() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (free_.empty()) return Block{};
    Block block = std::move(free_.back());
    free_.pop_back();
    block.size = 0;
    return block;
}

std::string BlockWriter::Drain() {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return queueFront_ == queue_.size() && !writing_; });
    return error_;
}

void BlockWriter::Run() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return stopping_ || queueFront_ < queue_.size(); });
        if (stopping_) return;
        Block block = std::move(queue_[queueFront_++]);
        if (queueFront_ == queue_.size()) {
            queue_.clear();
            queueFront_ = 0;
        }
        writing_ = true;
        const bool failedBefore = !error_.empty();
        lock.unlock();
        std::string error;
        // After a failure the rest is not written; Drain reports the first error.
        const bool ok = failedBefore || file_.Write(block.data.get(), block.size, error);
        lock.lock();
        writing_ = false;
        if (!ok) error_ = error;
        free_.push_back(std::move(block));
        changed_.notify_all();
    }
}

}  // namespace tabulora
