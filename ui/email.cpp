#include "ui/email.h"

#define PCRE2_CODE_UNIT_WIDTH 16
#include <pcre2.h>

#include <memory>

#include "engine/utf.h"

namespace tabulora::ui {
namespace {

// Both letter cases are listed in the classes, so no option is needed beyond the defaults.
constexpr char16_t kEmailPattern[] = u"^[a-zA-Z0-9_.+-]+@[a-zA-Z0-9-]+\\.[a-zA-Z0-9-.]*[a-zA-Z0-9]+$";

struct CodeDeleter {
    void operator()(pcre2_code_16* code) const { pcre2_code_free_16(code); }
};
struct MatchDataDeleter {
    void operator()(pcre2_match_data_16* data) const { pcre2_match_data_free_16(data); }
};

}  // namespace

bool IsValidEmailAddress(std::string_view text) {
    const std::u16string address = Utf8ToUtf16(text);

    // A fresh pattern for every test; the owners free it and the match data on every path.
    int errorCode = 0;
    PCRE2_SIZE errorOffset = 0;
    const std::unique_ptr<pcre2_code_16, CodeDeleter> pattern(pcre2_compile_16(
        reinterpret_cast<PCRE2_SPTR16>(kEmailPattern), PCRE2_ZERO_TERMINATED, 0, &errorCode, &errorOffset, nullptr));
    if (!pattern) return false;
    const std::unique_ptr<pcre2_match_data_16, MatchDataDeleter> match(
        pcre2_match_data_create_from_pattern_16(pattern.get(), nullptr));
    if (!match) return false;

    const int result = pcre2_match_16(pattern.get(), reinterpret_cast<PCRE2_SPTR16>(address.data()), address.size(), 0,
                                      0, match.get(), nullptr);
    if (result < 0) return false;
    const PCRE2_SIZE* range = pcre2_get_ovector_pointer_16(match.get());
    return range[1] > range[0];  // an empty match does not count
}

}  // namespace tabulora::ui
