#include "engine/workbook_output.h"

#include <xlsxwriter.h>

#include <algorithm>
#include <cstring>
#include <system_error>

#include "engine/workbook_cells.h"

namespace tabulora {
namespace {

constexpr size_t kReadSize = 1 << 20;
// The rows whose cells decide the column widths.
constexpr uint64_t kRowsForWidths = 100;
constexpr double kMinColumnWidth = 8.43;  // the spreadsheet's default
constexpr double kMaxColumnWidth = 60;
// Spool bytes beyond which the workbook's parts may pass 4 GB and need ZIP64.
constexpr uint64_t kZip64Spool = uint64_t(512) << 20;
// Rows between two looks at whether the export was cancelled.
constexpr uint64_t kRowsBetweenCancelChecks = 4096;

void PutCount(std::string& out, uint64_t value) {
    while (value >= 0x80) {
        out += static_cast<char>((value & 0x7F) | 0x80);
        value >>= 7;
    }
    out += static_cast<char>(value);
}

// A cell read back from the spool: its text ends with a zero byte.
struct SpooledCell {
    CellKind kind = CellKind::Null;
    const char* text = "";
    size_t size = 0;
    std::string_view Text() const { return std::string_view(text, size); }
};

}  // namespace

// Reads the spooled rows back in order, from memory or from the temporary file.
class WorkbookOutput::SpoolReader {
public:
    explicit SpoolReader(std::string_view memory) : buffer_(memory) {}
    SpoolReader(ScratchFile& file, uint64_t size) : file_(&file), fileSize_(size) {}

    // The next row's cells (valid until the next call); false after the last row.
    bool NextRow(std::vector<SpooledCell>& cells) {
        cells.clear();
        uint64_t rowBytes = 0;
        if (!Ensure(1)) return false;
        // A count takes at most 10 bytes; a short spool's last row may take fewer in all.
        Ensure(10);
        if (!TakeCount(rowBytes) || !Ensure(rowBytes)) throw Broken();
        const char* p = Data() + position_;
        const char* const end = p + rowBytes;
        position_ += rowBytes;
        uint64_t count = 0;
        p = ReadCount(p, end, count);
        cells.resize(count);
        for (SpooledCell& cell : cells) {
            if (p >= end) throw Broken();
            cell.kind = static_cast<CellKind>(*p++);
            if (cell.kind == CellKind::Null) continue;
            uint64_t size = 0;
            p = ReadCount(p, end, size);
            if (size + 1 > static_cast<uint64_t>(end - p)) throw Broken();
            cell.text = p;
            cell.size = size;
            p += size + 1;
        }
        return true;
    }

private:
    static FileError Broken() { return FileError("The temporary file of the workbook's rows is damaged."); }

    const char* Data() const { return file_ ? held_.data() : buffer_.data(); }
    size_t Available() const { return (file_ ? held_.size() : buffer_.size()) - position_; }

    // At least `count` bytes from the position on, unless the spool ends before.
    bool Ensure(uint64_t count) {
        if (Available() >= count) return true;
        if (!file_) return false;
        held_.erase(0, position_);
        position_ = 0;
        while (held_.size() < count && fileOffset_ < fileSize_) {
            const size_t wanted =
                static_cast<size_t>(std::min<uint64_t>(std::max<uint64_t>(kReadSize, count - held_.size()),
                                                       fileSize_ - fileOffset_));
            const size_t old = held_.size();
            held_.resize(old + wanted);
            size_t got = 0;
            const FileResult read = file_->ReadAt(fileOffset_, held_.data() + old, wanted, got);
            held_.resize(old + got);
            if (read.Failed())
                throw FileError("Cannot read the temporary file of the workbook's rows. " + read.Reason());
            if (got == 0) break;
            fileOffset_ += got;
        }
        return held_.size() >= count;
    }
    bool TakeCount(uint64_t& value) {
        const char* p = Data() + position_;
        const char* end = p + Available();
        const char* after = ReadCount(p, end, value);
        position_ += after - p;
        return true;
    }
    static const char* ReadCount(const char* p, const char* end, uint64_t& value) {
        value = 0;
        for (unsigned shift = 0; shift < 64; shift += 7) {
            if (p >= end) throw Broken();
            const auto byte = static_cast<unsigned char>(*p++);
            value |= uint64_t(byte & 0x7F) << shift;
            if (!(byte & 0x80)) return p;
        }
        throw Broken();
    }

