#include <cstdlib>
#include <new>

#include "engine/growing_memory.h"

namespace tabulora {

GrowingMemory::~GrowingMemory() { std::free(data_); }

void GrowingMemory::Grow(size_t, size_t capacity) {
    void* bigger = std::realloc(data_, capacity);
    if (!bigger) throw std::bad_alloc();
    data_ = static_cast<char*>(bigger);
    capacity_ = capacity;
}

}  // namespace tabulora
