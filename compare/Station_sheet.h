// The station sheet: one station's identity, memory used and stored settings in the editor's words, as
// plain lines. vemora-cli report prints it; Print Station Sheet prints the same lines, one page a station.
#pragma once

#include <string>
#include <vector>

class Tstation;
class Settings_reader;

struct Sheet_options {
    bool show_pin = false; // otherwise the PIN code shows as ****
    // For paper: the page's name, which the group heading says, is not repeated on each line, the aspects
    // of one caption share a line ("  Rhodamine delta (on-off): measured yes, comparison >= Greater Or
    // Equal, threshold 8.25 [mv]") and the unticked boxes of a page one more ("  Not ticked: Uranine delta
    // (on-off), Tinopal delta (on-off)"), so that a station's sheet fits one page.
    bool compact = false;
};

// The lines of the sheet of one station (position from 1 in its document), 8-bit, without line ends.
// Identical settings give identical lines, so two sheets that differ in one setting differ in one line.
std::vector<std::string> station_sheet(const Tstation& station, int position, const Sheet_options& options,
                                       Settings_reader& reader);
