// vemora-cli form: open a station as Edit Selected does and print its controls.
#include "Command.h"

#include <algorithm>
#include <vector>

#include "Station_open.h"

namespace {

int form(const Arguments& a, std::ostream& out, std::ostream& err) {
    Opened opened;
    if (const int code = open_station(a[0].c_str(), a[1].c_str(), opened, err)) return code;
    std::vector<const Control*> controls;
    for (const Control& c : opened.editor.form.controls())
        controls.push_back(&c);
    std::sort(controls.begin(), controls.end(),
              [](const Control* a, const Control* b) { return a->name < b->name; });
    for (const Control* c : controls)
        out << c->name << '=' << control_value_text(*c) << (c->enabled ? "\n" : " disabled\n");
    return EXIT_OK;
}

} // namespace

extern const Command form_command = {
    "form",
    "IN N",
    "open station N (from 1; 0 a new one; id=101 by its ID) in the editor and print\nits 148 controls",
    2,
    2,
    form};
