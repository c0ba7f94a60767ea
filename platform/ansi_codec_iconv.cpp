#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <stdexcept>

#include "engine/utf.h"
#include "platform/ansi_codec.h"

namespace tabulora {
namespace {

// Converts with iconv, replacing what cannot be converted: `onInvalid` is given the remaining
// input and returns how many bytes it consumed after appending its replacement.
template <class OnInvalid>
std::string Convert(const char* to, const char* from, std::string_view input, OnInvalid onInvalid) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error(std::string("iconv cannot convert to ") + to);
    std::string out;
    out.reserve(input.size());
    char* in = const_cast<char*>(input.data());
    size_t inLeft = input.size();
    char chunk[1 << 16];
    for (;;) {
        char* chunkEnd = chunk;
        size_t chunkLeft = sizeof chunk;
        const size_t result = iconv(cd, &in, &inLeft, &chunkEnd, &chunkLeft);
        out.append(chunk, chunkEnd - chunk);
        if (result != static_cast<size_t>(-1)) break;  // all input converted
        if (errno == E2BIG) continue;
        const size_t skip = onInvalid(std::string_view(in, inLeft), out);  // EILSEQ or EINVAL
        in += skip;
        inLeft -= skip;
    }
    iconv_close(cd);
    return out;
}

// Windows-1252, as Windows converts it: the five bytes the code page leaves undefined map to the
// control characters of the same number, and characters it lacks become "?".
class Windows1252Codec final : public AnsiCodec {
public:
    std::string ToUtf8(std::string_view ansi) const override {
        return Convert("UTF-8", "WINDOWS-1252", ansi, [](std::string_view rest, std::string& out) {
            out += Utf16ToUtf8(std::u16string(1, static_cast<char16_t>(static_cast<unsigned char>(rest[0]))));
            return size_t{1};
        });
    }
    std::string FromUtf8(std::string_view utf8) const override {
        return Convert("WINDOWS-1252", "UTF-8", utf8, [](std::string_view rest, std::string& out) {
            // A character the code page lacks, or a malformed byte.
            const std::string_view sequence = rest.substr(0, std::max<size_t>(1, Utf8SequenceLength(rest)));
            // The undefined bytes round-trip from their control characters.
            const std::u16string unit = Utf8ToUtf16(sequence);
            if (unit.size() == 1 &&
                (unit[0] == 0x81 || unit[0] == 0x8D || unit[0] == 0x8F || unit[0] == 0x90 || unit[0] == 0x9D))
                out += static_cast<char>(unit[0]);
            else
                out += '?';
            return sequence.size();
        });
    }
};

}  // namespace

const AnsiCodec& SystemAnsiCodec() {
    static const Windows1252Codec codec;
    return codec;
}

}  // namespace tabulora
