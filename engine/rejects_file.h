#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "engine/csv_output.h"
#include "engine/file_io.h"

namespace tabulora {

// The lines an export skipped, collected in a file that, like a CSV, is written through a
// temporary file and takes its place only when complete. As the export's boundary, it throws a
// FileError ("Cannot create file ...") for a file that cannot be written.
class RejectsFile final : public ByteSink {
public:
    explicit RejectsFile(std::string path);

    void Write(std::string_view bytes) override;

    // Remembers where an input's lines begin; TakeBackToMark removes those written since (an
    // input that turned out unreadable adds nothing here either).
    void MarkInputStart() { mark_ = written_ + buffer_.size(); }
    void TakeBackToMark();

    // Puts the file in place, replacing what was there.
    void Commit();

private:
    static constexpr size_t kBufferSize = 64 * 1024;
    void Check(const FileResult& result) const;
    void Flush();

    std::string path_;
    OutputFile file_;
    std::string buffer_;
    uint64_t written_ = 0;  // bytes in the file, before the buffer
    uint64_t mark_ = 0;
};

}  // namespace tabulora
