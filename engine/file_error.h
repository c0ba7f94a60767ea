#pragma once
#include <stdexcept>
#include <string>

namespace tabulora {

// A file that could not be read or written; the message is ready to show to the user.
class FileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

}  // namespace tabulora
