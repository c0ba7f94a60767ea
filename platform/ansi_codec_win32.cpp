#include <windows.h>

#include "platform/ansi_codec.h"

namespace tabulora {
namespace {

std::wstring ToWide(UINT codePage, std::string_view bytes) {
    if (bytes.empty()) return {};
    const int size = static_cast<int>(bytes.size());
    const int length = MultiByteToWideChar(codePage, 0, bytes.data(), size, nullptr, 0);
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(codePage, 0, bytes.data(), size, wide.data(), length);
    return wide;
}

std::string FromWide(UINT codePage, const std::wstring& wide) {
    if (wide.empty()) return {};
    const int size = static_cast<int>(wide.size());
    const int length = WideCharToMultiByte(codePage, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(codePage, 0, wide.data(), size, bytes.data(), length, nullptr, nullptr);
    return bytes;
}

// The active code page, with the system's own best-fit and default-character rules.
class Win32AnsiCodec final : public AnsiCodec {
public:
    std::string ToUtf8(std::string_view ansi) const override { return FromWide(CP_UTF8, ToWide(CP_ACP, ansi)); }
    std::string FromUtf8(std::string_view utf8) const override { return FromWide(CP_ACP, ToWide(CP_UTF8, utf8)); }
};

}  // namespace

const AnsiCodec& SystemAnsiCodec() {
    static const Win32AnsiCodec codec;
    return codec;
}

}  // namespace tabulora
