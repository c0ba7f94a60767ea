#include "engine/table_rows.h"

#include <cstring>

namespace tabulora {

TableRows::TableRows(const CsvOptions& options, RowSink& rows)
    : fields_(options.separator, options.formulaGuard), rows_(rows), formulaGuard_(options.formulaGuard) {}

template <bool kGuard>
void TableRows::EndRowOf() {
    const std::string& separator = fields_.Separator();
    const uint32_t columnCount = columns_.Size();
    // Room for every cell quoted with all its bytes doubled (and an apostrophe before it), the
    // separators and the line break, and for the bytes written past a field's end.
    char* const start = rows_.Reserve(rowText_.Size() * 2 + columnCount * (separator.size() + 3) + 2 +
                                      CsvFieldWriter::kFieldSlack);
    char* out = start;
    for (uint32_t column = 0; column < columnCount; ++column) {
        if (column > 0) {
            if (separator.size() == 1) {
                *out++ = separator[0];
            } else {
                std::memcpy(out, separator.data(), separator.size());
                out += separator.size();
            }
        }
        if (CellSet(column)) {
            const Cell& cell = row_[column];
            const std::string_view text(rowText_.Data() + cell.offset, cell.length);
            if (kGuard && CsvFieldWriter::LooksLikeFormula(text))
                out = fields_.WriteGuardedField(out, text);
            else
                out = fields_.WriteFieldWithSlack(out, text);
        }
    }
    *out++ = '\r';
    *out++ = '\n';
    rows_.Commit(out - start);
    rows_.EndRow(columnCount);
    ++rowCount_;

    rowText_.Clear();
    rowHasCell_ = false;
    if (++rowGeneration_ == 0) {   // after 2^32 rows: forget old generations explicitly
        for (Cell& cell : row_) cell.generation = 0;
        rowGeneration_ = 1;
    }
}

void TableRows::EndRow() {
    if (formulaGuard_)
        EndRowOf<true>();
    else
        EndRowOf<false>();
}

std::string TableRows::HeaderLine() const {
    std::string header;
    for (uint32_t column = 0; column < columns_.Size(); ++column) {
        if (column > 0) header += fields_.Separator();
        fields_.AppendField(header, columns_.Names()[column]);
    }
    return header;
}

TableRows::Mark TableRows::MarkState() const {
    return Mark{columns_.Size(), rowCount_, row_, std::string(rowText_.Data(), rowText_.Size()), rowGeneration_,
                rowHasCell_};
}

void TableRows::Restore(const Mark& mark) {
    columns_.Truncate(mark.columnCount);
    rowCount_ = mark.rowCount;
    row_ = mark.row;
    rowText_.Clear();
    std::memcpy(rowText_.Reserve(mark.rowText.size() + CsvFieldWriter::kFieldSlack), mark.rowText.data(),
                mark.rowText.size());
    rowText_.Commit(mark.rowText.size());
    rowGeneration_ = mark.rowGeneration;
    rowHasCell_ = mark.rowHasCell;
}

}  // namespace tabulora