    std::string_view buffer_;  // the spool in memory, or
    ScratchFile* file_ = nullptr;
    uint64_t fileSize_ = 0;
    uint64_t fileOffset_ = 0;
    std::string held_;  // ... the part of the file read and not yet taken
    size_t position_ = 0;
};

// One workbook being written through the library, sheet after sheet.
class WorkbookOutput::Writer {
public:
    Writer(const std::string& path, const std::string& sheetBase, const WorkbookFormat& format,
           std::vector<std::string> header, uint32_t columns, bool zip64)
        : sheetBase_(sheetBase), format_(format), header_(std::move(header)), columns_(columns) {
        lxw_workbook_options options{};
        options.constant_memory = LXW_TRUE;
        options.tmpdir = nullptr;  // the system's temporary folder
        options.use_zip64 = zip64 ? LXW_TRUE : LXW_FALSE;
        workbook_ = workbook_new_opt(path.c_str(), &options);
        if (!workbook_) throw Failure{"the workbook could not be started (out of memory?)"};
        bold_ = workbook_add_format(workbook_);
        format_set_bold(bold_);
        date_ = workbook_add_format(workbook_);
        format_set_num_format(date_, "yyyy-mm-dd");
        dateTime_ = workbook_add_format(workbook_);
        format_set_num_format(dateTime_, "yyyy-mm-dd hh:mm:ss");
        if (!format_.includeHeader || columns_ == 0) header_.clear();
        widths_.assign(columns_, 0);
        for (size_t column = 0; column < header_.size(); ++column)
            Widen(column, workbook::Utf16Length(header_[column]) + 3);  // room for the filter button
    }
    ~Writer() {
        if (workbook_) lxw_workbook_free(workbook_);
    }

    // The widths from the first rows, before they are written.
    void Measure(const std::vector<SpooledCell>& cells) {
        for (size_t column = 0; column < cells.size() && column < widths_.size(); ++column)
            Widen(column, DisplayLength(cells[column]));
    }

    void Write(const std::vector<SpooledCell>& cells) {
        if (!sheet_ || row_ == workbook::kMaxSheetRows) StartSheet();
        for (size_t column = 0; column < cells.size(); ++column) {
            const SpooledCell& cell = cells[column];
            const auto col = static_cast<lxw_col_t>(column);
            switch (cell.kind) {
            case CellKind::Null: break;
            case CellKind::Boolean:
                Check(worksheet_write_boolean(sheet_, row_, col, cell.Text() == "true", nullptr));
                break;
            case CellKind::Number: {
                double value = 0;
                if (workbook::ExactNumber(cell.Text(), value))
                    Check(worksheet_write_number(sheet_, row_, col, value, nullptr));
                else
                    Check(worksheet_write_string(sheet_, row_, col, cell.text, nullptr));
                break;
            }
            case CellKind::String: {
                workbook::DateTime date;
                if (format_.dates && workbook::ReadDateTime(cell.Text(), date)) {
                    lxw_datetime value{date.year, date.month, date.day, date.hour, date.minute, date.second};
                    Check(worksheet_write_datetime(sheet_, row_, col, &value, date.hasTime ? dateTime_ : date_));
                    break;
                }
                Check(worksheet_write_string(sheet_, row_, col, cell.text, nullptr));
                break;
            }
            default: Check(worksheet_write_string(sheet_, row_, col, cell.text, nullptr)); break;
            }
        }
        ++row_;
    }

