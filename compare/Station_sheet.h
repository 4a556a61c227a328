// The station sheet: one station's identity, memory used and stored settings in the editor's words, as
// plain lines. vemora-cli report prints it; Print Station Sheet prints the same lines, one page a station.
#pragma once

#include <string>
#include <vector>

class Tstation;
class Settings_reader;

struct Sheet_options {
    bool show_pin = false; // otherwise the PIN code shows as ****
};

// The lines of the sheet of one station (position from 1 in its document), 8-bit, without line ends.
// Identical settings give identical lines, so two sheets that differ in one setting differ in one line.
std::vector<std::string> station_sheet(const Tstation& station, int position, const Sheet_options& options,
                                       Settings_reader& reader);
