#pragma once
#include <cstddef>

namespace tabulora {

// The memory of a byte buffer that may grow very large. Growing keeps its bytes without ever
// holding two copies of them: on Linux realloc moves a large block by remapping its pages; on
// Windows, whose heap copies, a large block is address space reserved far ahead, its pages
// committed as the buffer grows.
class GrowingMemory {
public:
    GrowingMemory() = default;
    ~GrowingMemory();
    GrowingMemory(const GrowingMemory&) = delete;
    GrowingMemory& operator=(const GrowingMemory&) = delete;

    char* Data() const { return data_; }
    size_t Capacity() const { return capacity_; }
    // Room for at least `capacity` bytes, the first `used` of them kept. Throws std::bad_alloc.
    void Grow(size_t used, size_t capacity);

private:
    char* data_ = nullptr;
    size_t capacity_ = 0;
    [[maybe_unused]] size_t reserved_ = 0;  // Windows: the address space reserved at data_, or 0 for a heap block
};

}  // namespace tabulora
