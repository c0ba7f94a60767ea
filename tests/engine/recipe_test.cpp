// Recipes: the settings of a conversion read from and written to a small JSON file.
#include "engine/recipe.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "temp_folder.h"

namespace tabulora {
namespace {

// Every setting, one a line, each text quoted so that odd characters show.
std::string Described(const RecipeSettings& settings) {
    const CsvOptions& csv = settings.csv;
    const TableShape& shape = csv.shape;
    auto quoted = [](const std::string& text) { return ::testing::PrintToString(text); };
    auto path = [&](const JsonPath& steps) {
        std::string text = "[";
        for (const std::string& step : steps) text += quoted(step) + " ";
        return text + "]";
    };
    std::string text = "header " + std::to_string(csv.includeHeader) + "\nseparator " + quoted(csv.separator) +
                       "\nencoding " + (settings.encoding == TextEncoding::Ansi ? "ansi" : "utf-8") + "\nflatten " +
                       std::to_string(csv.flattenNested) + "\nbom " + std::to_string(csv.utf8Bom) + "\nformulaGuard " +
                       std::to_string(csv.formulaGuard) + "\nskipBadLines " + std::to_string(settings.skipBadLines) +
                       "\nrecords " + (shape.records ? path(*shape.records) : "none") + "\nexplode";
    for (const JsonPath& exploded : shape.explode) text += " " + path(exploded);
    text += "\njoin " + (shape.join ? quoted(*shape.join) : "none") + "\ncolumns";
    for (const std::string& column : shape.columns) text += " " + quoted(column);
    text += "\nrename";
    for (const auto& [from, to] : shape.renames) text += " " + quoted(from) + "=" + quoted(to);
    return text + "\n";
}

RecipeSettings Read(const std::string& text) {
    RecipeSettings settings;
    std::string error;
    EXPECT_TRUE(ReadRecipe(text, "r.json", settings, error)) << error;
    return settings;
}

struct ReadCase {
    const char* name;
    std::string text;
    RecipeSettings expected;
};

RecipeSettings Defaults() { return {}; }

RecipeSettings Example() {
    RecipeSettings settings;
    settings.csv.separator = ";";
    settings.csv.shape.records = JsonPath{"data"};
    settings.csv.shape.explode = {{"items"}};
    settings.csv.shape.join = ";";
    settings.csv.shape.columns = {"id", "items.sku"};
    settings.csv.shape.renames = {{"items.sku", "sku"}};
    return settings;
}

RecipeSettings Flipped() {
    RecipeSettings settings;
    settings.csv.includeHeader = false;
    settings.csv.flattenNested = true;
    settings.csv.utf8Bom = true;
    settings.csv.formulaGuard = true;
    settings.skipBadLines = true;
    settings.encoding = TextEncoding::Ansi;
    settings.csv.separator = "\t";
    return settings;
}

RecipeSettings OddNames() {
    RecipeSettings settings;
    settings.csv.shape.records = JsonPath{"a.b", "c\\d"};
    settings.csv.shape.explode = {{"x.y"}, {"p", "q"}};
    settings.csv.shape.columns = {"x.y", "p.q", "a,b"};
    return settings;
}

RecipeSettings TopLevelRecords() {
    RecipeSettings settings;
    settings.csv.shape.records = JsonPath{};
    settings.csv.separator = "";
    settings.csv.shape.join = "";
    return settings;
}

class RecipeReadTest : public ::testing::TestWithParam<ReadCase> {};

TEST_P(RecipeReadTest, GivesTheSettings) {
    EXPECT_EQ(Described(Read(GetParam().text)), Described(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RecipeReadTest,
    ::testing::Values(
        ReadCase{"VersionAloneKeepsTheDefaults", R"({"tabulora-recipe": 1})", Defaults()},
        ReadCase{"TheExample",
                 R"({"tabulora-recipe": 1, "records": "data", "explode": ["items"], "join": ";",
                     "columns": ["id", "items.sku"], "rename": {"items.sku": "sku"}, "separator": ";"})",
                 Example()},
        ReadCase{"VersionLastAndEveryFlagTurned",
                 "{\"header\": false, \"flatten\": true, \"bom\": true, \"formulaGuard\": true,\r\n"
                 "\"skipBadLines\": true, \"encoding\": \"ANSI\", \"separator\": \"\\t\", \"tabulora-recipe\": 1}\r\n",
                 Flipped()},
        ReadCase{"PathsAsArraysOfNamesNeedNoEscapes",
                 R"({"tabulora-recipe": 1, "records": ["a.b", "c\\d"], "explode": ["x\\.y", ["p", "q"]],
                     "columns": ["x.y", ["p", "q"], "a,b"]})",
                 OddNames()},
        ReadCase{"PathTextWithEscapes",
                 R"({"tabulora-recipe": 1, "records": "a\\.b.c\\\\d", "explode": ["x\\.y", "p.q"],
                     "columns": ["x.y", "p.q", "a,b"]})",
                 OddNames()},
        ReadCase{"DotAndEmptyArrayAreTheTopLevelValues",
                 R"({"tabulora-recipe": 1, "records": ".", "separator": "", "join": ""})", TopLevelRecords()},
        ReadCase{"EmptyArrayOfNames", R"({"tabulora-recipe": 1, "records": [], "separator": "", "join": ""})",
                 TopLevelRecords()},
        ReadCase{"ByteOrderMarkAndBlanks", "\xEF\xBB\xBF \n\t{ \"tabulora-recipe\" : 1 }\n\n", Defaults()}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Recipe, OneSeparatorCharacterMayTakeSeveralBytes) {
    EXPECT_EQ(Read("{\"tabulora-recipe\": 1, \"separator\": \"\xC2\xA7\"}").csv.separator, "\xC2\xA7");
}