    // Writes the workbook file; the library's last step packs the sheets into it.
    void Close() {
        if (!sheet_) StartSheet();  // a table without rows still gets its sheet
        const lxw_error error = workbook_close(workbook_);
        workbook_ = nullptr;  // freed by workbook_close either way
        Check(error);
    }
    uint32_t Sheets() const { return sheetNumber_; }

    // A failure of the library, as the reason of a FileError.
    struct Failure {
        std::string reason;
    };

private:
    static void Check(lxw_error error) {
        if (error != LXW_NO_ERROR) throw Failure{lxw_strerror(error)};
    }
    void Widen(size_t column, size_t length) {
        const double width = std::clamp(static_cast<double>(length) + 1.0, kMinColumnWidth, kMaxColumnWidth);
        if (width > widths_[column]) widths_[column] = width;
    }
    size_t DisplayLength(const SpooledCell& cell) const {
        switch (cell.kind) {
        case CellKind::Null: return 0;
        case CellKind::Boolean: return 5;
        case CellKind::String: {
            workbook::DateTime date;
            if (format_.dates && workbook::ReadDateTime(cell.Text(), date)) return date.hasTime ? 19 : 10;
            break;
        }
        default: break;
        }
        // Beyond the widest column, the length does not matter.
        return workbook::Utf16Length(cell.Text().substr(0, 4 * static_cast<size_t>(kMaxColumnWidth)));
    }

    void StartSheet() {
        ++sheetNumber_;
        const std::string name = workbook::SheetName(sheetBase_, sheetNumber_);
        sheet_ = workbook_add_worksheet(workbook_, name.c_str());
        if (!sheet_) throw Failure{"the sheet \"" + name + "\" could not be added"};
        for (uint32_t column = 0; column < columns_; ++column)
            if (widths_[column] > 0) Check(worksheet_set_column(sheet_, column, column, widths_[column], nullptr));
        row_ = 0;
        if (header_.empty()) return;
        for (size_t column = 0; column < header_.size(); ++column)
            Check(worksheet_write_string(sheet_, 0, static_cast<lxw_col_t>(column), header_[column].c_str(), bold_));
        worksheet_freeze_panes(sheet_, 1, 0);
        Check(worksheet_autofilter(sheet_, 0, 0, 0, static_cast<lxw_col_t>(header_.size() - 1)));
        row_ = 1;
    }

