#pragma once
// A recipe: how the inputs are read and the table is made, kept in a small JSON file so that the
// same conversion can be run again. It holds no inputs and no outputs.
//
//   {"tabulora-recipe": 1, "records": "data", "explode": ["items"], "join": ";",
//    "columns": ["id", "items.sku"], "rename": {"items.sku": "sku"}, "separator": ";"}
//
// Keys (each optional except the version): "header", "flatten", "bom", "formulaGuard",
// "skipBadLines" (true or false); "separator" (one character or ""); "encoding" ("utf-8" or
// "ansi"); "join" (text); "records" (a path); "explode" (an array of paths); "columns" (an array
// of column names); "rename" (an object of old names and new ones). A path is text as on the
// command line ("data.items", "\." for a dot in a name) or an array of its names, each one step
// ("data", "items"), which needs no escaping; so may a column name be, its names joined by ".".
#include <bitset>
#include <cstddef>
#include <string>
#include <string_view>

#include "engine/conversion.h"
#include "engine/text_codec.h"

namespace tabulora {

// The settings a recipe holds.
struct RecipeSettings {
    CsvOptions csv;  // without shape.countColumns, which is no part of a recipe
    TextEncoding encoding = TextEncoding::Utf8;
    bool skipBadLines = false;  // read the inputs as JSON Lines, skipping the lines that are no JSON value
};

// One key of a recipe each.
enum class RecipeKey {
    Header,
    Separator,
    Encoding,
    Flatten,
    Bom,
    FormulaGuard,
    SkipBadLines,
    Records,
    Explode,
    Join,
    Columns,
    Rename,
};
inline constexpr size_t kRecipeKeyCount = 12;
using RecipeKeys = std::bitset<kRecipeKeyCount>;

inline void Mark(RecipeKeys& keys, RecipeKey key) { keys.set(static_cast<size_t>(key)); }

// The settings named by `keys` copied from `from` over `to`, each whole (a list replaces a list).
void CopyRecipeSettings(const RecipeSettings& from, RecipeKeys keys, RecipeSettings& to);

// "utf-8" (also "utf8", "UTF-8") or "ansi" ("ANSI"); false for any other name.
bool ReadEncodingName(std::string_view name, TextEncoding& encoding);

// Reads the text of a recipe (UTF-8, a byte-order mark allowed) into `settings`, the keys it
// leaves out at their defaults. On failure `error` says why, beginning with `fileName` and, where
// a place in the text is to blame, its line and column.
bool ReadRecipe(std::string_view text, std::string_view fileName, RecipeSettings& settings, std::string& error);

// Recipes are small; a larger file is refused before it is read.
inline constexpr size_t kMaxRecipeBytes = 1 << 20;

// Reads the recipe file at `path` (UTF-8) as ReadRecipe does, with `path` naming it.
bool LoadRecipeFile(const std::string& path, RecipeSettings& settings, std::string& error);

// The text of a recipe that ReadRecipe reads back to `settings`: every key, one a line. Paths
// whose names hold "." or "\" are written as arrays of names.
std::string RecipeText(const RecipeSettings& settings);

// Writes RecipeText(settings) to `path` as an output file is written: through a temporary file
// that takes the place of what was there only when complete. Returns the message for the user
// ("Cannot create file ...") on failure, else empty.
std::string SaveRecipeFile(const std::string& path, const RecipeSettings& settings);

}  // namespace tabulora
