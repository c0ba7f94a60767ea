#pragma once
#include <cstdint>
#include <cstring>
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
    uint32_t AddColumn(std::string_view name) {
        // Records usually repeat the previous record's member order; after the last column the
        // next record most likely starts again with the first.
        if (predicted_ >= names_.size()) predicted_ = 0;
        if (predicted_ < names_.size() && SameName(names_[predicted_], name)) return predicted_++;
        return LookUp(name);
    }
    // The 1-based column of `name`, or 0 when there is none.
    uint32_t FindColumn(std::string_view name) const;
    // Forgets the columns from `count` on.
    void Truncate(uint32_t count);
    const std::vector<std::string>& Names() const { return names_; }
    uint32_t Size() const { return static_cast<uint32_t>(names_.size()); }

private:
    // Byte equality without a library call for the short names that columns usually have.
    static bool SameName(const std::string& known, std::string_view name) {
        const size_t size = name.size();
        if (known.size() != size) return false;
        const char* a = known.data();
        const char* b = name.data();
        // Two overlapping words cover a name of 4 to 16 bytes.
        if (size >= 8 && size <= 16) return SameWords<uint64_t>(a, b, size);
        if (size >= 4 && size < 8) return SameWords<uint32_t>(a, b, size);
        if (size > 16) return std::memcmp(a, b, size) == 0;
        for (size_t i = 0; i < size; ++i)
            if (a[i] != b[i]) return false;
        return true;
    }
    template <class Word>
    static bool SameWords(const char* a, const char* b, size_t size) {
        Word a0, a1, b0, b1;
        std::memcpy(&a0, a, sizeof(Word));
        std::memcpy(&b0, b, sizeof(Word));
        std::memcpy(&a1, a + size - sizeof(Word), sizeof(Word));
        std::memcpy(&b1, b + size - sizeof(Word), sizeof(Word));
        return a0 == b0 && a1 == b1;
    }
    uint32_t LookUp(std::string_view name);
    static uint64_t Hash(std::string_view name);
    size_t Slot(std::string_view name, uint64_t hash) const;
    void Rebuild(size_t slotCount);

    std::vector<std::string> names_;
    std::vector<uint32_t> slots_;  // column + 1, or 0 for an empty slot
    uint32_t predicted_ = 0;       // the column expected next
};

}  // namespace tabulora
