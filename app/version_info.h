#pragma once
#include <windows.h>

#include <stdexcept>
#include <string>

namespace tabulora {

// The string values of an executable's version resource; a value the resource lacks is empty.
struct VersionStrings {
    std::wstring CompanyName;
    std::wstring FileDescription;
    std::wstring FileVersion;
    std::wstring InternalName;
    std::wstring LegalCopyright;
    std::wstring LegalTrademarks;
    std::wstring OriginalFileName;
    std::wstring ProductName;
    std::wstring ProductVersion;
    std::wstring Comments;
    std::wstring PrivateBuild;
    std::wstring SpecialBuild;
};

// A failed operating-system call. what() is UTF-8: "System Error.  Code: <code>.\r\n<text>", or
// "A call to an OS function failed" when the system reported no error code.
class OSError : public std::runtime_error {
public:
    explicit OSError(DWORD code);
    DWORD Code() const { return code_; }

private:
    DWORD code_;
};

// Reads the values of the first translation of the file's version resource. Throws OSError
// when the file has no version information, it cannot be read, or it has no translation table.
VersionStrings ReadVersionStrings(const std::wstring& fileName);

// The most significant half of the fixed file version, "major.minor"; "65535.65535" when it
// cannot be read.
std::wstring ReadFileVersionText(const std::wstring& fileName);

}  // namespace tabulora
