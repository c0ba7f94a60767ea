#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace tabulora {

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

// What the output of a table needs to know about its columns.
class ColumnSource {
public:
    virtual ~ColumnSource() = default;
    virtual uint32_t ColumnCount() const = 0;
    // The header line: the column names as CSV fields, without line break.
    virtual std::string HeaderLine() const = 0;
};

}  // namespace tabulora
