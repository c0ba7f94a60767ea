#pragma once
#include <cstdint>
#include <string>

namespace tabulora {

// "661,358": digits grouped by thousands.
std::string GroupedNumber(uint64_t number);

}  // namespace tabulora
