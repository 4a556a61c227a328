// Edit-text conversions. The windows set the process locale, so the C library's atof would read "11.9"
// as 11 under a locale with a decimal comma; these read "." always.
#include "Edit_numbers.h"

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <locale.h>

namespace {

bool is_space(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

size_t skip_space(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && is_space(text[i])) ++i;
    return i;
}

} // namespace

double edit_real(const std::string& text) {
    // strtod under the C locale is atof as the user expects it, whatever locale the windows set.
    static const locale_t c_locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
    return strtod_l(text.c_str(), nullptr, c_locale);
}

int32_t edit_integer(const std::string& text) {
    size_t i = skip_space(text);
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    uint32_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) value = value * 10u + static_cast<uint32_t>(text[i] - '0');
    if (negative) value = 0u - value;
    return static_cast<int32_t>(value);
}

uint32_t truncated_low_bits(double value, int bits) {
    if (!std::isfinite(value)) return 0;
    const double modulus = std::ldexp(1.0, bits);
    double r = std::fmod(std::trunc(value), modulus);
    if (r < 0) r += modulus;
    return static_cast<uint32_t>(r);
}
