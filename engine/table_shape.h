#pragma once
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tabulora {

// Member names leading into a JSON value, outermost first; a step that meets an array goes into
// every element of it.
using JsonPath = std::vector<std::string>;

// "data.items" gives {"data", "items"}; "\." stands for a dot and "\\" for a backslash inside a
// name; "." alone is the empty path, the top-level values themselves. Fails (false, with the
// reason in `error`) on an empty text, an empty name or a backslash before anything else.
bool ParseJsonPath(std::string_view text, JsonPath& path, std::string& error);
// The path as ParseJsonPath reads it.
std::string JsonPathText(const JsonPath& path);
// The column name of a path inside a record: its names joined with ".", as written.
std::string PathColumnName(const JsonPath& path);

// Which records, arrays and columns make the table. The default shape is the conversion's own:
// records found by their depth, nested values as the options say, every column.
struct TableShape {
    std::optional<JsonPath> records;   // the values at this path are the records
    std::vector<JsonPath> explode;     // inside each record, one row per element of these arrays
    std::optional<std::string> join;   // arrays of plain values as one cell of their values joined
    std::vector<std::string> columns;  // only these columns, in this order (empty: every column)
    std::vector<std::pair<std::string, std::string>> renames;  // column name, header text
    bool countColumns = false;                                 // keep what each column holds (TableRows::ColumnSummary)

    // Whether any of it is asked for; arrays exploded or joined keep nested values.
    bool KeepsNested() const { return !explode.empty() || join.has_value(); }
    bool ChoosesColumns() const { return !columns.empty() || !renames.empty(); }
};

// Why a shape cannot be used (an exploded path inside another, two columns renamed alike, ...),
// or empty when it can.
std::string ShapeError(const TableShape& shape);

}  // namespace tabulora
