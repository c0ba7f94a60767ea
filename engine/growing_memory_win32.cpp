#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

#include "engine/growing_memory.h"

namespace tabulora {
namespace {

// From this size on a buffer lives in reserved address space (one copy moves it there).
constexpr size_t kReservedFrom = size_t{16} << 20;
// Address space reserved for it: enough that a value of many GiB never moves again.
constexpr size_t kReservation = size_t{64} << 30;

}  // namespace

GrowingMemory::~GrowingMemory() {
    if (reserved_)
        VirtualFree(data_, 0, MEM_RELEASE);
    else
        std::free(data_);
}

void GrowingMemory::Grow(size_t used, size_t capacity) {
    if (reserved_ == 0 && capacity < kReservedFrom) {
        void* bigger = std::realloc(data_, capacity);
        if (!bigger) throw std::bad_alloc();
        data_ = static_cast<char*>(bigger);
        capacity_ = capacity;
        return;
    }
    if (capacity <= reserved_) {  // more pages of the reservation
        if (!VirtualAlloc(data_ + capacity_, capacity - capacity_, MEM_COMMIT, PAGE_READWRITE)) throw std::bad_alloc();
        capacity_ = capacity;
        return;
    }
    const size_t reservation = std::max(kReservation, capacity * 4);
    void* base = VirtualAlloc(nullptr, reservation, MEM_RESERVE, PAGE_NOACCESS);
    if (!base) throw std::bad_alloc();
    if (!VirtualAlloc(base, capacity, MEM_COMMIT, PAGE_READWRITE)) {
        VirtualFree(base, 0, MEM_RELEASE);
        throw std::bad_alloc();
    }
    if (used) std::memcpy(base, data_, used);
    if (reserved_)
        VirtualFree(data_, 0, MEM_RELEASE);
    else
        std::free(data_);
    data_ = static_cast<char*>(base);
    capacity_ = capacity;
    reserved_ = reservation;
}

}  // namespace tabulora
