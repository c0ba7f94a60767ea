#include "engine/json_table.h"

#include "engine/line_table.h"
#include "engine/shaped_table.h"
#include "engine/structured_table.h"

namespace tabulora {

std::unique_ptr<JsonTable> MakeJsonTable(const CsvOptions& options, RowTarget rows) {
    if (options.shape.records) return std::make_unique<ShapedTable>(options, rows);
    if (options.flattenNested || options.shape.KeepsNested()) return std::make_unique<StructuredTable>(options, rows);
    return std::make_unique<LineTable>(options, rows);
}

}  // namespace tabulora
