// Station numbers on the command line: position 1 is the file's first station; "id=101" names the
// station whose ID is 101.
#pragma once

#include <string>

class Tsetup;
class Tstation;

// A whole decimal number and nothing else, or false.
bool strict_int(const std::string& text, long* value);

// The station at 1-based position n, or null for n = 0 (a new station); false when n is out of range.
bool station_at(Tsetup& setup, long n, Tstation** station);

// A station as a command names it: by position ("3") or by ID ("id=101").
struct Station_selector {
    bool by_id = false;
    long number = 0; // the position, or the ID (a signed 32-bit number)
};

// "N" or "id=N"; false when the text is neither.
bool parse_station_selector(const std::string& text, Station_selector* selector);

// The station the selector names in the document read from file: a position as station_at finds it (0:
// none, and true), an ID when exactly one station has it. False with *problem for the message: "there
// is no station 9 in \"in.xml\"", "no station has the id 555 in \"in.xml\"", or, for an ID that repeats,
// "the id 101 belongs to stations 1 and 4 in \"in.xml\"; name one by its position".
bool find_station(Tsetup& setup, const Station_selector& selector, const std::string& file,
                  Tstation** station, int* position, std::string* problem);
