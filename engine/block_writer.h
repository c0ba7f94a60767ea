#pragma once
#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "engine/file_io.h"

namespace tabulora {

// A reusable piece of output bytes. A block moved from is empty and has no memory.
struct Block {
    std::unique_ptr<char[]> data;
    size_t capacity = 0;
    size_t size = 0;

    Block() = default;
    Block(Block&& other) noexcept { *this = std::move(other); }
    Block& operator=(Block&& other) noexcept {
        data = std::move(other.data);
        capacity = other.capacity;
        size = other.size;
        other.capacity = other.size = 0;
        return *this;
    }
    // Room for `bytes` bytes; the content is lost when it has to grow.
    void Reserve(size_t bytes) {
        if (bytes <= capacity) return;
        data.reset(new char[bytes]);
        capacity = bytes;
    }
};

// Writes blocks to a file on a helper thread, in order, while the caller makes the next ones.
// Written blocks come back for reuse, so the output runs through the same few buffers.
class BlockWriter {
public:
    explicit BlockWriter(ScratchFile& file);
    ~BlockWriter();  // stops; blocks not yet written are dropped
    BlockWriter(const BlockWriter&) = delete;
    BlockWriter& operator=(const BlockWriter&) = delete;

    // Queues a block; waits while several are queued already.
    void Write(Block block);
    // A written block to fill again (empty), or a new one.
    Block TakeFree();
    // Waits until everything queued is written. Returns the first write's failure, if any.
    FileResult Drain();

private:
    void Run();

    ScratchFile& file_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Block> queue_;
    size_t queueFront_ = 0;
    std::vector<Block> free_;
    bool writing_ = false;
    bool stopping_ = false;
    FileResult failure_;  // the first write that failed
    std::thread thread_;
};

}  // namespace tabulora
