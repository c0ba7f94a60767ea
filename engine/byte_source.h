#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace tabulora {

// The bytes of one input, read from the start to the end in pieces.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    // Reads up to `size` bytes into `buffer` and sets `got` (0 at the end). Returns false when
    // reading failed; Error() then says why.
    virtual bool Read(char* buffer, size_t size, size_t& got) = 0;
    // The input's size when known beforehand, else 0.
    virtual uint64_t SizeHint() const { return 0; }
    const std::string& Error() const { return error_; }

protected:
    std::string error_;
};

// Opens a file for reading while denying other writers (on Windows). Returns nullptr and sets
// `error` when it cannot be opened; a folder cannot be read.
std::unique_ptr<ByteSource> OpenFileSource(const std::string& utf8Path, std::string& error);

// The process's standard input, read as bytes.
std::unique_ptr<ByteSource> OpenStandardInput();

// Bytes held in memory; they must outlive the source.
std::unique_ptr<ByteSource> MemorySource(std::string_view bytes);

}  // namespace tabulora
