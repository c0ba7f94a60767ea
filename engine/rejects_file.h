#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "engine/csv_output.h"
#include "engine/file_io.h"

namespace tabulora {

// The lines an export skipped, collected in a file that, like a CSV, is written through a
// temporary file and takes its place only when complete. Failures throw FileError.
class RejectsFile final : public ByteSink {
public:
    explicit RejectsFile(std::string path) : file_(std::move(path)) {}

    void Write(std::string_view bytes) override;

    // Remembers where an input's lines begin; TakeBackToMark removes those written since (an
    // input that turned out unreadable adds nothing here either).
    void MarkInputStart() { mark_ = file_.Size() + buffer_.size(); }
    void TakeBackToMark();

    // Puts the file in place, replacing what was there.
    void Commit();

private:
    static constexpr size_t kBufferSize = 64 * 1024;

    OutputFile file_;
    std::string buffer_;
    uint64_t mark_ = 0;
};

}  // namespace tabulora
