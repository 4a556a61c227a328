// Case folding, globs and natural order on 8-bit texts.
#include "Fleet_text.h"

#include <cstddef>
#include <cstdlib>

#include "Lib_text.h"

char fold_case(char c) {
    const unsigned char u = static_cast<unsigned char>(c);
    if (u >= 'A' && u <= 'Z') return static_cast<char>(u + 32);
    if (u >= 0xC0 && u <= 0xDE && u != 0xD7) return static_cast<char>(u + 32);
    return c;
}

std::string folded(const std::string& text) {
    std::string out(text);
    for (char& c : out)
        c = fold_case(c);
    return out;
}

bool glob_matches(const std::string& pattern, const std::string& text) {
    // The classic walk with one back-track point: the last * seen and where its run began.
    size_t p = 0, t = 0, star = std::string::npos, resume = 0;
    while (t < text.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || pattern[p] == text[t])) {
            ++p;
            ++t;
        } else if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            resume = t;
        } else if (star != std::string::npos) {
            p = star + 1;
            t = ++resume;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

namespace {

bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

} // namespace

int natural_compare(const std::string& a, const std::string& b) {
    size_t i = 0, j = 0;
    int zeros = 0; // the first difference in leading zeros, used only when all else is equal
    while (i < a.size() && j < b.size()) {
        if (is_digit(a[i]) && is_digit(b[j])) {
            const size_t i0 = i, j0 = j;
            while (i < a.size() && a[i] == '0')
                ++i;
            while (j < b.size() && b[j] == '0')
                ++j;
            const size_t zi = i - i0, zj = j - j0;
            const size_t si = i, sj = j;
            while (i < a.size() && is_digit(a[i]))
                ++i;
            while (j < b.size() && is_digit(b[j]))
                ++j;
            // Without leading zeros the longer run is the larger number; runs of equal length compare as
            // their digits do.
            if (i - si != j - sj) return i - si < j - sj ? -1 : 1;
            for (size_t k = 0; k < i - si; ++k)
                if (a[si + k] != b[sj + k]) return a[si + k] < b[sj + k] ? -1 : 1;
            if (zeros == 0 && zi != zj) zeros = zi < zj ? -1 : 1;
            continue;
        }
        const unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[j]);
        if (x != y) return x < y ? -1 : 1;
        ++i;
        ++j;
    }
    if (i < a.size()) return 1;
    if (j < b.size()) return -1;
    return zeros;
}

bool decimal_number(const std::string& text, double* value) {
    if (text.empty() || text[0] == ' ' || text[0] == '\t') return false;
    char* end = nullptr;
    const double v = strtod_l(text.c_str(), &end, c_locale());
    if (end != text.c_str() + text.size()) return false;
    *value = v;
    return true;
}
