#pragma once
// What the Preview window lets the user choose (which records, what becomes of arrays, which
// columns under which names) as one value, how that value shapes an export, and the texts the
// window shows about it. No windows here: the window draws its controls from these.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/csv_export.h"
#include "engine/recipe.h"
#include "engine/table_preview.h"
#include "engine/table_shape.h"

namespace tabulora::ui {

// The "Arrays:" choice, in the order the drop-down offers it.
enum class ArraysChoice {
    LeaveOut,      // the default conversion: arrays (and nested objects) are not written
    AsJsonText,    // flattened: nested objects become columns, each array one cell of its JSON text
    Joined,        // arrays of plain values as one cell, their values joined with a separator
    OnePerElement  // one row per element of the arrays chosen (several: side by side)
};

// One line of the column list.
struct ColumnChoice {
    std::string name;    // as the table names it
    std::string header;  // as the header line shows it: a rename when it differs from `name`
    bool included = true;
    std::optional<uint64_t> filled;  // rows that hold a value, once the whole inputs were scanned

    friend bool operator==(const ColumnChoice&, const ColumnChoice&) = default;
};

struct PreviewChoices {
    std::optional<JsonPath> records;  // none: Automatic, the records the default reading finds
    ArraysChoice arrays = ArraysChoice::LeaveOut;
    std::string joinSeparator = ";";
    std::vector<JsonPath> explode;  // with OnePerElement
    // The columns known so far, in the order written, each under its header (a rename applies
    // whether or not columns are chosen). While `columnsChosen` is false they only show what the
    // table has: every column is written, in the order met.
    std::vector<ColumnChoice> columns;
    bool columnsChosen = false;  // the user has left out or moved a column: only those checked, in this order

    friend bool operator==(const PreviewChoices&, const PreviewChoices&) = default;
};

// The choices that change nothing: the conversion that `settings` describes without a shape
// (arrays as JSON text when it flattens).
PreviewChoices DefaultChoices(const ExportSettings& settings);
// Whether the choices differ from the conversion of `settings` (the column list aside, unless
// columns were chosen or renamed): whether they make a shape worth keeping.
bool ChangesConversion(const PreviewChoices& choices, const ExportSettings& settings);

// The table shape the choices ask for; with `withColumns` false the column choice is left out, so
// that the table shows every column under its own name.
TableShape ShapeOf(const PreviewChoices& choices, bool withColumns = true);
// `settings` with the choices applied (shape and flattening).
ExportSettings WithChoices(ExportSettings settings, const PreviewChoices& choices, bool withColumns = true);

// Why the choices cannot be used ("Two columns are named "id"", a join without separator, ...), or
// empty when they can.
std::string ChoicesError(const PreviewChoices& choices);

// Takes the columns of a new reading into the list: lines known before keep their place and
// state; new names are added at the end, included unless columns are chosen (then they are
// offered, unchecked, as a column list of the command line leaves them out). A line that the
// reading lacks goes, unless the user has kept it included among chosen columns or renamed it (a
// later file may lack a column that is wanted).
void MergeColumns(PreviewChoices& choices, const std::vector<std::string>& found);
// The same for the columns of a scan of the whole inputs, which also gives each its count.
void MergeColumnScan(PreviewChoices& choices, const std::vector<std::pair<std::string, ColumnStats>>& scanned);

// Moves column `index` one place up (-1) or down (+1); returns its new index (the same when it
// cannot move).
size_t MoveColumn(PreviewChoices& choices, size_t index, int step);
// Renames column `index` for the header (the columns stay unchosen); an empty text restores its
// own name.
void RenameColumn(PreviewChoices& choices, size_t index, std::string_view header);
void IncludeColumn(PreviewChoices& choices, size_t index, bool included);

// A path as the window shows it: "data.items", "(top level)" for the values themselves.
std::string PathDisplayText(const JsonPath& path);
// An entry of "Records:": "data — 2 records", "data.items — 1 record".
std::string RecordsEntryText(const RecordsChoice& choice);
// The count shown beside a column after a scan: "2 values".
std::string FilledText(uint64_t filled);

// The note above the grid when the reading leaves records out (TablePreview::leftOut): "2 records
// under data are not in the table: choose data in Records". Several paths are named one after
// another. Empty when nothing was left out.
std::string LeftOutNote(const std::vector<RecordsChoice>& leftOut);

// The status line under the grid: "First 1,000 rows of data.json" (of the first input named;
// "data.json and 2 more files" for several), "All 37 rows", "No rows".
std::string PreviewStatusText(const TablePreview& preview, const std::vector<std::string>& inputNames);
// The main window's status bar while a shape is in force: "Shaped: 4 columns of data" (the
// records chosen, or the inputs for Automatic); "Shaped: every column of data" when the
// columns are not chosen.
std::string ShapedStatusText(const PreviewChoices& choices, const std::vector<std::string>& inputNames);

// A recipe of the conversion of `settings` with the choices; and the choices of a recipe read
// back (its reading options aside, which stay the main window's).
RecipeSettings RecipeOf(const ExportSettings& settings, const PreviewChoices& choices);
PreviewChoices ChoicesOfRecipe(const RecipeSettings& recipe);

}  // namespace tabulora::ui
