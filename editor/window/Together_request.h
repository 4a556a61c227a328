// What the main window gives the station editor to edit several stations together, and what it gets back.
#pragma once

#include <QString>
#include <functional>
#include <vector>

#include "Control_change.h"
#include "Together_view.h"

struct Together_check {
    QString refused; // empty when every station takes the changes; else one line per refused station
    QString meter;   // the worst case of the memory used, naming its station
};

struct Together_request {
    QString title;      // "Edit 312 stations"
    Together_view view; // the stations' values, control by control (spares left out)
    int spares = 0;     // selected stations with nothing configured, edited only when the user includes them
    // Plans the changes on the selection: what the memory meter shows and which stations refuse them.
    std::function<Together_check(const std::vector<Control_change>& changes, bool include_spares)> check;
};

// Shows the request's stations in the editor; true with the changes (only the controls the user changed,
// in the form's order) and the choice about spares when OK found no station refusing them.
using Together_editor = std::function<bool(const Together_request& request,
                                           std::vector<Control_change>* changes, bool* include_spares)>;
