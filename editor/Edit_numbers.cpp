// Edit-text conversions. The windows set the process locale, so the C library's atof would read "11.9"
// as 11 under a locale with a decimal comma; these read "." always.
#include "Edit_numbers.h"

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <locale.h>

#include "Lib_text.h"

namespace {

bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

bool is_space(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

size_t skip_space(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && is_space(text[i]))
        ++i;
    return i;
}

} // namespace

namespace {

// Where the number that starts the text ends: after white space, sign, digits, a point with digits and an
// exponent; `start` when there is no number.
size_t real_end(const std::string& text) {
    size_t i = skip_space(text);
    const size_t start = i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    size_t digits = 0;
    for (; i < text.size() && is_digit(text[i]); ++i)
        ++digits;
    if (i < text.size() && text[i] == '.')
        for (++i; i < text.size() && is_digit(text[i]); ++i)
            ++digits;
    if (digits == 0) return start;
    size_t end = i;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        size_t j = i + 1;
        if (j < text.size() && (text[j] == '+' || text[j] == '-')) ++j;
        if (j < text.size() && is_digit(text[j])) {
            while (j < text.size() && is_digit(text[j]))
                ++j;
            end = j;
        }
    }
    return end;
}

size_t integer_end(const std::string& text) {
    size_t i = skip_space(text);
    const size_t start = i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    const size_t digits = i;
    while (i < text.size() && is_digit(text[i]))
        ++i;
    return i == digits ? start : i;
}

bool rest_is_space(const std::string& text, size_t from) {
    for (size_t i = from; i < text.size(); ++i)
        if (!is_space(text[i])) return false;
    return true;
}

} // namespace

bool edit_real_whole(const std::string& text) {
    const size_t start = skip_space(text), end = real_end(text);
    return start == text.size() || (end != start && rest_is_space(text, end));
}

bool edit_integer_whole(const std::string& text) {
    const size_t start = skip_space(text), end = integer_end(text);
    return start == text.size() || (end != start && rest_is_space(text, end));
}

double edit_real(const std::string& text) {
    // Only the decimal form atof is known for: strtod alone would also take "0x10", "inf" and "nan",
    // which no user means as a threshold or an interval.
    const size_t start = skip_space(text), end = real_end(text);
    if (end == start) return 0.0;
    // strtod under the C locale reads the point as "." whatever locale the windows set.
    const std::string number = text.substr(start, end - start);
    return strtod_l(number.c_str(), nullptr, c_locale());
}

int32_t edit_integer(const std::string& text) {
    size_t i = skip_space(text);
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    uint32_t value = 0;
    for (; i < text.size() && is_digit(text[i]); ++i)
        value = value * 10u + static_cast<uint32_t>(text[i] - '0');
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
