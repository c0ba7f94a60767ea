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

FileResult BlockWriter::Drain() {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return queueFront_ == queue_.size() && !writing_; });
    return failure_;
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
        const bool failedBefore = failure_.Failed();
        lock.unlock();
        // After a failure the rest is not written; Drain reports the first failure.
        FileResult written = failedBefore ? FileResult() : file_.Write(std::string_view(block.data.get(), block.size));
        lock.lock();
        writing_ = false;
        if (written.Failed()) failure_ = std::move(written);
        free_.push_back(std::move(block));
        changed_.notify_all();
    }
}

}  // namespace tabulora
