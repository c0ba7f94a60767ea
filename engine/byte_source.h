#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "engine/file_error.h"

namespace tabulora {

// The bytes of one input, read from the start to the end in pieces.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    // Reads up to `size` bytes into `buffer` and sets `got` (0 at the end).
    virtual FileResult Read(char* buffer, size_t size, size_t& got) = 0;
    // The input's size when known beforehand, else 0.
    virtual uint64_t SizeHint() const { return 0; }
};

// Opens a file for reading into `source`, while denying other writers (on Windows); a folder
// cannot be read. The reasons for failures are the C library's texts.
FileResult OpenFileSource(const std::string& utf8Path, std::unique_ptr<ByteSource>& source);

// The process's standard input, read as bytes.
std::unique_ptr<ByteSource> OpenStandardInput();

// Bytes held in memory; they must outlive the source.
std::unique_ptr<ByteSource> MemorySource(std::string_view bytes);

}  // namespace tabulora
