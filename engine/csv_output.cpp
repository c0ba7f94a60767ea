#include "engine/csv_output.h"

#include <algorithm>
#include <cstring>

#include "engine/file_error.h"

namespace tabulora {
namespace {

constexpr size_t kWriteSize = 1 << 20;

}  // namespace

// Copies row lines and gives every line of a run the wanted number of fields: missing fields are
// added as separators at the end; surplus fields (a run written with columns that were taken back
// later) are all empty padding, and their separators are removed from the end.
class CsvOutput::RowAdjuster {
public:
    template <class Emit>
    RowAdjuster(const std::vector<Run>& runs, uint32_t fields, std::string_view separator, Emit emit)
        : runs_(runs), fields_(fields), separator_(separator), emit_(std::move(emit)) {}

    void Feed(std::string_view bytes) {
        while (!bytes.empty()) {
            while (run_ < runs_.size() && row_ >= runs_[run_].rowsEnd) ++run_;
            const bool inRun = run_ < runs_.size();
            const uint32_t written = inRun ? runs_[run_].fields : fields_;
            if (written == fields_ || separator_.empty()) {
                // Whole lines of the run go as they are.
                const uint64_t runEnd = inRun ? runs_[run_].rowsEnd : UINT64_MAX;
                size_t taken = 0;
                while (row_ < runEnd) {
                    const void* lineFeed = std::memchr(bytes.data() + taken, '\n', bytes.size() - taken);
                    if (!lineFeed) {
                        taken = bytes.size();
                        break;
                    }
                    taken = static_cast<const char*>(lineFeed) - bytes.data() + 1;
                    ++row_;
                }
                emit_(bytes.substr(0, taken));
                bytes.remove_prefix(taken);
                continue;
            }
            const size_t lineFeed = bytes.find('\n');
            if (lineFeed == std::string_view::npos) {
                line_.append(bytes);
                return;
            }
            line_.append(bytes.substr(0, lineFeed + 1));
            bytes.remove_prefix(lineFeed + 1);
            std::string_view text(line_.data(), line_.size() - 2);  // without CR LF
            if (written < fields_) {
                emit_(text);
                for (uint32_t i = written; i < fields_; ++i) emit_(separator_);
            } else {
                emit_(text.substr(0, text.size() - (written - fields_) * separator_.size()));
            }
            emit_(std::string_view("\r\n", 2));
            line_.clear();
            ++row_;
        }
    }

private:
    const std::vector<Run>& runs_;
    uint32_t fields_;
    std::string_view separator_;
    std::function<void(std::string_view)> emit_;
    size_t run_ = 0;
    uint64_t row_ = 0;
    std::string line_;  // a line that needs fields added or removed, until it is whole
};

// Bytes gathered into large writes.
class CsvOutput::FinalWriter {
public:
    explicit FinalWriter(std::function<void(std::string_view)> put) : put_(std::move(put)) {
        buffer_.reserve(kWriteSize);
    }

