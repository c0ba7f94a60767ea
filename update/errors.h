#pragma once
#include <stdexcept>
#include <string>

namespace tabulora::update {

// Errors raised by the update code. The check records an unexpected error under its class
// name, so each kind names itself.
class UpdateError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
    virtual const char* ClassName() const noexcept = 0;
};

// A request that got no usable answer.
class HttpError : public UpdateError {
public:
    using UpdateError::UpdateError;
    const char* ClassName() const noexcept override { return "HttpError"; }
};

// A settings value that could not be read or written.
class SettingsError : public UpdateError {
public:
    using UpdateError::UpdateError;
    const char* ClassName() const noexcept override { return "SettingsError"; }
};

// The digest could not be computed.
class Md5Error : public UpdateError {
public:
    using UpdateError::UpdateError;
    const char* ClassName() const noexcept override { return "Md5Error"; }
};

// The class name under which an error is recorded.
inline const char* ErrorClassName(const std::exception& error) {
    if (const auto* own = dynamic_cast<const UpdateError*>(&error)) return own->ClassName();
    if (dynamic_cast<const std::bad_alloc*>(&error)) return "OutOfMemory";
    return "Exception";
}

}  // namespace tabulora::update
