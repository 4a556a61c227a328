// Text and number helpers: the parsers keep the digits read before a bad character, as stored files rely on.
#include "Lib_text.h"

#include <cmath>
#include <cstdio>
#include <cstring>

int copy_text(char* dst, const char* src, int size) {
    if (dst != nullptr && size > 0) dst[0] = 0;
    if (dst == nullptr || src == nullptr || size <= 0) return 0;
    const size_t length = std::strlen(src);
    if (length >= static_cast<size_t>(size)) return 0; // never cut: all or nothing
    std::memcpy(dst, src, length + 1);
    return static_cast<int>(length);
}

void strip_trailing_separators(char* path) {
    if (path == nullptr) return;
    size_t length = std::strlen(path);
    while (length >= 2 && (path[length - 1] == '/' || path[length - 1] == '\\'))
        path[--length] = 0;
}

namespace {

bool is_blank(char c) {
    return c == ' ' || c == '\t';
}
bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

// Shared by parse_int and parse_uint: digits accumulate modulo 2^32, blanks are skipped.
bool parse_integer(const char* text, bool allow_minus, uint32_t* value, bool* negative) {
    *value = 0;
    *negative = false;
    if (text == nullptr) return true;
    for (const char* p = text; *p != 0; ++p) {
        const char c = *p;
        if (is_blank(c)) continue;
        if (c == '+') {
            *negative = false;
        } else if (c == '-' && allow_minus) {
            *negative = true;
        } else if (is_digit(c)) {
            *value = *value * 10u + static_cast<uint32_t>(c - '0');
        } else {
            return true;
        }
    }
    return false;
}

} // namespace

bool parse_int(const char* text, int32_t* out) {
    uint32_t value;
    bool negative;
    const bool error = parse_integer(text, true, &value, &negative);
    if (negative) value = 0u - value;
    if (out != nullptr) *out = static_cast<int32_t>(value);
    return error;
}

bool parse_uint(const char* text, uint32_t* out) {
    uint32_t value;
    bool negative;
    const bool error = parse_integer(text, false, &value, &negative);
    if (out != nullptr) *out = value;
    return error;
}

bool parse_real(const char* text, double* out) {
    // The digits are summed with a falling weight, not rounded correctly: -0.3 reads as
    // -0.30000000000000004, and stored thresholds depend on exactly these doubles.
    double mantissa = 0.0, exponent = 0.0, weight = 0.1;
    bool in_mantissa = true, integer_part = true;
    bool mantissa_negative = false, exponent_negative = false;
    bool error = false;
    if (text == nullptr) {
        if (out != nullptr) *out = 0.0;
        return true;
    }
    for (const char* p = text; *p != 0; ++p) {
        const char c = *p;
        double& number = in_mantissa ? mantissa : exponent;
        if (is_digit(c)) {
            const int d = c - '0';
            if (integer_part) {
                number = number * 10.0 + d;
            } else {
                number = number + d * weight;
                weight = weight / 10.0;
            }
        } else if (c == '.') {
            integer_part = false;
        } else if (c == 'E' || c == 'e') {
            in_mantissa = false;
            integer_part = true;
            weight = 0.1;
        } else if (c == '+' || c == '-') {
            (in_mantissa ? mantissa_negative : exponent_negative) = (c == '-');
        } else if (is_blank(c)) {
            continue;
        } else {
            error = true;
            break;
        }
    }
    if (mantissa_negative) mantissa = -mantissa;
    if (exponent_negative) exponent = -exponent;
    // Without an exponent the scale is exactly 1, which the power gives too.
    if (out != nullptr) *out = exponent == 0.0 ? mantissa : std::pow(10.0, exponent) * mantissa;
    return error;
}

bool convert_text_value(const char* text, void* out, int kind, int size) {
    if (text == nullptr || out == nullptr) return true;
    switch (kind) {
    case VALUE_TEXT: {
        if (size < 1) return true;
        char* field = static_cast<char*>(out);
        // strncpy semantics: the first `size` bytes, zero-filled, then the last byte terminates; the text
        // is measured only as far as the field reaches.
        const size_t capacity = static_cast<size_t>(size);
        const size_t length = strnlen(text, capacity);
        const size_t kept = length < capacity ? length : capacity - 1;
        std::memcpy(field, text, kept);
        std::memset(field + kept, 0, capacity - kept);
        return length == capacity;
    }
    case VALUE_INT:
        return parse_int(text, static_cast<int32_t*>(out));
    case VALUE_UINT:
        return parse_uint(text, static_cast<uint32_t*>(out));
    case VALUE_REAL:
        return parse_real(text, static_cast<double*>(out));
    default:
        return true;
    }
}

locale_t c_locale() {
    static const locale_t locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
    return locale;
}

int vformat_c(char* out, size_t size, const char* format, va_list args) {
    // uselocale changes this thread's locale only, and only for the call.
    const locale_t c = c_locale();
    const locale_t previous = c != static_cast<locale_t>(0) ? uselocale(c) : static_cast<locale_t>(0);
    const int length = std::vsnprintf(out, size, format, args);
    if (previous != static_cast<locale_t>(0)) uselocale(previous);
    return length;
}

int format_c(char* out, size_t size, const char* format, ...) {
    va_list args;
    va_start(args, format);
    const int length = vformat_c(out, size, format, args);
    va_end(args);
    return length;
}
