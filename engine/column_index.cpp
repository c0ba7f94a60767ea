#include "engine/column_index.h"

#include <cstring>

namespace tabulora {
namespace {

// Byte equality without a library call for the short names that columns usually have.
bool SameName(const std::string& known, std::string_view name) {
    const size_t size = name.size();
    if (known.size() != size) return false;
    const char* a = known.data();
    const char* b = name.data();
    if (size >= 8 && size <= 16) {
        uint64_t a0, a1, b0, b1;
        std::memcpy(&a0, a, 8);
        std::memcpy(&b0, b, 8);
        std::memcpy(&a1, a + size - 8, 8);
        std::memcpy(&b1, b + size - 8, 8);
        return a0 == b0 && a1 == b1;
    }
    if (size < 8) {
        for (size_t i = 0; i < size; ++i)
            if (a[i] != b[i]) return false;
        return true;
    }
    return std::memcmp(a, b, size) == 0;
}

}  // namespace

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

uint32_t ColumnIndex::AddColumn(std::string_view name) {
    // After the last column the next record most likely starts again with the first.
    if (predicted_ >= names_.size()) predicted_ = 0;
    if (predicted_ < names_.size() && SameName(names_[predicted_], name)) return predicted_++;
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