    void Write(std::string_view bytes) {
        written_ += bytes.size();
        if (buffer_.size() + bytes.size() > kWriteSize) Flush();
        if (bytes.size() >= kWriteSize)
            put_(bytes);
        else
            buffer_.append(bytes);
    }
    void Flush() {
        if (!buffer_.empty()) put_(buffer_);
        buffer_.clear();
    }
    uint64_t Written() const { return written_; }

private:
    std::function<void(std::string_view)> put_;
    std::string buffer_;
    uint64_t written_ = 0;
};

CsvOutput::CsvOutput(CsvTarget target, CsvFormat format, const ColumnSource& columns)
    : target_(std::move(target)), format_(std::move(format)), columns_(columns) {
    // Blocks of 1 MiB, smaller only when little may stay in memory.
    blockSize_ = std::clamp<size_t>(format_.rowsInMemory / 4, 64, kWriteSize);
    separator_ = std::string(Encode(format_.separator));
    if (target_.kind != CsvTarget::Kind::Stream) {
        file_ = std::make_unique<OutputFile>();
        Check(file_->Open(target_.path));
    }
    current_ = TakeBlock(blockSize_);
}

std::string CommitToTarget(OutputFile& file, const CsvTarget& target) {
    std::string name = target.path;
    const FileResult committed = target.kind == CsvTarget::Kind::NewFile ? file.CommitAsNew(target.nextFreeName, name)
                                                                         : file.CommitReplacing();
    if (committed.Failed()) throw FileError("Cannot create file \"" + name + "\". " + committed.Reason());
    return name;
}

CsvOutput::~CsvOutput() = default;

void CsvOutput::Check(const FileResult& result) {
    if (!result.Failed()) return;
    if (target_.kind == CsvTarget::Kind::Stream) throw FileError("Cannot create a temporary file. " + result.Reason());
    throw FileError("Cannot create file \"" + target_.path + "\". " + result.Reason());
}

std::string_view CsvOutput::ByteOrderMark() const {
    if (format_.utf8Bom && format_.encoding == TextEncoding::Utf8) return "\xEF\xBB\xBF";
    return {};
}

std::string_view CsvOutput::Encode(std::string_view utf8) {
    if (format_.encoding == TextEncoding::Utf8) return utf8;
    encoded_ = format_.ansi->FromUtf8(utf8);
    return encoded_;
}

// A block to fill: one put aside, else one the writer is done with, else a new one.
Block CsvOutput::TakeBlock(size_t capacity) {
    Block block;
    if (!spare_.empty()) {
        block = std::move(spare_.back());
        spare_.pop_back();
    } else if (writer_) {
        block = writer_->TakeFree();
    }
    block.size = 0;
    block.Reserve(capacity < blockSize_ ? blockSize_ : capacity);
    return block;
}

char* CsvOutput::Reserve(size_t count) {
    if (current_.capacity - current_.size < count) {
        CloseBlock();
        if (current_.capacity < count) {
            if (current_.capacity > 0) spare_.push_back(std::move(current_));
            current_ = TakeBlock(count);
        }
    }
    return current_.data.get() + current_.size;
}

void CsvOutput::EndRow(uint32_t fieldCount) {
    ++rows_;
    if (!runs_.empty() && runs_.back().fields == fieldCount)
        runs_.back().rowsEnd = rows_;
    else
        runs_.push_back({rows_, fieldCount});
}

// Moves the current block on, to memory or to the file; current_ is empty afterwards.
void CsvOutput::CloseBlock() {
    if (spilled_) {
        HandOver(current_);
        return;
    }
    prefixBytes_ += current_.size;
    prefix_.push_back(std::move(current_));
    if (prefixBytes_ > format_.rowsInMemory) Spill();
}

// The rows leave memory: into the target's temporary file behind the header of the columns known
// now, the rows so far padded to them, so that no second pass is needed when no column comes later.
void CsvOutput::Spill() {
    if (file_) {
        spill_ = &file_->Temp();
    } else {
        Check(spool_.CreateAnonymous());
        spill_ = &spool_;
    }
    FinalWriter out([this](std::string_view bytes) { WriteToSpill(bytes); });
    if (file_) out.Write(ByteOrderMark());
    if (file_ && format_.includeHeader) {
        spilledHeader_ = columns_.HeaderLine();
        out.Write(Encode(spilledHeader_ + "\r\n"));
    }
    bodyStart_ = out.Written();
    const uint32_t fields = columns_.ColumnCount();
    RowAdjuster adjuster(runs_, fields, separator_, [&out](std::string_view bytes) { out.Write(bytes); });
    for (size_t i = 0; i < prefix_.size(); ++i) {
        std::string_view bytes(prefix_[i].data.get(), prefix_[i].size);
        if (!mark_.inFile && mark_.block == i) {
            // The mark moves with the rows into the file.
            adjuster.Feed(Encode(bytes.substr(0, mark_.offset)));
            bytes.remove_prefix(mark_.offset);
            mark_.inFile = true;
            mark_.fileOffset = out.Written();
        }
        adjuster.Feed(Encode(bytes));
    }
    if (!mark_.inFile) {  // the mark is in the block being filled now
        mark_.inFile = true;
        mark_.fileOffset = out.Written();
    }
    out.Flush();
    runs_.clear();
    if (rows_ > 0) runs_.push_back({rows_, fields});
    for (Block& block : prefix_) spare_.push_back(std::move(block));
    prefix_.clear();
    prefixBytes_ = 0;
    spilled_ = true;
    writer_ = std::make_unique<BlockWriter>(*spill_);
}

void CsvOutput::WriteToSpill(std::string_view bytes) {
    Check(spill_->Write(bytes));
    spillBytes_ += bytes.size();
}

// Queues a block for the file; `block` is left empty.
void CsvOutput::HandOver(Block& block) {
    if (block.size == 0) return;
    if (format_.encoding == TextEncoding::Utf8) {
        spillBytes_ += block.size;
        writer_->Write(std::move(block));
        block = Block{};
        return;
    }
    const std::string_view encoded = Encode(std::string_view(block.data.get(), block.size));
    Block copy = TakeBlock(encoded.size());
    std::memcpy(copy.data.get(), encoded.data(), encoded.size());
    copy.size = encoded.size();
    spillBytes_ += copy.size;
    writer_->Write(std::move(copy));
    block.size = 0;
}

void CsvOutput::MarkInputStart() {
    mark_ = Mark{};
    mark_.rows = rows_;
    if (!spilled_) {
        mark_.block = prefix_.size();
        mark_.offset = current_.size;
        return;
    }
    HandOver(current_);
    if (current_.capacity == 0) current_ = TakeBlock(blockSize_);
    mark_.inFile = true;
    mark_.fileOffset = spillBytes_;
}

void CsvOutput::TakeBackToMark() {
    if (!mark_.inFile) {
        if (mark_.block < prefix_.size()) {
            spare_.push_back(std::move(current_));
            current_ = std::move(prefix_[mark_.block]);
            for (size_t i = mark_.block + 1; i < prefix_.size(); ++i) spare_.push_back(std::move(prefix_[i]));
            prefix_.resize(mark_.block);
            prefixBytes_ = 0;
            for (const Block& block : prefix_) prefixBytes_ += block.size;
        }
        current_.size = mark_.offset;
    } else {
        current_.size = 0;
        Check(writer_->Drain());
        Check(spill_->Truncate(mark_.fileOffset));
        spillBytes_ = mark_.fileOffset;
    }
    rows_ = mark_.rows;
    TruncateRuns(rows_);
}

void CsvOutput::TruncateRuns(uint64_t rows) {
    while (!runs_.empty() && (runs_.size() == 1 ? 0 : runs_[runs_.size() - 2].rowsEnd) >= rows) runs_.pop_back();
    if (!runs_.empty() && runs_.back().rowsEnd > rows) runs_.back().rowsEnd = rows;
}

// The temporary file is the CSV as it stands when its header has the final columns and no row in
// it needs padding.
bool CsvOutput::SpillIsFinal(const std::string& header, uint32_t fields) const {
    if (!file_ || (format_.includeHeader && header != spilledHeader_)) return false;
    if (separator_.empty()) return true;
    for (const Run& run : runs_)
        if (run.fields != fields) return false;
    return true;
}

std::string CsvOutput::Finish() {
    const uint32_t fields = columns_.ColumnCount();
    const std::string header = format_.includeHeader ? columns_.HeaderLine() : std::string();
    std::unique_ptr<OutputFile> rewrite;  // the file that becomes the CSV
    if (spilled_) {
        HandOver(current_);
        Check(writer_->Drain());
        writer_.reset();
        if (SpillIsFinal(header, fields)) {
            bytesWritten_ = spillBytes_;
            rewrite = std::move(file_);
        }
    }
    if (!rewrite) {
        // The CSV is written whole: for a file target into its still empty temporary file, or
        // into a second one when the first holds the rows; else to the stream.
        if (file_ && spilled_) {
            rewrite = std::make_unique<OutputFile>();
            Check(rewrite->Open(target_.path));
        } else {
            rewrite = std::move(file_);
        }
        OutputFile* file = rewrite.get();
        ByteSink* stream = target_.stream;
        FinalWriter out([this, file, stream](std::string_view bytes) {
            if (file)
                Check(file->Write(bytes));
            else
                stream->Write(bytes);
        });
        WriteBody(out, header, fields);
        out.Flush();
        bytesWritten_ = out.Written();
    }
    if (!rewrite) return {};
    return CommitToTarget(*rewrite, target_);
}

void CsvOutput::WriteBody(FinalWriter& out, const std::string& header, uint32_t fields) {
    out.Write(ByteOrderMark());
    if (format_.includeHeader) out.Write(Encode(header + "\r\n"));
    RowAdjuster adjuster(runs_, fields, separator_, [&out](std::string_view bytes) { out.Write(bytes); });
    if (!spilled_) {
        for (const Block& block : prefix_) adjuster.Feed(Encode(std::string_view(block.data.get(), block.size)));
        adjuster.Feed(Encode(std::string_view(current_.data.get(), current_.size)));
        return;
    }
    Block buffer = TakeBlock(kWriteSize);
    for (uint64_t offset = bodyStart_; offset < spillBytes_;) {
        size_t got = 0;
        const size_t wanted = static_cast<size_t>(std::min<uint64_t>(buffer.capacity, spillBytes_ - offset));
        Check(spill_->ReadAt(offset, buffer.data.get(), wanted, got));
        if (got == 0) Check(FileResult::Failure("The temporary file ended early."));
        adjuster.Feed(std::string_view(buffer.data.get(), got));
        offset += got;
    }
}

}  // namespace tabulora
