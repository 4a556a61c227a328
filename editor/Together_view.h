// Several stations seen together, control by control: equal on every one (and its value) or mixed (how many
// values). What the station editor shows when it edits a selection at once; made by the fleet's
// together_view.
#pragma once

#include <string>
#include <vector>

#include "Form_model.h"

struct Together_control {
    Control value;   // the control on the first station: its name, kind and that station's value
    int values = 0;  // how many distinct values the stations hold: 1 when it is equal on every one
    int enabled = 0; // on how many stations the editor shows it enabled
    bool identity = false;
    bool mixed() const { return values > 1; }
};

struct Together_view {
    int stations = 0; // the stations shown: the selection, spares left out unless included
    std::vector<Together_control> controls; // one per control of the form, in its order
};

// What an edit shows for a mixed control: "mixed: 3 values"; empty for one that is equal everywhere.
std::string mixed_text(const Together_control& control);
