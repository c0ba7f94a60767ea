#include "engine/column_index.h"

namespace tabulora {

ColumnIndex::ColumnIndex() : slots_(64, 0) {}

uint64_t ColumnIndex::Hash(std::string_view name) {
    // FNV-1a: names are short, so a simple byte loop is as fast as anything else.
    uint64_t hash = 1469598103934665603ULL;
    for (const char c : name) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 1099511628211ULL;
    }
    return hash;
}

size_t ColumnIndex::Slot(std::string_view name, uint64_t hash) const {
    const size_t mask = slots_.size() - 1;
    for (size_t slot = hash & mask;; slot = (slot + 1) & mask) {
        const uint32_t entry = slots_[slot];
        if (entry == 0 || SameName(names_[entry - 1], name)) return slot;
    }
}

uint32_t ColumnIndex::FindColumn(std::string_view name) const { return slots_[Slot(name, Hash(name))]; }

uint32_t ColumnIndex::LookUp(std::string_view name) {
    const size_t slot = Slot(name, Hash(name));
    uint32_t column;
    if (slots_[slot]) {
        column = slots_[slot] - 1;
    } else {
        column = Size();
        names_.emplace_back(name);
        slots_[slot] = column + 1;
        if (names_.size() * 2 > slots_.size()) Rebuild(slots_.size() * 2);
    }
    predicted_ = column + 1;
    return column;
}

void ColumnIndex::Truncate(uint32_t count) {
    if (count >= names_.size()) return;
    names_.resize(count);
    predicted_ = 0;
    Rebuild(slots_.size());
}

void ColumnIndex::Rebuild(size_t slotCount) {
    slots_.assign(slotCount, 0);
    for (uint32_t column = 0; column < names_.size(); ++column)
        slots_[Slot(names_[column], Hash(names_[column]))] = column + 1;
}

}  // namespace tabulora
