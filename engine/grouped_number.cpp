#include "engine/grouped_number.h"

namespace tabulora {

std::string GroupedNumber(uint64_t number) {
    std::string digits = std::to_string(number);
    for (size_t at = digits.size(); at > 3; at -= 3) digits.insert(at - 3, ",");
    return digits;
}

}  // namespace tabulora
