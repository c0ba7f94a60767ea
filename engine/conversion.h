#pragma once
#include <memory>
#include <string>
#include <string_view>

#include "engine/csv_writer.h"
#include "engine/row_sink.h"
#include "engine/text_codec.h"

namespace tabulora {

class RecordTableBuilder;

struct CsvOptions {
    bool includeHeader = true;
    std::string separator = ",";   // UTF-8; one character or empty
};

// The separator button shows a TAB as the two characters backslash and t.
std::string CsvSeparatorFromCaption(std::string_view caption);

// Converts the JSON text of one or more files held in memory into one CSV in memory: each file's
// values are reformatted and streamed into one table, so the records of all files share columns,
// header and rows. (The program's conversion until it moves to csv_export.h.)
class JsonToCsvConverter {
public:
    explicit JsonToCsvConverter(const CsvOptions& options);
    ~JsonToCsvConverter();
    JsonToCsvConverter(const JsonToCsvConverter&) = delete;
    JsonToCsvConverter& operator=(const JsonToCsvConverter&) = delete;

    // One file's UTF-8 text, read as the file's lines (see TextFeeder); a zero byte ends it.
    void AddJsonText(std::string_view utf8Json);
    CsvDocument Finish();

private:
    CsvOptions options_;
    CsvDocument document_;
    std::unique_ptr<RowSink> rows_;
    std::unique_ptr<RecordTableBuilder> builder_;
};

// Walks already reformatted text (lines of the human-readable layout) into a CSV document.
CsvDocument BuildCsvFromReformatted(std::string_view reformatted, const CsvOptions& options);

// The first free variant of `path`: the path itself, else "<base> (N)<ext>" for N = 2, 3, ...
// Anything that stands at a name (a file, a folder, a link) makes it taken.
std::string UniqueFileName(const std::string& path);

// The multiple-files export's output for `inputPath` in `folder`: the input's file name without
// its last extension, plus ".csv" (not yet made unique).
std::string CsvNameInFolder(const std::string& folder, const std::string& inputPath);

}  // namespace tabulora
