// Text helpers of the fleet's searches: 8-bit texts (Latin-1, as a station's texts are) folded to lower
// case, globs, and the natural order of texts.
#pragma once

#include <string>

// Lower case for ASCII and the Latin-1 letters (0xC0 to 0xDE but 0xD7), so that "PRÉS" finds "prés".
char fold_case(char c);
std::string folded(const std::string& text);

// Whether the whole text matches the pattern: * any run of characters, ? any one character; everything
// else as it stands. Both are compared as given (fold them first for a search ignoring case).
bool glob_matches(const std::string& pattern, const std::string& text);

// "st2" before "st10": runs of digits compare as numbers, the rest byte by byte. Negative, zero or
// positive as a before, equal to or after b; texts that differ only in leading zeros ("st02", "st2")
// compare by the number of zeros last, so that the order is total.
int natural_compare(const std::string& a, const std::string& b);

// A text that is a decimal number as a whole ("15.00", "-2", "1e3"), read with the point as the decimal
// point whatever the locale; false for anything else, blanks included.
bool decimal_number(const std::string& text, double* value);