    std::string sheetBase_;
    const WorkbookFormat& format_;
    std::vector<std::string> header_;  // empty: no header row
    uint32_t columns_;
    std::vector<double> widths_;
    lxw_workbook* workbook_ = nullptr;
    lxw_format* bold_ = nullptr;
    lxw_format* date_ = nullptr;
    lxw_format* dateTime_ = nullptr;
    lxw_worksheet* sheet_ = nullptr;
    uint32_t sheetNumber_ = 0;
    lxw_row_t row_ = 0;
};

WorkbookOutput::WorkbookOutput(CsvTarget target, WorkbookFormat format, const ColumnSource& columns)
    : target_(std::move(target)), format_(format), columns_(columns) {
    if (target_.kind == CsvTarget::Kind::Stream)
        throw FileError("A workbook cannot be written to a stream; it needs a file.");
    file_ = std::make_unique<OutputFile>();
    Check(file_->Open(target_.path));
}

WorkbookOutput::~WorkbookOutput() = default;

void WorkbookOutput::Check(const FileResult& result) const {
    if (result.Failed()) throw FileError("Cannot create file \"" + target_.path + "\". " + result.Reason());
}

// Keeps a text with its length and a zero byte after it; a zero byte in the text itself is kept as
// the workbook's escape for it (_x0000_), which readers turn back into the character.
void WorkbookOutput::SpoolText(std::string_view text) {
    if (std::memchr(text.data(), 0, text.size())) {
        scratch_.clear();
        for (const char c : text) c ? scratch_ += c : scratch_ += "_x0000_";
        text = scratch_;
    }
    const size_t fit = workbook::CellTextFit(text);
    if (fit < text.size()) {
        text = text.substr(0, fit);
        ++cutTexts_;
    }
    PutCount(spool_, text.size());
    spool_.append(text);
    spool_ += '\0';
}

void WorkbookOutput::WriteRow(const std::vector<CellValue>& cells) {
    size_t count = cells.size();
    while (count > 0 && cells[count - 1].kind == CellKind::Null) --count;  // empty cells at the end
    // The row goes after its length, which is known once it is written: it is written after room
    // for the longest length and moved back when the length takes less.
    const size_t start = spool_.size();
    spool_.append(10, '\0');
    const size_t body = spool_.size();
    PutCount(spool_, count);
    for (size_t column = 0; column < count; ++column) {
        const CellValue& cell = cells[column];
        spool_ += static_cast<char>(cell.kind);
        if (cell.kind != CellKind::Null) SpoolText(cell.text);
    }
    std::string length;
    PutCount(length, spool_.size() - body);
    std::memcpy(&spool_[body - length.size()], length.data(), length.size());
    spool_.erase(start, 10 - length.size());
    ++rows_;
    if (spool_.size() > format_.rowsInMemory) Spill();
}

// The rows so far leave memory for the temporary file.
void WorkbookOutput::Spill() {
    if (!spilled_) {
        const FileResult created = spill_.CreateAnonymous();
        if (created.Failed()) throw FileError("Cannot create a temporary file. " + created.Reason());
        spilled_ = true;
    }
    const FileResult written = spill_.Write(spool_);
    if (written.Failed()) throw FileError("Cannot write a temporary file. " + written.Reason());
    spillBytes_ += spool_.size();
    spool_.clear();
}

void WorkbookOutput::MarkInputStart() { mark_ = Mark{spillBytes_ + spool_.size(), rows_, cutTexts_}; }

void WorkbookOutput::TakeBackToMark() {
    if (mark_.bytes >= spillBytes_) {
        spool_.resize(mark_.bytes - spillBytes_);
    } else {
        spool_.clear();
        const FileResult cut = spill_.Truncate(mark_.bytes);
        if (cut.Failed()) throw FileError("Cannot write a temporary file. " + cut.Reason());
        spillBytes_ = mark_.bytes;
    }
    rows_ = mark_.rows;
    cutTexts_ = mark_.cutTexts;
}

std::string WorkbookOutput::Finish(const std::function<bool()>& cancelled) {
    if (spilled_ && !spool_.empty()) Spill();
    const uint32_t columns = columns_.ColumnCount();
    std::vector<std::string> header = columns_.HeaderNames();
    for (std::string& name : header) {
        const size_t fit = workbook::CellTextFit(name);
        name.resize(fit);
    }
    auto reader = [&] { return spilled_ ? SpoolReader(spill_, spillBytes_) : SpoolReader(spool_); };

    // The library writes the file by its name: the temporary file is closed and written anew.
    ScratchFile& temp = file_->Temp();
    Check(temp.CloseNamed());
    const std::string tempPath = temp.Path();
    try {
        Writer writer(tempPath, target_.path, format_, std::move(header), columns,
                      spillBytes_ + spool_.size() > kZip64Spool);
        std::vector<SpooledCell> cells;
        {
            SpoolReader first = reader();
            for (uint64_t row = 0; row < kRowsForWidths && first.NextRow(cells); ++row) writer.Measure(cells);
        }
        SpoolReader rows = reader();
        for (uint64_t row = 0; rows.NextRow(cells); ++row) {
            if (cancelled && row % kRowsBetweenCancelChecks == 0 && cancelled()) return {};
            writer.Write(cells);
        }
        writer.Close();
        sheets_ = writer.Sheets();
    } catch (const Writer::Failure& failure) {
        throw FileError("Cannot create file \"" + target_.path + "\". " + failure.reason);
    }
    std::error_code sizeError;
    bytesWritten_ = std::filesystem::file_size(NativePath(tempPath), sizeError);
    return CommitToTarget(*file_, target_);
}

}  // namespace tabulora
