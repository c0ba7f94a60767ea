#include "engine/column_index.h"

#include <gtest/gtest.h>

namespace tabulora {
namespace {

TEST(ColumnIndex, KeepsOrderOfFirstAppearanceAndExactNames) {
    ColumnIndex columns;
    EXPECT_EQ(columns.SutunAdiEkle("id"), 0u);
    EXPECT_EQ(columns.SutunAdiEkle("Id"), 1u);
    EXPECT_EQ(columns.SutunAdiEkle("id"), 0u);
    EXPECT_EQ(columns.SutunAdiEkle("id "), 2u);
    EXPECT_EQ(columns.Names(), (std::vector<std::string>{"id", "Id", "id "}));
    EXPECT_EQ(columns.SutunNoBul("Id"), 2u);
    EXPECT_EQ(columns.SutunNoBul("ID"), 0u);
    EXPECT_EQ(columns.SutunNoBul(""), 0u);
}

TEST(ColumnIndex, FindsEveryNameAfterGrowingAndInAnyOrder) {
    ColumnIndex columns;
    const int count = 5000;   // far beyond the first table size
    for (int i = 0; i < count; ++i) ASSERT_EQ(columns.SutunAdiEkle("c" + std::to_string(i)), static_cast<uint32_t>(i));
    for (int i = count - 1; i >= 0; i -= 7) EXPECT_EQ(columns.SutunAdiEkle("c" + std::to_string(i)), static_cast<uint32_t>(i));
    for (int i = 0; i < count; i += 3) EXPECT_EQ(columns.SutunNoBul("c" + std::to_string(i)), static_cast<uint32_t>(i + 1));
    EXPECT_EQ(columns.Size(), static_cast<uint32_t>(count));
}

}  // namespace
}  // namespace tabulora
