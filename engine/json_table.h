#pragma once
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/conversion.h"
#include "engine/json_reader.h"
#include "engine/row_sink.h"
#include "engine/table_rows.h"

namespace tabulora {

inline CellKind CellKindOf(ScalarKind kind) {
    switch (kind) {
    case ScalarKind::String: return CellKind::String;
    case ScalarKind::Number: return CellKind::Number;
    case ScalarKind::True:
    case ScalarKind::False: return CellKind::Boolean;
    default: return CellKind::Null;
    }
}

// A table that JSON texts are read into, one after the other, each by a reader of its own.
class JsonTable {
public:
    virtual ~JsonTable() = default;
    // A reader for the next text; the table must outlive it.
    virtual std::unique_ptr<PieceReader> NewReader(const ReaderOptions& options) = 0;
    // Remembers the table's state before a text, so that the text can be taken back out again
    // (its rows are taken out of the sink by the caller).
    virtual void MarkTextStart() = 0;
    virtual void TakeBackText() = 0;
    // Completes the last row.
    virtual void Finish() = 0;
    virtual const TableRows& Rows() const = 0;
    // What the reading of the text since MarkTextStart leaves out that a user should know of, as
    // warnings naming the input (`inputName`).
    virtual std::vector<std::string> TextWarnings(std::string_view inputName) const = 0;
    // The records that the reading of the text since MarkTextStart left out, by the path of the
    // array holding them, with how many there were (what TextWarnings tells of them).
    virtual std::vector<std::pair<JsonPath, uint64_t>> LeftOutRecords() const { return {}; }
};

// The table that `options` ask for: the line table of the default conversion, the structured
// table when nested values are kept, the shaped table when the records are named by a path.
std::unique_ptr<JsonTable> MakeJsonTable(const CsvOptions& options, RowTarget rows);

}  // namespace tabulora
