#include "engine/conversion.h"

#include "engine/file_io.h"
#include "engine/json_reformat.h"
#include "engine/layout_text.h"
#include "engine/record_table.h"

namespace tabulora {
namespace {

// Splits a path into folder (with its trailing separator), base name and last extension.
struct PathParts {
    std::string folder, base, extension;
};

bool IsPathSeparator(char c) {
#ifdef _WIN32
    return c == '\\' || c == '/' || c == ':';
#else
    return c == '/';
#endif
}

PathParts SplitPath(const std::string& path) {
    size_t nameStart = path.size();
    while (nameStart > 0 && !IsPathSeparator(path[nameStart - 1])) --nameStart;
    const std::string name = path.substr(nameStart);
    const size_t dot = name.rfind('.');
    PathParts parts;
    parts.folder = path.substr(0, nameStart);
    parts.base = dot == std::string::npos ? name : name.substr(0, dot);
    parts.extension = dot == std::string::npos ? std::string() : name.substr(dot);
    return parts;
}

// Row lines go into a CsvDocument, with the column count each was written with.
class DocumentRows final : public RowSink {
public:
    explicit DocumentRows(CsvDocument& document) : document_(document) {}
    char* Reserve(size_t count) override { return document_.rows.Reserve(count); }
    void Commit(size_t count) override { document_.rows.Commit(count); }
    void EndRow(uint32_t fieldCount) override {
        const size_t end = document_.rows.Size();
        if (document_.runs.empty() || document_.runs.back().columnCount != fieldCount)
            document_.runs.push_back({end, fieldCount});
        else
            document_.runs.back().endOffset = end;
        ++document_.rowCount;
    }

private:
    CsvDocument& document_;
};

// Completes the table and gives the document its header and column count.
CsvDocument Finished(RecordTableBuilder& builder, CsvDocument& document, const CsvOptions& options) {
    builder.Finish();
    document.separator = options.separator;
    document.columnCount = builder.ColumnCount();
    document.hasHeader = options.includeHeader;
    if (options.includeHeader) document.header = builder.HeaderLine();
    return std::move(document);
}

}  // namespace

std::string CsvSeparatorFromCaption(std::string_view caption) {
    return caption == "\\t" ? std::string("\t") : std::string(caption);
}

JsonToCsvConverter::JsonToCsvConverter(const CsvOptions& options)
    : options_(options),
      rows_(std::make_unique<DocumentRows>(document_)),
      builder_(std::make_unique<RecordTableBuilder>(options.separator, *rows_)) {}

JsonToCsvConverter::~JsonToCsvConverter() = default;

void JsonToCsvConverter::AddJsonText(std::string_view utf8Json) {
    JsonReformatter reformatter(*builder_, ReformatOptions{true, true, true});
    ReformatWholeText(utf8Json, reformatter, true);
}

CsvDocument JsonToCsvConverter::Finish() { return Finished(*builder_, document_, options_); }

CsvDocument BuildCsvFromReformatted(std::string_view reformatted, const CsvOptions& options) {
    CsvDocument document;
    DocumentRows rows(document);
    RecordTableBuilder builder(options.separator, rows);
    LineSplitter lines(builder);
    lines.Write(reformatted.data(), reformatted.size());
    lines.Finish();
    return Finished(builder, document, options);
}

std::string UniqueFileName(const std::string& path) {
    if (!IsNameTaken(path)) return path;
    const PathParts parts = SplitPath(path);
    for (unsigned long n = 2;; ++n) {
        std::string candidate = parts.folder + parts.base + " (" + std::to_string(n) + ")" + parts.extension;
        if (!IsNameTaken(candidate)) return candidate;
    }
}

std::string CsvNameInFolder(const std::string& folder, const std::string& inputPath) {
    std::string name = folder;
#ifdef _WIN32
    if (!name.empty() && name.back() != '\\' && name.back() != '/') name += '\\';
#else
    if (!name.empty() && name.back() != '/') name += '/';
#endif
    return name + SplitPath(inputPath).base + ".csv";
}

}  // namespace tabulora