struct ErrorCase {
    std::string text;
    std::string error;
};

// The file, the key, and where.
TEST(Recipe, ErrorsNameTheFileTheKeyAndThePlace) {
    const ErrorCase cases[] = {
        // The version.
        {R"({"records": "x"})",
         R"(r.json: not a recipe: the key "tabulora-recipe" (the recipe's version, 1) is missing)"},
        {R"({"tabulora-recipe": 2})",
         R"(r.json: line 1, column 21: the recipe's version "tabulora-recipe" is 2; this program reads version 1)"},
        {R"({"tabulora-recipe": 1.0})",
         R"(r.json: line 1, column 21: the recipe's version "tabulora-recipe" is 1.0; this program reads version 1)"},
        {R"({"tabulora-recipe": "1"})",
         R"(r.json: line 1, column 21: "tabulora-recipe" must be the number 1 (the recipe's version), not text)"},
        {"{\"tabulora-recipe\": 1,\n \"tabulora-recipe\": 1}",
         R"(r.json: line 2, column 2: the key "tabulora-recipe" is given twice)"},
        // Keys.
        {"{\"tabulora-recipe\": 1,\n  \"recods\": \"data\"}",
         R"(r.json: line 2, column 3: unknown key "recods" (a recipe knows header, separator, encoding, flatten, )"
         R"(bom, formulaGuard, skipBadLines, records, explode, join, columns, rename, and tabulora-recipe))"},
        {R"({"tabulora-recipe": 1, "join": ";", "join": ","})",
         R"(r.json: line 1, column 37: the key "join" is given twice)"},
        {"{\"tabulora-recipe\": 1, \"a\\tb\": 1}",
         R"(r.json: line 1, column 24: unknown key "a\tb" (a recipe knows header, separator, encoding, flatten, )"
         R"(bom, formulaGuard, skipBadLines, records, explode, join, columns, rename, and tabulora-recipe))"},
        // Values of the wrong type or form.
        {R"({"tabulora-recipe": 1, "header": "yes"})",
         R"(r.json: line 1, column 34: "header" must be true or false, not text)"},
        {R"({"tabulora-recipe": 1, "flatten": 1})",
         R"(r.json: line 1, column 35: "flatten" must be true or false, not a number)"},
        {R"({"tabulora-recipe": 1, "separator": 44})",
         R"(r.json: line 1, column 37: "separator" must be one character or "" (a TAB is "\t"), not a number)"},
        {R"({"tabulora-recipe": 1, "separator": "\\t"})",
         R"(r.json: line 1, column 37: "separator" must be one character or "" (a TAB is "\t"), not "\t")"},
        {R"({"tabulora-recipe": 1, "encoding": "latin1"})",
         R"(r.json: line 1, column 36: "encoding" must be "utf-8" or "ansi", not "latin1")"},
        {R"({"tabulora-recipe": 1, "join": null})", R"(r.json: line 1, column 32: "join" must be text, not null)"},
        {R"({"tabulora-recipe": 1, "records": {}})",
         R"(r.json: line 1, column 35: "records" must be a path: text such as "data.items" or an array of names, not an object)"},
        {R"({"tabulora-recipe": 1, "records": ""})", R"(r.json: line 1, column 35: "records": the path is empty)"},
        {R"({"tabulora-recipe": 1, "records": "a..b"})",
         R"(r.json: line 1, column 35: "records": a name in the path is empty)"},
        {R"({"tabulora-recipe": 1, "records": ["a", ""]})",
         R"(r.json: line 1, column 41: "records": a name in the path is empty)"},
        {R"({"tabulora-recipe": 1, "records": ["a", 3]})",
         R"(r.json: line 1, column 41: "records", name 2 must be text, not a number)"},
        {R"({"tabulora-recipe": 1, "explode": "items"})",
         R"(r.json: line 1, column 35: "explode" must be an array of paths, not text)"},
        {R"({"tabulora-recipe": 1, "explode": ["a", true]})",
         R"(r.json: line 1, column 41: "explode" path 2 must be a path: text such as "data.items" or an array of names, not true or false)"},
        {R"({"tabulora-recipe": 1, "explode": [["a.b", 3]]})",
         R"(r.json: line 1, column 44: "explode" path 1, name 2 must be text, not a number)"},
        {R"({"tabulora-recipe": 1, "columns": "id,name"})",
         R"(r.json: line 1, column 35: "columns" must be an array of column names, not text)"},
        {R"({"tabulora-recipe": 1, "columns": ["id", ""]})",
         R"(r.json: line 1, column 42: "columns" column 2: the column name is empty)"},
        {R"({"tabulora-recipe": 1, "columns": [[]]})",
         R"(r.json: line 1, column 36: "columns" column 1: the column name is empty)"},
        {R"({"tabulora-recipe": 1, "rename": ["a", "b"]})",
         R"(r.json: line 1, column 34: "rename" must be an object of old and new column names ({"old": "new"}), not an array)"},
        {R"({"tabulora-recipe": 1, "rename": {"a": 1}})",
         R"(r.json: line 1, column 40: "rename" of "a" must be text, not a number)"},
        {R"({"tabulora-recipe": 1, "rename": {"a": ""}})",
         R"(r.json: line 1, column 40: "rename" of "a": the new name is empty)"},
        {R"({"tabulora-recipe": 1, "rename": {"": "b"}})",
         R"(r.json: line 1, column 35: "rename": a column name is empty)"},
        // Not a recipe's JSON.
        {"[1]", R"(r.json: line 1, column 1: a recipe is one JSON object ({"tabulora-recipe": 1, ...}), not an array)"},
        {"", "r.json: not valid JSON at line 1, column 1, the text ends early: expected a value"},
        {"{\"tabulora-recipe\": 1,\n  \"header\": true,,\n}",
         "r.json: not valid JSON at line 2, column 18, expected a name in double quotes:   \"header\": true,,"},
        {"{\"tabulora-recipe\": 1, \"join\": \"a\tb\"}",
         "r.json: not valid JSON at line 1, column 34, a control character in a string (write it as an escape such "
         "as \\t or \\n): cipe\": 1, \"join\": \"a\\tb\"}"},
        {"{\"tabulora-recipe\": 1} {}",
         "r.json: not valid JSON at line 1, column 24, text after the end of the JSON value: abulora-recipe\": 1} {}"},
        {"{\"tabulora-recipe\": 1, \"join\": \"\xE9\"}",
         "r.json: line 1, column 33: not valid UTF-8 text (a recipe is a UTF-8 file)"},
        {"\xFF\xFE{\x00}\x00", "r.json: line 1, column 1: not valid UTF-8 text (a recipe is a UTF-8 file)"},
    };
    for (const ErrorCase& c : cases) {
        RecipeSettings settings;
        settings.csv.separator = "|";
        std::string error;
        EXPECT_FALSE(ReadRecipe(c.text, "r.json", settings, error)) << c.text;
        EXPECT_EQ(error, c.error) << c.text;
        EXPECT_EQ(settings.csv.separator, "|") << "a recipe that fails changes nothing: " << c.text;
    }
}

