#pragma once
#include <memory>
#include <string>
#include <string_view>

#include "engine/csv_writer.h"
#include "engine/text_codec.h"

namespace tabulora {

class RecordTableBuilder;

struct CsvOptions {
    bool includeHeader = true;
    std::string separator = ",";   // UTF-8; one character or empty
};

// The separator button shows a TAB as the two characters backslash and t.
std::string CsvSeparatorFromCaption(std::string_view caption);

// Converts the JSON text of one or more files into one CSV: each file's values are reformatted
// and streamed into one table, so the records of all files share columns, header and rows.
class JsonToCsvConverter {
public:
    explicit JsonToCsvConverter(const CsvOptions& options);
    ~JsonToCsvConverter();
    JsonToCsvConverter(const JsonToCsvConverter&) = delete;
    JsonToCsvConverter& operator=(const JsonToCsvConverter&) = delete;

    // One file's UTF-8 text. `utf8Json` must be followed by a zero byte (any std::string is).
    void AddJsonText(std::string_view utf8Json);
    CsvDocument Finish();

private:
    std::unique_ptr<RecordTableBuilder> builder_;
};

// Walks already reformatted text (lines of the human-readable layout) into a CSV document.
CsvDocument BuildCsvFromReformatted(std::string_view reformatted, const CsvOptions& options);

// Builds the CSV of already reformatted text and writes it to `path` (atomically).
void ConvertToCsvFile(std::string_view reformatted, const std::string& path, const CsvOptions& options,
                      TextEncoding encoding, const AnsiCodec& ansi);

// The first free variant of `path`: the path itself, else "<base> (N)<ext>" for N = 2, 3, ...
// Folders do not count as existing files.
std::string UniqueFileName(const std::string& path);

// The multiple-files export's output for `inputPath` in `folder`: the input's file name without
// its last extension, plus ".csv" (not yet made unique).
std::string CsvNameInFolder(const std::string& folder, const std::string& inputPath);

}  // namespace tabulora
