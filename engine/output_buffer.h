#pragma once
#include <cstddef>
#include <cstring>

#include "engine/growing_memory.h"

namespace tabulora {

// A growing byte buffer that writers fill through Reserve/Commit without per-byte checks. Its
// memory grows without a second copy of the bytes (GrowingMemory), so a long value never needs
// room for itself twice.
class OutputBuffer {
public:
    static constexpr size_t kChunk = 64 * 1024;

    // Room for `count` more bytes at the end; Commit says how many were written.
    char* Reserve(size_t count) {
        if (memory_.Capacity() - size_ < count) Grow(count);
        return memory_.Data() + size_;
    }
    void Commit(size_t count) { size_ += count; }

    void Append(const char* bytes, size_t count) {
        std::memcpy(Reserve(count), bytes, count);
        size_ += count;
    }
    void Append(char byte) {
        *Reserve(1) = byte;
        ++size_;
    }

    const char* Data() const { return memory_.Data(); }
    char* Data() { return memory_.Data(); }
    size_t Size() const { return size_; }

    // Empties the buffer, keeping its memory.
    void Clear() { size_ = 0; }
    // Drops the bytes from `size` on.
    void Truncate(size_t size) {
        if (size < size_) size_ = size;
    }

private:
    void Grow(size_t count) {
        size_t capacity = memory_.Capacity() ? memory_.Capacity() * 2 : kChunk;
        while (capacity - size_ < count) capacity *= 2;
        memory_.Grow(size_, capacity);
    }

    GrowingMemory memory_;
    size_t size_ = 0;
};

}  // namespace tabulora