// Saved settings read back the same, and saving them again gives the same text.
TEST(Recipe, SavedSettingsReadBackTheSame) {
    RecipeSettings odd = OddNames();
    odd.csv.shape.renames = {{"x.y", "a=b"}, {"p.q", "caf\xC3\xA9 \"q\"\t\\"}};
    odd.csv.shape.join = " | ";
    RecipeSettings controls;
    controls.csv.shape.records = JsonPath{"line\nbreak", "\x01", "back\\slash", "quote\""};
    controls.csv.shape.columns = {"\x7F", "\xF0\x9F\x98\x80"};
    controls.csv.separator = "\"";
    for (const RecipeSettings& settings : {Defaults(), Example(), Flipped(), odd, TopLevelRecords(), controls}) {
        const std::string text = RecipeText(settings);
        const RecipeSettings read = Read(text);
        EXPECT_EQ(Described(read), Described(settings)) << text;
        EXPECT_EQ(RecipeText(read), text);
    }
}

TEST(Recipe, SavedTextIsPlainToRead) {
    EXPECT_EQ(RecipeText(Example()), "{\n"
                                     "  \"tabulora-recipe\": 1,\n"
                                     "  \"header\": true,\n"
                                     "  \"separator\": \";\",\n"
                                     "  \"encoding\": \"utf-8\",\n"
                                     "  \"flatten\": false,\n"
                                     "  \"bom\": false,\n"
                                     "  \"formulaGuard\": false,\n"
                                     "  \"skipBadLines\": false,\n"
                                     "  \"records\": \"data\",\n"
                                     "  \"explode\": [\"items\"],\n"
                                     "  \"join\": \";\",\n"
                                     "  \"columns\": [\"id\", \"items.sku\"],\n"
                                     "  \"rename\": {\"items.sku\": \"sku\"}\n"
                                     "}\n");
    EXPECT_NE(RecipeText(OddNames()).find("\"records\": [\"a.b\", \"c\\\\d\"]"), std::string::npos);
}

