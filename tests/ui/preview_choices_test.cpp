// The Preview window's choices as a value: the shape they make, the column list through new
// readings, the texts shown, and recipes.
#include "ui/preview_choices.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tabulora::ui {
namespace {

ColumnChoice Column(const std::string& name, bool included = true, const std::string& header = "") {
    return {name, header.empty() ? name : header, included, std::nullopt};
}

TEST(PreviewChoicesTest, DefaultChoicesMakeNoShapeAndFollowFlattening) {
    ExportSettings settings;
    PreviewChoices plain = DefaultChoices(settings);
    EXPECT_EQ(plain.arrays, ArraysChoice::LeaveOut);
    EXPECT_FALSE(ChangesConversion(plain, settings));
    const ExportSettings applied = WithChoices(settings, plain);
    EXPECT_FALSE(applied.csv.flattenNested);
    EXPECT_FALSE(applied.csv.shape.records);
    EXPECT_FALSE(applied.csv.shape.KeepsNested());
    EXPECT_FALSE(applied.csv.shape.ChoosesColumns());

    // The columns found by a reading are no choice of the user's.
    MergeColumns(plain, {"id", "name"});
    EXPECT_FALSE(ChangesConversion(plain, settings));
    EXPECT_TRUE(ShapeOf(plain).columns.empty());

    settings.csv.flattenNested = true;
    const PreviewChoices flat = DefaultChoices(settings);
    EXPECT_EQ(flat.arrays, ArraysChoice::AsJsonText);
    EXPECT_FALSE(ChangesConversion(flat, settings));
    EXPECT_TRUE(WithChoices(settings, flat).csv.flattenNested);
    // Leaving arrays out when the main window flattens is a change.
    EXPECT_TRUE(ChangesConversion(DefaultChoices(ExportSettings{}), settings));
}

TEST(PreviewChoicesTest, ChoicesMakeTheShape) {
    PreviewChoices choices;
    choices.records = JsonPath{"data"};
    choices.arrays = ArraysChoice::OnePerElement;
    choices.explode = {{"items"}, {"tags"}};
    choices.joinSeparator = "/";
    choices.columns = {Column("id"), Column("name", false), Column("items.sku", true, "sku")};
    choices.columnsChosen = true;
    TableShape shape = ShapeOf(choices);
    EXPECT_EQ(shape.records, (JsonPath{"data"}));
    EXPECT_EQ(shape.explode, (std::vector<JsonPath>{{"items"}, {"tags"}}));
    EXPECT_FALSE(shape.join);  // the separator waits for "Joined with"
    EXPECT_EQ(shape.columns, (std::vector<std::string>{"id", "items.sku"}));
    ASSERT_EQ(shape.renames.size(), 1u);
    EXPECT_EQ(shape.renames[0], (std::pair<std::string, std::string>{"items.sku", "sku"}));
    EXPECT_TRUE(ShapeOf(choices, false).columns.empty());
    EXPECT_TRUE(ShapeOf(choices, false).renames.empty());

    choices.arrays = ArraysChoice::Joined;
    shape = ShapeOf(choices);
    EXPECT_TRUE(shape.explode.empty());
    EXPECT_EQ(shape.join, "/");
    EXPECT_FALSE(WithChoices(ExportSettings{}, choices).csv.flattenNested);
}

TEST(PreviewChoicesTest, ErrorsNameWhatCannotBeUsed) {
    struct Case {
        const char* name;
        PreviewChoices choices;
        std::string error;
    };
    PreviewChoices emptyJoin;
    emptyJoin.arrays = ArraysChoice::Joined;
    emptyJoin.joinSeparator = "";
    PreviewChoices sameNames;
    sameNames.columns = {Column("a", true, "x"), Column("b", true, "x")};
    sameNames.columnsChosen = true;
    PreviewChoices noneChecked;
    noneChecked.columns = {Column("a", false)};
    noneChecked.columnsChosen = true;
    PreviewChoices fine = sameNames;
    fine.columns[1].included = false;  // a column left out does not clash
    const Case cases[] = {
        {"empty join", emptyJoin, "Type the text that joins the values of an array."},
        {"same header twice", sameNames, "Two columns are named \"x\"."},
        {"no column", noneChecked, "Check at least one column."},
        {"fine", fine, ""},
    };
    for (const Case& c : cases) EXPECT_EQ(ChoicesError(c.choices), c.error) << c.name;
}

TEST(PreviewChoicesTest, ColumnListKeepsTheUsersLinesThroughNewReadings) {
    PreviewChoices choices;
    MergeColumns(choices, {"id", "name", "note"});
    ASSERT_EQ(choices.columns.size(), 3u);
    // Not chosen: a reading that lacks a column drops it.
    MergeColumns(choices, {"id", "name"});
    EXPECT_EQ(choices.columns, (std::vector<ColumnChoice>{Column("id"), Column("name")}));

    MergeColumns(choices, {"id", "name", "note", "city"});
    IncludeColumn(choices, 1, false);           // name out
    EXPECT_EQ(MoveColumn(choices, 3, -1), 2u);  // city before note
    EXPECT_EQ(MoveColumn(choices, 0, -1), 0u);  // the first cannot go up
    EXPECT_EQ(MoveColumn(choices, 3, +1), 3u);  // nor the last down
    RenameColumn(choices, 0, "ID");
    EXPECT_TRUE(choices.columnsChosen);  // by the check and the move
    EXPECT_EQ(choices.columns, (std::vector<ColumnChoice>{Column("id", true, "ID"), Column("name", false),
                                                          Column("city"), Column("note")}));
    // A later reading without city and name: the checked city stays, the unchecked name goes;
    // a new column comes at the end, offered but not checked.
    MergeColumns(choices, {"note", "id", "zip"});
    EXPECT_EQ(choices.columns, (std::vector<ColumnChoice>{Column("id", true, "ID"), Column("city"), Column("note"),
                                                          Column("zip", false)}));
    RenameColumn(choices, 0, "");
    EXPECT_EQ(choices.columns[0].header, "id");
    EXPECT_EQ(ShapeOf(choices).columns, (std::vector<std::string>{"id", "city", "note"}));

    // The scan of the whole inputs gives counts; a kept column it never met holds none.
    MergeColumnScan(choices, {{"id", {5, 0}}, {"note", {2, 0}}, {"zip", {1, 0}}, {"late", {1, 0}}});
    ASSERT_EQ(choices.columns.size(), 5u);
    EXPECT_EQ(choices.columns[1].name, "city");
    EXPECT_EQ(choices.columns[1].filled, 0u);
    EXPECT_EQ(choices.columns[0].filled, 5u);
    EXPECT_EQ(choices.columns[4].name, "late");
    EXPECT_EQ(choices.columns[4].filled, 1u);
    EXPECT_FALSE(choices.columns[4].included);
}

TEST(PreviewChoicesTest, RenamesAloneKeepEveryColumn) {
    const ExportSettings settings;
    PreviewChoices choices;
    MergeColumns(choices, {"id", "name"});
    RenameColumn(choices, 1, "who");
    EXPECT_FALSE(choices.columnsChosen);
    EXPECT_TRUE(ChangesConversion(choices, settings));
    const TableShape shape = ShapeOf(choices);
    EXPECT_TRUE(shape.columns.empty());
    EXPECT_EQ(shape.renames, (std::vector<std::pair<std::string, std::string>>{{"name", "who"}}));
    // A reading without the renamed column keeps its rename; new columns come in checked.
    MergeColumns(choices, {"id", "city"});
    EXPECT_EQ(choices.columns, (std::vector<ColumnChoice>{Column("id"), Column("name", true, "who"), Column("city")}));
    EXPECT_EQ(ShapedStatusText(choices, {"a.json"}), "Shaped: every column of a.json");

    // So does a recipe of renames only.
    RecipeSettings recipe;
    recipe.csv.shape.renames = {{"name", "who"}};
    const PreviewChoices loaded = ChoicesOfRecipe(recipe);
    EXPECT_FALSE(loaded.columnsChosen);
    EXPECT_EQ(ShapeOf(loaded).renames, shape.renames);
    EXPECT_TRUE(ShapeOf(loaded).columns.empty());
}

TEST(PreviewChoicesTest, Texts) {
    EXPECT_EQ(RecordsEntryText({{"data"}, 2}), "data \u2014 2 records");
    EXPECT_EQ(RecordsEntryText({{"data", "items"}, 1}), "data.items \u2014 1 record");
    EXPECT_EQ(RecordsEntryText({{}, 1234}), "(top level) \u2014 1,234 records");
    EXPECT_EQ(FilledText(1), "1 value");
    EXPECT_EQ(FilledText(12000), "12,000 values");

    TablePreview preview;
    EXPECT_EQ(PreviewStatusText(preview, {"C:\\in\\data.json"}), "No rows");
    preview.textLimitReached = true;
    EXPECT_EQ(PreviewStatusText(preview, {"C:\\in\\data.json"}), "No row ends in the first 32 MiB of data.json");
    preview.textLimitReached = false;
    preview.rows.assign(1000, {"x"});
    EXPECT_EQ(PreviewStatusText(preview, {"C:\\in\\data.json"}), "First 1,000 rows of data.json");
    EXPECT_EQ(PreviewStatusText(preview, {"/in/a.json", "b.json", "c.json"}),
              "First 1,000 rows of a.json and 2 more files");
    preview.rows.resize(1);
    EXPECT_EQ(PreviewStatusText(preview, {"data.json"}), "First row of data.json");
    preview.rows.resize(37);
    preview.complete = true;
    EXPECT_EQ(PreviewStatusText(preview, {"data.json"}), "All 37 rows");

    PreviewChoices choices;
    choices.records = JsonPath{"data"};
    EXPECT_EQ(ShapedStatusText(choices, {"d.json"}), "Shaped: every column of data");
    choices.columns = {Column("id"), Column("name"), Column("x", false), Column("tags"), Column("note")};
    choices.columnsChosen = true;
    EXPECT_EQ(ShapedStatusText(choices, {"d.json"}), "Shaped: 4 columns of data");
    choices.records.reset();
    EXPECT_EQ(ShapedStatusText(choices, {"C:\\d.json"}), "Shaped: 4 columns of d.json");
}

TEST(PreviewChoicesTest, LeftOutNoteNamesTheRecordsAndTheChoice) {
    struct Case {
        std::vector<RecordsChoice> leftOut;
        std::string note;
    };
    const Case cases[] = {
        {{}, ""},
        {{{{"data"}, 2}}, "2 records under data are not in the table: choose data in Records"},
        {{{{"data", "items"}, 1}}, "1 record under data.items is not in the table: choose data.items in Records"},
        {{{{"rows"}, 1002}, {{"more"}, 3}},
         "1,002 records under rows are not in the table: choose rows in Records; "
         "3 records under more are not in the table: choose more in Records"},
    };
    for (const Case& c : cases) EXPECT_EQ(LeftOutNote(c.leftOut), c.note);
}

TEST(PreviewChoicesTest, RecipeRoundTripKeepsTheChoices) {
    ExportSettings settings;
    settings.csv.separator = ";";
    PreviewChoices choices;
    choices.records = JsonPath{"data"};
    choices.arrays = ArraysChoice::OnePerElement;
    choices.explode = {{"items"}};
    choices.columns = {Column("id"), Column("skip", false), Column("items.sku", true, "sku")};
    choices.columnsChosen = true;
    const RecipeSettings recipe = RecipeOf(settings, choices);
    EXPECT_EQ(recipe.csv.separator, ";");

    RecipeSettings read;
    std::string error;
    ASSERT_TRUE(ReadRecipe(RecipeText(recipe), "r.tabulora.json", read, error)) << error;
    const PreviewChoices back = ChoicesOfRecipe(read);
    EXPECT_EQ(back.records, choices.records);
    EXPECT_EQ(back.arrays, ArraysChoice::OnePerElement);
    EXPECT_EQ(back.explode, choices.explode);
    EXPECT_TRUE(back.columnsChosen);
    EXPECT_EQ(back.columns, (std::vector<ColumnChoice>{Column("id"), Column("items.sku", true, "sku")}));
    EXPECT_EQ(ShapeOf(back).columns, ShapeOf(choices).columns);

    // Arrays as a recipe has them.
    RecipeSettings joined;
    joined.csv.shape.join = " | ";
    EXPECT_EQ(ChoicesOfRecipe(joined).arrays, ArraysChoice::Joined);
    EXPECT_EQ(ChoicesOfRecipe(joined).joinSeparator, " | ");
    RecipeSettings flat;
    flat.csv.flattenNested = true;
    EXPECT_EQ(ChoicesOfRecipe(flat).arrays, ArraysChoice::AsJsonText);
    EXPECT_FALSE(ChoicesOfRecipe(RecipeSettings{}).columnsChosen);
}

}  // namespace
}  // namespace tabulora::ui
