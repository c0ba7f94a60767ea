#include "engine/column_index.h"

#include <gtest/gtest.h>

namespace tabulora {
namespace {

TEST(ColumnIndex, KeepsOrderOfFirstAppearanceAndExactNames) {
    ColumnIndex columns;
    EXPECT_EQ(columns.AddColumn("id"), 0u);
    EXPECT_EQ(columns.AddColumn("Id"), 1u);
    EXPECT_EQ(columns.AddColumn("id"), 0u);
    EXPECT_EQ(columns.AddColumn("id "), 2u);
    EXPECT_EQ(columns.Names(), (std::vector<std::string>{"id", "Id", "id "}));
    EXPECT_EQ(columns.FindColumn("Id"), 2u);
    EXPECT_EQ(columns.FindColumn("ID"), 0u);
    EXPECT_EQ(columns.FindColumn(""), 0u);
}

TEST(ColumnIndex, FindsEveryNameAfterGrowingAndInAnyOrder) {
    ColumnIndex columns;
    const int count = 5000;  // far beyond the first table size
    for (int i = 0; i < count; ++i) ASSERT_EQ(columns.AddColumn("c" + std::to_string(i)), static_cast<uint32_t>(i));
    for (int i = count - 1; i >= 0; i -= 7)
        EXPECT_EQ(columns.AddColumn("c" + std::to_string(i)), static_cast<uint32_t>(i));
    for (int i = 0; i < count; i += 3)
        EXPECT_EQ(columns.FindColumn("c" + std::to_string(i)), static_cast<uint32_t>(i + 1));
    EXPECT_EQ(columns.Size(), static_cast<uint32_t>(count));
}

}  // namespace
}  // namespace tabulora