TEST(Recipe, CopiesOnlyTheNamedSettingsEachWhole) {
    RecipeSettings recipe = Example();
    RecipeSettings commandLine;
    commandLine.csv.separator = ",";
    commandLine.csv.shape.explode = {{"tags"}};
    RecipeKeys given;
    Mark(given, RecipeKey::Separator);
    Mark(given, RecipeKey::Explode);
    CopyRecipeSettings(commandLine, given, recipe);
    RecipeSettings expected = Example();
    expected.csv.separator = ",";
    expected.csv.shape.explode = {{"tags"}};
    EXPECT_EQ(Described(recipe), Described(expected));
}

TEST(RecipeFile, LoadsSavesAndReplacesWhole) {
    TempFolder folder;
    const std::string path = folder.Write("r.json",
                                          "old text that is longer than what replaces it, by far, by far, by far");
    ASSERT_EQ(SaveRecipeFile(path, Example()), "");
    EXPECT_EQ(TempFolder::Read(path), RecipeText(Example()));
    EXPECT_EQ(folder.Entries(), std::vector<std::string>{"r.json"});
    RecipeSettings loaded;
    std::string error;
    ASSERT_TRUE(LoadRecipeFile(path, loaded, error)) << error;
    EXPECT_EQ(Described(loaded), Described(Example()));
}

TEST(RecipeFile, FailuresSayWhy) {
    TempFolder folder;
    RecipeSettings settings;
    std::string error;
    const std::string missing = folder / "missing.json";
    EXPECT_FALSE(LoadRecipeFile(missing, settings, error));
    EXPECT_EQ(error.rfind("cannot read the recipe " + missing + ": ", 0), 0u) << error;

    const std::string big = folder.Write("big.json", "{\"tabulora-recipe\": 1, \"join\": \"" +
                                                         std::string(kMaxRecipeBytes, 'x') + "\"}");
    EXPECT_FALSE(LoadRecipeFile(big, settings, error));
    EXPECT_EQ(error, big + ": larger than 1 MiB, which no recipe is (a recipe is a small JSON file)");

    const std::string bad = folder.Write("bad.json", "{\"tabulora-recipe\": 1, \"x\": 1}");
    EXPECT_FALSE(LoadRecipeFile(bad, settings, error));
    EXPECT_EQ(error.rfind(bad + ": line 1, column 24: unknown key \"x\"", 0), 0u) << error;

    const std::string unwritable = folder / "no-such-folder/r.json";
    const std::string failure = SaveRecipeFile(unwritable, Example());
    EXPECT_EQ(failure.rfind("Cannot create file \"" + unwritable + "\". ", 0), 0u) << failure;
    EXPECT_EQ(folder.Entries(), (std::vector<std::string>{"bad.json", "big.json"}));
}

}  // namespace
}  // namespace tabulora
