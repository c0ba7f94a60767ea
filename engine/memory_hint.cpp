#include "engine/memory_hint.h"

#include <cstdint>

#ifdef __linux__
#include <sys/mman.h>
#endif

namespace tabulora {

void PreferHugePages([[maybe_unused]] void* data, [[maybe_unused]] size_t size) {
#ifdef __linux__
    constexpr uintptr_t kHugePage = 2 << 20;
    if (size < 2 * kHugePage) return;
    const uintptr_t begin = (reinterpret_cast<uintptr_t>(data) + kHugePage - 1) & ~(kHugePage - 1);
    const uintptr_t end = (reinterpret_cast<uintptr_t>(data) + size) & ~(kHugePage - 1);
    if (end > begin) madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#endif
}

}  // namespace tabulora
