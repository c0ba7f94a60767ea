#pragma once
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

namespace tabulora {

// A growing byte buffer that writers fill through Reserve/Commit without per-byte checks. It grows
// with realloc, which moves a large buffer by remapping its pages rather than copying them, so a
// long value never needs room for two copies of itself.
class OutputBuffer {
public:
    static constexpr size_t kChunk = 64 * 1024;

    // Room for `count` more bytes at the end; Commit says how many were written.
    char* Reserve(size_t count) {
        if (capacity_ - size_ < count) Grow(count);
        return data_.get() + size_;
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

    const char* Data() const { return data_.get(); }
    char* Data() { return data_.get(); }
    size_t Size() const { return size_; }

    // Empties the buffer, keeping its memory.
    void Clear() { size_ = 0; }
    // Drops the bytes from `size` on.
    void Truncate(size_t size) {
        if (size < size_) size_ = size;
    }

private:
    void Grow(size_t count) {
        size_t capacity = capacity_ ? capacity_ * 2 : kChunk;
        while (capacity - size_ < count) capacity *= 2;
        void* bigger = std::realloc(data_.get(), capacity);
        if (!bigger) throw std::bad_alloc();
        (void)data_.release();
        data_.reset(static_cast<char*>(bigger));
        capacity_ = capacity;
    }

    struct FreeBytes {
        void operator()(char* bytes) const { std::free(bytes); }
    };
    std::unique_ptr<char, FreeBytes> data_;
    size_t size_ = 0;
    size_t capacity_ = 0;
};

}  // namespace tabulora
