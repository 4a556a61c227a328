// Station numbers on the command line: position 1 is the file's first station; "id=101" names the
// station whose ID is 101; "1,3,7-9", "id=101,203" and "all" name several.
#pragma once

#include <string>
#include <utility>
#include <vector>

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

// Several stations as `edit` names them: positions and ranges of positions ("1,3,7-9"), IDs
// ("id=101,203"), or every station ("all"). A query (--where) is parsed by the command.
struct Stations_selector {
    enum class Kind { POSITIONS, IDS, ALL } kind = Kind::ALL;
    std::vector<std::pair<long, long>> ranges; // POSITIONS: from and to, inclusive, from 1
    std::vector<long> ids;                     // IDS
};

// The text as a selector of several stations; false with *problem for a usage error ("\"1,,3\" has an
// empty item", "the range 9-3 in \"9-3\" runs backwards: write 3-9").
bool parse_stations_selector(const std::string& text, Stations_selector* selector, std::string* problem);

// The positions (from 0, ascending, each once) of the stations the selector names in the document read
// from file; false with *problem: "there is no station 12 in \"in.xml\" (it has 9)", an ID that no station
// or several stations have, as find_station says it.
bool select_stations(Tsetup& setup, const Stations_selector& selector, const std::string& file,
                     std::vector<int>* positions, std::string* problem);
