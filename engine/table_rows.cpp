#include "engine/table_rows.h"

#include <algorithm>
#include <cstring>

#include "engine/cell_escapes.h"
#include "engine/utf.h"

namespace tabulora {
namespace {

// A row whose text is longer than this is written cell by cell, and its longer cells part by part
// (each part ending where a character ends, for an output encoding that converts them), so that
// it never needs room in the output for all of itself at once.
constexpr size_t kLongBytes = 1 << 20;

// The length of a part of at most `limit` bytes at the start of `text` that ends where a UTF-8
// character ends.
size_t CharacterPart(std::string_view text, size_t limit) {
    if (text.size() <= limit) return text.size();
    size_t size = limit;
    while (size > limit - 4 && ContinuesUtf8Character(text[size])) --size;
    return size;
}

}  // namespace

TableRows::TableRows(const CsvOptions& options, RowTarget rows)
    : fields_(options.separator, options.formulaGuard),
      rows_(rows.lines),
      cellRows_(rows.cells),
      renames_(options.shape.renames),
      formulaGuard_(options.formulaGuard),
      countColumns_(options.shape.countColumns) {
    if (options.shape.columns.empty()) return;
    choice_ = std::make_unique<ColumnChoice>();
    choice_->names = options.shape.columns;
    choice_->columnAt.assign(choice_->names.size(), kNotWritten);
}

// A column seen for the first time: written at the place it is chosen for, if any.
void TableRows::ColumnChoice::Learn(const std::string& name) {
    const auto place = std::find(names.begin(), names.end(), name);
    if (place == names.end()) {
        outputOf.push_back(kNotWritten);
        return;
    }
    const auto index = static_cast<uint32_t>(place - names.begin());
    columnAt[index] = static_cast<uint32_t>(outputOf.size());
    outputOf.push_back(index);
}

template <bool kGuard, bool kChosen>
void TableRows::EndRowOf() {
    if (rowText_.Size() > kLongBytes) return EndLongRow<kGuard, kChosen>();
    const std::string& separator = fields_.Separator();
    const uint32_t columnCount = ColumnCount();
    // Room for every cell quoted with all its bytes doubled (and an apostrophe before it), the
    // separators and the line break, and for the bytes written past a field's end.
    char* const start = rows_->Reserve(rowText_.Size() * 2 + columnCount * (separator.size() + 3) + 2 +
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
        const uint32_t source = kChosen ? choice_->columnAt[column] : column;
        if (source != kNotWritten && CellSet(source)) {
            const Cell& cell = row_[source];
            const std::string_view text(rowText_.Data() + cell.offset, cell.length);
            if (kGuard && CsvFieldWriter::LooksLikeFormula(text))
                out = fields_.WriteGuardedField(out, text);
            else
                out = fields_.WriteFieldWithSlack(out, text);
        }
    }
    *out++ = '\r';
    *out++ = '\n';
    rows_->Commit(out - start);
    rows_->EndRow(columnCount);
    StartNextRow();
}

template <bool kGuard, bool kChosen>
void TableRows::EndLongRow() {
    const std::string& separator = fields_.Separator();
    const uint32_t columnCount = ColumnCount();
    for (uint32_t column = 0; column < columnCount; ++column) {
        if (column > 0) {
            std::memcpy(rows_->Reserve(separator.size()), separator.data(), separator.size());
            rows_->Commit(separator.size());
        }
        const uint32_t source = kChosen ? choice_->columnAt[column] : column;
        if (source == kNotWritten || !CellSet(source)) continue;
        const Cell& cell = row_[source];
        const std::string_view text(rowText_.Data() + cell.offset, cell.length);
        if (text.size() > kLongBytes) {
            WriteLongField(text, kGuard);
            continue;
        }
        char* const start = rows_->Reserve(text.size() * 2 + 3 + CsvFieldWriter::kFieldSlack);
        char* const end = kGuard && CsvFieldWriter::LooksLikeFormula(text) ? fields_.WriteGuardedField(start, text)
                                                                           : fields_.WriteFieldWithSlack(start, text);
        rows_->Commit(end - start);
    }
    std::memcpy(rows_->Reserve(2), "\r\n", 2);
    rows_->Commit(2);
    rows_->EndRow(columnCount);
    StartNextRow();
}

void TableRows::WriteLongField(std::string_view text, bool guard) {
    const CsvFieldWriter::Framing framing = fields_.FramingOf(text, guard);
    char* out = rows_->Reserve(2);
    if (framing.quoted) *out++ = '"';
    if (framing.guarded) *out++ = '\'';
    rows_->Commit(framing.quoted + framing.guarded);
    while (!text.empty()) {
        const size_t size = CharacterPart(text, kLongBytes);
        char* const start = rows_->Reserve(2 * size);
        rows_->Commit(CsvFieldWriter::WriteFieldPart(start, text.substr(0, size), framing.quoted) - start);
        text.remove_prefix(size);
    }
    if (framing.quoted) {
        *rows_->Reserve(1) = '"';
        rows_->Commit(1);
    }
}

void TableRows::AppendLongValue(std::string_view part) {
    if (longValueStart_ == kNoLongValue) longValueStart_ = rowText_.Size();
    char* const end = rowText_.Reserve(part.size() + CsvFieldWriter::kFieldSlack);
    if (!part.empty()) std::memcpy(end, part.data(), part.size());
    rowText_.Commit(part.size());
}

TableRows::LongPart TableRows::DecodeInLongValue(std::string_view text) {
    const size_t offset = static_cast<size_t>(text.data() - (rowText_.Data() + longValueStart_));
    char* const bytes = rowText_.Data() + longValueStart_ + offset;
    if (std::memchr(bytes, '\\', text.size()) == nullptr) return {offset, text.size()};
    return {offset, DecodeCellEscapesInPlace(bytes, text.size())};
}

void TableRows::SetCellToLongValue(uint32_t column, LongPart part, CellKind kind) {
    if (column >= row_.size()) row_.resize(column + 1);
    Cell& cell = row_[column];
    const std::string_view value(rowText_.Data() + longValueStart_ + part.offset, part.length);
    if (countColumns_) CountCell(column, cell, value, kind);
    cell.generation = rowGeneration_;
    cell.kind = kind;
    cell.offset = longValueStart_ + part.offset;
    cell.length = part.length;
    rowHasCell_ = true;
    longValueStart_ = kNoLongValue;
}

void TableRows::DropLongValue() {
    if (longValueStart_ == kNoLongValue) return;
    // Cells set while it was gathered (a table taking in what it kept aside) stand after it and stay.
    bool cellsAfter = false;
    for (const Cell& cell : row_) cellsAfter |= cell.generation == rowGeneration_ && cell.offset >= longValueStart_;
    if (!cellsAfter) rowText_.Truncate(longValueStart_);
    longValueStart_ = kNoLongValue;
}

// The cells of the row in the order written; a cell the row does not set is empty Null.
void TableRows::EndRowAsCells() {
    const uint32_t columnCount = ColumnCount();
    cells_.resize(columnCount);
    for (uint32_t column = 0; column < columnCount; ++column) {
        const uint32_t source = choice_ ? choice_->columnAt[column] : column;
        if (source != kNotWritten && CellSet(source)) {
            const Cell& cell = row_[source];
            cells_[column] = CellValue{std::string_view(rowText_.Data() + cell.offset, cell.length), cell.kind};
        } else {
            cells_[column] = CellValue{};
        }
    }
    cellRows_->WriteRow(cells_);
    StartNextRow();
}

void TableRows::StartNextRow() {
    ++rowCount_;
    if (longValueStart_ != kNoLongValue) {  // it moves to the front of the next row's text
        const size_t size = rowText_.Size() - longValueStart_;
        std::memmove(rowText_.Data(), rowText_.Data() + longValueStart_, size);
        rowText_.Truncate(size);
        longValueStart_ = 0;
    } else {
        rowText_.Clear();
    }
    rowHasCell_ = false;
    if (++rowGeneration_ == 0) {  // after 2^32 rows: forget old generations explicitly
        for (Cell& cell : row_) cell.generation = 0;
        rowGeneration_ = 1;
    }
}

void TableRows::EndRow() {
    if (cellRows_)
        EndRowAsCells();
    else if (choice_)
        formulaGuard_ ? EndRowOf<true, true>() : EndRowOf<false, true>();
    else
        formulaGuard_ ? EndRowOf<true, false>() : EndRowOf<false, false>();
}

// A value counts once per row for its column, an empty one not at all.
void TableRows::CountCell(uint32_t column, const Cell& cell, std::string_view value, CellKind kind) {
    if (column >= stats_.size()) stats_.resize(column + 1);
    ColumnStats& stats = stats_[column];
    if (!value.empty() && !(cell.generation == rowGeneration_ && cell.length > 0)) ++stats.filled;
    stats.kinds |= static_cast<uint8_t>(1u << static_cast<unsigned>(kind));
}

std::vector<std::pair<std::string, ColumnStats>> TableRows::ColumnSummary() const {
    std::vector<std::pair<std::string, ColumnStats>> summary;
    const uint32_t count = ColumnCount();
    for (uint32_t place = 0; place < count; ++place) {
        const uint32_t column = choice_ ? choice_->columnAt[place] : place;
        const std::string& name = choice_ ? choice_->names[place] : columns_.Names()[place];
        summary.emplace_back(RenamedHeader(name), column < stats_.size() ? stats_[column] : ColumnStats{});
    }
    return summary;
}

std::string TableRows::RenamedHeader(const std::string& name) const {
    for (const auto& [from, to] : renames_)
        if (from == name) return to;
    return name;
}

std::string TableRows::HeaderLine() const {
    const std::vector<std::string>& names = choice_ ? choice_->names : columns_.Names();
    std::string header;
    for (size_t column = 0; column < names.size(); ++column) {
        if (column > 0) header += fields_.Separator();
        fields_.AppendField(header, renames_.empty() ? names[column] : RenamedHeader(names[column]));
    }
    return header;
}

std::vector<std::string> TableRows::HeaderNames() const {
    std::vector<std::string> header;
    for (const std::string& name : choice_ ? choice_->names : columns_.Names()) header.push_back(RenamedHeader(name));
    return header;
}

std::vector<std::string> TableRows::MissingColumns() const {
    std::vector<std::string> missing;
    if (!choice_) return missing;
    for (size_t place = 0; place < choice_->names.size(); ++place)
        if (choice_->columnAt[place] == kNotWritten) missing.push_back(choice_->names[place]);
    return missing;
}

std::vector<std::string> TableRows::UnusedRenames() const {
    std::vector<std::string> unused;
    for (const auto& rename : renames_)
        if (columns_.FindColumn(rename.first) == 0) unused.push_back(rename.first);
    return unused;
}

std::string TableRows::HeaderClash() const {
    if (renames_.empty()) return {};
    const std::vector<std::string>& names = choice_ ? choice_->names : columns_.Names();
    std::vector<std::string> header;
    for (const std::string& name : names) header.push_back(RenamedHeader(name));
    for (size_t i = 0; i < header.size(); ++i)
        for (size_t j = i + 1; j < header.size(); ++j)
            if (header[i] == header[j]) return header[i];
    return {};
}

TableRows::Mark TableRows::MarkState() const {
    return Mark{columns_.Size(), rowCount_,   row_,  std::string(rowText_.Data(), rowText_.Size()),
                rowGeneration_,  rowHasCell_, stats_};
}

void TableRows::Restore(const Mark& mark) {
    columns_.Truncate(mark.columnCount);
    stats_ = mark.stats;
    if (choice_) {
        choice_->outputOf.resize(mark.columnCount);
        for (uint32_t& column : choice_->columnAt)
            if (column != kNotWritten && column >= mark.columnCount) column = kNotWritten;
    }
    rowCount_ = mark.rowCount;
    row_ = mark.row;
    rowText_.Clear();
    std::memcpy(rowText_.Reserve(mark.rowText.size() + CsvFieldWriter::kFieldSlack), mark.rowText.data(),
                mark.rowText.size());
    rowText_.Commit(mark.rowText.size());
    rowGeneration_ = mark.rowGeneration;
    rowHasCell_ = mark.rowHasCell;
    longValueStart_ = kNoLongValue;
}

}  // namespace tabulora
