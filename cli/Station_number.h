// Station numbers on the command line: position 1 is the file's first station.
#pragma once

#include <string>

class Tsetup;
class Tstation;

// A whole decimal number and nothing else, or false.
bool strict_int(const std::string& text, long* value);

// The station at 1-based position n, or null for n = 0 (a new station); false when n is out of range.
bool station_at(Tsetup& setup, long n, Tstation** station);
