#pragma once
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

namespace tabulora {

// Paths are UTF-8 text everywhere; this gives the OS its native form (UTF-16 on Windows).
std::filesystem::path NativePath(const std::string& utf8Path);

// True for an existing file; folders and missing paths are not files.
bool IsExistingFile(const std::string& utf8Path);

struct FileBytes {
    bool ok = false;
    std::string bytes;
    std::string error;
};

// Reads a whole file while denying other writers.
FileBytes ReadWholeFile(const std::string& utf8Path);

// Writes a file through a temporary file in the target's folder that replaces the target only
// on Commit. Failures throw FileError("Cannot create file "<target>". <reason>"); a writer that
// is destroyed without Commit removes its temporary file, so the target is never half-written.
class AtomicFileWriter {
public:
    explicit AtomicFileWriter(std::string targetPath);
    ~AtomicFileWriter();
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

    void Write(std::string_view bytes);
    void Commit();

private:
    void WriteThrough(const char* data, size_t size);
    [[noreturn]] void Fail(const std::string& reason);
    void Discard();

    std::string target_;
    std::filesystem::path temp_;
    int fd_ = -1;
    std::string buffer_;
};

}  // namespace tabulora
