#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tabulora {

// The kind of JSON value a cell holds.
enum class CellKind : uint8_t { String, Number, Boolean, Null, Object, Array };

// Where the table builder writes its completed CSV row lines, each ended by CR LF.
class RowSink {
public:
    virtual ~RowSink() = default;
    // Room for `count` more bytes of the row line being written; Commit says how many were used.
    virtual char* Reserve(size_t count) = 0;
    virtual void Commit(size_t count) = 0;
    // The row line is complete; it has one field per column known when it was completed.
    virtual void EndRow(uint32_t fieldCount) = 0;
};

// One cell of a completed row as a CellRowSink receives it: the value's text as the CSV would
// hold it (a string decoded, a number as written, nested values as their JSON text) and its
// kind. A cell that the row does not set is empty text of kind Null.
struct CellValue {
    std::string_view text;
    CellKind kind = CellKind::Null;
};

// Where the table builder writes its completed rows as typed cells instead of CSV row lines (a
// workbook). The cells are valid only during the call.
class CellRowSink {
public:
    virtual ~CellRowSink() = default;
    // One cell per column known when the row was completed, in the order written.
    virtual void WriteRow(const std::vector<CellValue>& cells) = 0;
};

// The destination of a table's rows: CSV row lines or typed cells.
struct RowTarget {
    RowTarget(RowSink& sink) : lines(&sink) {}      // NOLINT: a sink is a target
    RowTarget(CellRowSink& sink) : cells(&sink) {}  // NOLINT: a sink is a target
    RowSink* lines = nullptr;
    CellRowSink* cells = nullptr;
};

// What the output of a table needs to know about its columns.
class ColumnSource {
public:
    virtual ~ColumnSource() = default;
    virtual uint32_t ColumnCount() const = 0;
    // The header line: the column names as CSV fields, without line break.
    virtual std::string HeaderLine() const = 0;
    // The column names as the header shows them (renamed), in the order written.
    virtual std::vector<std::string> HeaderNames() const = 0;
};

}  // namespace tabulora
