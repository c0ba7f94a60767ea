#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tabulora {

// Column names in order of first appearance with a hash index; names compare byte for byte.
class ColumnIndex {
public:
    ColumnIndex();
    // Appends `name` when it is new. Returns its 0-based column, so that no second look-up
    // (FindColumn) is needed.
    uint32_t AddColumn(std::string_view name);
    // The 1-based column of `name`, or 0 when there is none.
    uint32_t FindColumn(std::string_view name) const;
    // Forgets the columns from `count` on.
    void Truncate(uint32_t count);
    const std::vector<std::string>& Names() const { return names_; }
    uint32_t Size() const { return static_cast<uint32_t>(names_.size()); }

private:
    static uint64_t Hash(std::string_view name);
    size_t Slot(std::string_view name, uint64_t hash) const;
    void Rebuild(size_t slotCount);

    std::vector<std::string> names_;
    std::vector<uint32_t> slots_;   // column + 1, or 0 for an empty slot
    uint32_t predicted_ = 0;        // records usually repeat the previous record's member order
};

}  // namespace tabulora
