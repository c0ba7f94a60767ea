#pragma once
#include <cstdint>
#include <string>

#include "engine/table_shape.h"

namespace tabulora {

// How the CSV is made.
struct CsvOptions {
    bool includeHeader = true;
    std::string separator = ",";  // UTF-8; one character or empty
    // Nested objects of a record become columns named by their path ("user.name"), and each
    // array in a record one cell of its compact JSON text (["a","b"]); an empty object gives {}.
    bool flattenNested = false;
    // A UTF-8 CSV begins with the byte-order mark EF BB BF, which spreadsheet programs need to
    // read it as UTF-8. Never in ANSI.
    bool utf8Bom = false;
    // A cell or column name that a spreadsheet would run as a formula (it begins with = + - @
    // TAB or CR and is not a number) is written with an apostrophe before it.
    bool formulaGuard = false;
    // Which records, arrays and columns make the table.
    TableShape shape;
};

// The first free variant of `path`: the path itself, else "<base> (N)<ext>" for N = 2, 3, ...
// Anything that stands at a name (a file, a folder, a link) makes it taken.
std::string UniqueFileName(const std::string& path);

// The multiple-files export's output for `inputPath` in `folder`: the input's file name without
// its last extension, plus `extension` (not yet made unique).
std::string CsvNameInFolder(const std::string& folder, const std::string& inputPath,
                            const std::string& extension = ".csv");

}  // namespace tabulora
