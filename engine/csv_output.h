#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/block_writer.h"
#include "engine/file_io.h"
#include "engine/row_sink.h"
#include "engine/text_codec.h"

namespace tabulora {

// Receives the bytes of a finished CSV that has no file of its own (standard output). Write
// throws FileError when the bytes cannot be written.
class ByteSink {
public:
    virtual ~ByteSink() = default;
    virtual void Write(std::string_view bytes) = 0;
};

// A sink that keeps nothing: for an export run only for what it finds out (the columns).
class DiscardedOutput final : public ByteSink {
public:
    void Write(std::string_view) override {}
};

// Where a CSV goes.
struct CsvTarget {
    enum class Kind {
        ReplaceFile,  // the file at `path`, replaced when it exists
        NewFile,      // a new file at `path`; when a file appears there meanwhile, the next free name
        Stream,       // `stream`
    };
    Kind kind = Kind::ReplaceFile;
    std::string path;
    std::function<std::string()> nextFreeName;
    ByteSink* stream = nullptr;
};

// Puts a complete output file in place as `target` (a file) says: under a new free name or
// replacing the file there. Returns the name used; a failure throws FileError("Cannot create file
// "<name>". <reason>").
std::string CommitToTarget(OutputFile& file, const CsvTarget& target);

struct CsvFormat {
    std::string separator = ",";
    bool includeHeader = true;
    TextEncoding encoding = TextEncoding::Utf8;
    const AnsiCodec* ansi = nullptr;  // for TextEncoding::Ansi
    size_t rowsInMemory = 4 << 20;    // bytes of rows kept in memory before they go to a file
    bool utf8Bom = false;             // UTF-8 only: the CSV begins with EF BB BF
};

// Takes the row lines of one CSV as they are made and writes the CSV to its target at the end:
// the header line, known only then, first, and rows completed before later columns appeared
// padded to the final column count.
//
// Memory stays bounded: the first few MiB of rows wait in memory (a small CSV is written in one
// go at the end); beyond that the rows go, on a helper thread, into the target's temporary file
// behind a header of the columns known at that moment. When the columns did not change after
// that, the temporary file is the CSV; otherwise it is copied once more behind the final header.
// A file target is created at once, so a target that cannot be written fails before any work.
// Destroyed before Finish, it leaves no file behind and an existing target untouched. Every file
// failure throws FileError("Cannot create file "<path>". <reason>"), or for a stream target
// FileError("Cannot create a temporary file. <reason>").
class CsvOutput final : public RowSink {
public:
    CsvOutput(CsvTarget target, CsvFormat format, const ColumnSource& columns);
    ~CsvOutput() override;

    char* Reserve(size_t count) override;
    void Commit(size_t count) override { current_.size += count; }
    void EndRow(uint32_t fieldCount) override;

    // Remembers the present point, where an input begins; TakeBackToMark removes every row
    // written since (an input that turned out unreadable).
    void MarkInputStart();
    void TakeBackToMark();

    // Writes the CSV and puts it in place. Returns the file written (for a NewFile target the
    // name finally used), or "" for a stream.
    std::string Finish();
    uint64_t BytesWritten() const { return bytesWritten_; }

private:
    struct Run {  // consecutive rows written with the same field count
        uint64_t rowsEnd;
        uint32_t fields;
    };
    class RowAdjuster;
    class FinalWriter;

    Block TakeBlock(size_t capacity);
    size_t blockSize_;
    void CloseBlock();
    void Spill();
    void HandOver(Block& block);
    void WriteToSpill(std::string_view bytes);
    std::string_view Encode(std::string_view utf8);
    std::string_view ByteOrderMark() const;
    void TruncateRuns(uint64_t rows);
    bool SpillIsFinal(const std::string& header, uint32_t fields) const;
    void WriteBody(FinalWriter& out, const std::string& header, uint32_t fields);
    // Throws FileError when `result` is a failure, naming `path` (the target's, unless given).
    void Check(const FileResult& result);

    CsvTarget target_;
    CsvFormat format_;
    const ColumnSource& columns_;
    std::string separator_;  // encoded like the output

    std::unique_ptr<OutputFile> file_;  // file targets
    ScratchFile spool_;                 // a stream target's rows once they leave memory
    ScratchFile* spill_ = nullptr;      // where the rows go once they leave memory
    bool spilled_ = false;
    std::string spilledHeader_;  // the header line at the start of a file target's temporary file
    uint64_t bodyStart_ = 0;     // where the rows begin in the spill file
    uint64_t spillBytes_ = 0;    // bytes given to the spill file

    Block current_;
    std::vector<Block> prefix_;  // full blocks still in memory
    size_t prefixBytes_ = 0;
    std::vector<Block> spare_;
    std::string encoded_;

    uint64_t rows_ = 0;
    std::vector<Run> runs_;

    struct Mark {
        bool inFile = false;
        uint64_t rows = 0;
        size_t block = 0;         // in memory: prefix_[block], or current_ when block == prefix_.size()
        size_t offset = 0;        // in memory: bytes of that block before the mark
        uint64_t fileOffset = 0;  // in the spill file
    } mark_;

    uint64_t bytesWritten_ = 0;
    std::unique_ptr<BlockWriter> writer_;  // declared last: stops before the files it writes go
};

}  // namespace tabulora
