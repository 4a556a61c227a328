// How the station editor reads numbers from its edits: like atof and atol, but never by the user's locale.
#pragma once

#include <cstdint>
#include <string>

// The longest beginning of the text (after white space) that reads as a decimal real with optional sign,
// point and exponent, as a double; 0 without one. "11,9" gives 11.
double edit_real(const std::string& text);

// White space, an optional sign, then decimal digits up to the first other character, in 32-bit
// arithmetic that wraps; 0 without digits. "  42x" gives 42.
int32_t edit_integer(const std::string& text);

// A double cut toward zero, of which the low `bits` bits are kept (8 or 32); NaN and infinities give 0.
uint32_t truncated_low_bits(double value, int bits);

// Whether the whole text (white space around it aside) is read: false for "7,25" or "12abc", which are read
// only up to their bad character. An empty text is read whole (as 0).
bool edit_real_whole(const std::string& text);
bool edit_integer_whole(const std::string& text);
