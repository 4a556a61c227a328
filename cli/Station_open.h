// A station opened in the editor's logic as Edit Selected opens it, for form and edit.
#pragma once

#include <memory>
#include <ostream>

#include "Setup.h"
#include "Station_editor.h"

struct Opened {
    Tsetup setup;
    Tstation* station = nullptr;
    int position = 0; // from 1; 0 for a new station
    std::unique_ptr<Tstation> new_station;
    Station_editor editor;
};

// Reads IN and opens station N (a position, 0 for a new station, or id=N) in the editor; returns an exit
// code other than EXIT_OK on failure, with the message on err.
int open_station(const char* in, const char* n_text, Opened& opened, std::ostream& err);
