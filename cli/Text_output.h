// Lines for people: the 8-bit texts of stations and labels ("[°C]") written as UTF-8 for the terminal.
#pragma once

#include <string>

std::string utf8_of(const std::string& latin1);

// What a user typed, for searching a station's 8-bit texts: valid UTF-8 whose characters all lie below 256
// becomes those bytes ("Prés" from the terminal finds "Prés" in the file); any other text stays as it is.
std::string latin1_of(const std::string& typed);
