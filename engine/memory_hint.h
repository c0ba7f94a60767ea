#pragma once
#include <cstddef>

namespace tabulora {

// Asks the OS to back a large, not yet touched allocation with huge pages where it can (Linux):
// first touching hundreds of megabytes page by page costs more than converting them.
void PreferHugePages(void* data, size_t size);

}  // namespace tabulora
