#pragma once
// The two kinds of error of the file layer; engine/file_io.h says which is used where.
#include <stdexcept>
#include <string>
#include <utility>

namespace tabulora {

// What a file operation gives back: success, or the system's own words for what went wrong.
class [[nodiscard]] FileResult {
public:
    FileResult() = default;  // success
    static FileResult Failure(std::string reason) {
        FileResult result;
        result.failed_ = true;
        result.reason_ = std::move(reason);
        return result;
    }

    bool Failed() const { return failed_; }
    const std::string& Reason() const { return reason_; }

private:
    bool failed_ = false;
    std::string reason_;
};

// A file that could not be read or written; the message is ready to show to the user.
class FileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

}  // namespace tabulora
