// The text and number helpers with every area size from 0 up: each text is copied into an allocation of
// exactly its length plus the terminator, and each output area is an allocation of exactly `size`
// bytes, so AddressSanitizer sees any byte read or written past either. Texts of up to 64 bytes (the
// runs' -max_len) reach every behaviour; the work grows with the square of the length.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "Edit_numbers.h"
#include "Lib_text.h"
#include "Lib_xml.h"
#include "fuzz_support.h"

namespace {

// An exactly sized heap copy of a zero-terminated text.
std::unique_ptr<char[]> exact_copy(const std::string& text) {
    std::unique_ptr<char[]> copy(new char[text.size() + 1]);
    std::memcpy(copy.get(), text.c_str(), text.size() + 1);
    return copy;
}

bool is_integer_character(char c) {
    return (c >= '0' && c <= '9') || c == ' ' || c == '\t' || c == '+' || c == '-';
}

void check_parsers(const std::string& text) {
    const auto copy = exact_copy(text);
    int32_t i = 7;
    uint32_t u = 7;
    double r = 7;
    const bool int_error = parse_int(copy.get(), &i);
    const bool uint_error = parse_uint(copy.get(), &u);
    const bool real_error = parse_real(copy.get(), &r);

    // The reading ends at the first character that is no digit, blank or sign, with the error flag set,
    // and the value is what the text before it gives.
    size_t good = 0;
    while (good < text.size() && is_integer_character(text[good]))
        ++good;
    FUZZ_CHECK(int_error == (good < text.size()), "parse_int error flag for \"%s\"", text.c_str());
    int32_t prefix_value = 0;
    FUZZ_CHECK(!parse_int(text.substr(0, good).c_str(), &prefix_value) && prefix_value == i,
               "parse_int(\"%s\") = %d is not the value of its clean beginning", text.c_str(), i);
    // Without a minus, the unsigned parser reads the same bits; a minus is an error to it.
    const size_t minus = text.find('-');
    if (minus == std::string::npos || minus >= good) {
        FUZZ_CHECK(uint_error == int_error && u == static_cast<uint32_t>(i), "parse_uint(\"%s\") = %u",
                   text.c_str(), u);
    } else {
        FUZZ_CHECK(uint_error, "parse_uint accepted a minus in \"%s\"", text.c_str());
    }
    // Where the text holds no point and no exponent, the real parser agrees with the integer one while
    // the integer does not wrap.
    if (text.find_first_of(".eE") == std::string::npos) {
        FUZZ_CHECK(real_error == int_error, "parse_real and parse_int disagree on the error of \"%s\"",
                   text.c_str());
        size_t digits = 0;
        for (size_t k = 0; k < good; ++k)
            digits += text[k] >= '0' && text[k] <= '9';
        if (digits <= 9)
            FUZZ_CHECK(r == static_cast<double>(i), "parse_real(\"%s\") = %.17g, parse_int %d", text.c_str(),
                       r, i);
    }
    (void)edit_integer(text);
    const double edited = edit_real(text);
    FUZZ_CHECK(truncated_low_bits(edited, 8) < 256u, "truncated_low_bits(%g, 8)", edited);
    (void)truncated_low_bits(edited * 60.0, 32);
}

// One allocation serves every area size: the area of `size` bytes is its last `size` bytes, so that the
// first byte past the area is the allocation's end, which AddressSanitizer guards.
struct Area {
    std::unique_ptr<char[]> block;
    int capacity = 0;
    char* of_size(int size) {
        if (!block || size > capacity) {
            capacity = size + 512;
            block.reset(new char[capacity]);
        }
        return block.get() + (capacity - size);
    }
};

void check_text_fields(const std::string& text) {
    static Area field_area, copy_area;
    const auto copy = exact_copy(text);
    for (int size = 0; size <= static_cast<int>(text.size()) + 2; ++size) {
        char* field = field_area.of_size(size);
        std::memset(field, 'x', static_cast<size_t>(size));
        const bool cut = convert_text_value(copy.get(), field, VALUE_TEXT, size);
        if (size < 1) {
            FUZZ_CHECK(cut, "a field of 0 bytes took a text");
            continue;
        }
        FUZZ_CHECK(field[size - 1] == 0, "a field of %d bytes is not terminated", size);
        const size_t kept = std::strlen(field);
        const size_t expected =
            text.size() < static_cast<size_t>(size - 1) ? text.size() : static_cast<size_t>(size - 1);
        FUZZ_CHECK(kept == expected && std::memcmp(field, text.data(), kept) == 0,
                   "a field of %d bytes kept %zu characters of %zu", size, kept, text.size());
        FUZZ_CHECK(cut == (text.size() > expected), "the cut flag for a field of %d bytes", size);
        for (int k = static_cast<int>(kept); k < size; ++k)
            FUZZ_CHECK(field[k] == 0, "byte %d of the field is not zero", k);

        char* area = copy_area.of_size(size);
        const int copied = copy_text(area, copy.get(), size);
        if (text.size() < static_cast<size_t>(size))
            FUZZ_CHECK(copied == static_cast<int>(text.size()) && std::strcmp(area, text.c_str()) == 0,
                       "copy_text");
        else
            FUZZ_CHECK(copied == 0 && area[0] == 0, "copy_text cut a text instead of refusing it");
    }
}

void check_escaping(const std::string& text) {
    static Area escape_area;
    const auto copy = exact_copy(text);
    const std::string whole = xml_escape_field(copy.get(), text.size() + 1);
    // What the writer escapes, the reader resolves back to the very same text.
    FUZZ_CHECK(xml_resolve_references(whole.c_str()) == text, "escaping then resolving changed \"%s\"",
               text.c_str());
    FUZZ_CHECK(xml_raw_is(whole.c_str(), text.c_str()), "an escaped text is not its own text");
    FUZZ_CHECK(xml_resolve_references(copy.get()).size() <= text.size(), "resolving made a text longer");

    // Where each character's piece starts in the whole escape.
    std::vector<bool> piece_start(whole.size() + 1, false);
    size_t at = 0;
    for (char c : text) {
        piece_start[at] = true;
        const char one[2] = {c, 0};
        at += xml_escape_field(one, 2).size();
    }
    piece_start[at] = true;
    FUZZ_CHECK(at == whole.size(), "the whole escape is not its characters' pieces");

    for (int size = 0; size <= static_cast<int>(whole.size()) + 8; ++size) {
        char* out = escape_area.of_size(size);
        std::memset(out, 'x', static_cast<size_t>(size));
        FUZZ_CHECK(xml_escape_text(out, copy.get(), size) == 0, "xml_escape_text returns 0");
        if (size == 0) continue; // a write would have hit the allocation's end
        const size_t length = strnlen(out, static_cast<size_t>(size));
        FUZZ_CHECK(length < static_cast<size_t>(size), "an area of %d bytes is not terminated", size);
        FUZZ_CHECK(whole.compare(0, length, out) == 0, "the bounded escape is no beginning of the whole");
        FUZZ_CHECK(piece_start[length], "the escape of an area of %d bytes was cut inside a piece", size);
        // It keeps its own bound: it stops only once the output reaches size - 7, or at the text's end.
        if (length < whole.size())
            FUZZ_CHECK(size < 7 || length >= static_cast<size_t>(size - 7),
                       "an area of %d bytes kept only %zu of %zu characters", size, length, whole.size());
    }
    for (size_t field_size = 0; field_size <= text.size() + 2; ++field_size) {
        const std::string field = xml_escape_field(copy.get(), field_size);
        const size_t kept = field_size == 0 ? 0 : std::min(text.size(), field_size - 1);
        FUZZ_CHECK(field == whole.substr(0, field.size()) &&
                       (kept == text.size() || piece_start[field.size()]) &&
                       xml_resolve_references(field.c_str()) == text.substr(0, kept),
                   "a field of %zu bytes", field_size);
    }
}

void check_separators(const std::string& text) {
    const auto copy = exact_copy(text);
    strip_trailing_separators(copy.get());
    const std::string left = copy.get();
    FUZZ_CHECK(text.compare(0, left.size(), left) == 0, "stripping changed more than the end");
    if (left.size() >= 2)
        FUZZ_CHECK(left.back() != '/' && left.back() != '\\', "a separator was left at the end");
    for (size_t k = left.size(); k < text.size(); ++k)
        FUZZ_CHECK(text[k] == '/' || text[k] == '\\', "stripped a non-separator");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The text ends at the first zero byte, as every text of the program does.
    const std::string text(reinterpret_cast<const char*>(data),
                           strnlen(reinterpret_cast<const char*>(data), size));
    check_parsers(text);
    check_text_fields(text);
    check_escaping(text);
    check_separators(text);
    return 0;
}
