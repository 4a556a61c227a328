// Text and number helpers on zero-terminated 8-bit texts: bounded copy, path trimming, lenient parsers.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <locale.h>

// How an attribute's text is converted and what the output area is.
enum Value_kind : int {
    VALUE_TEXT = 0, // char buffer of `size` bytes
    VALUE_INT = 1,  // int32_t
    VALUE_UINT = 2, // uint32_t
    VALUE_REAL = 3, // double
};

// Copies src into the size-byte area dst only when the whole text and its terminator fit; otherwise dst is
// left empty. Returns the number of characters copied, or 0.
int copy_text(char* dst, const char* src, int size);

// Removes trailing slashes and backslashes in place; a text of one character is left alone.
void strip_trailing_separators(char* path);

// Converts text into out by kind. Returns true (error) when the text was not entirely valid; the value read
// so far is stored all the same.
bool convert_text_value(const char* text, void* out, int kind, int size);

// Lenient decimal parsers: blanks and tabs are skipped anywhere, signs may stand anywhere (the last wins),
// any other character ends the reading with the error flag set. The value is stored in every case.
bool parse_int(const char* text, int32_t* out);
bool parse_uint(const char* text, uint32_t* out);
bool parse_real(const char* text, double* out);

// The C locale, for conversions that must read and write "." as the decimal point whatever locale the
// process runs in (the windows take the user's, where the point may be a comma).
locale_t c_locale();

// vsnprintf and snprintf in the C locale: a saved threshold or a shown interval never depends on the
// user's language.
int vformat_c(char* out, size_t size, const char* format, va_list args);
int format_c(char* out, size_t size, const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 3, 4)))
#endif
    ;
