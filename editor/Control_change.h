// A control's new value as a script gives it, NAME=VALUE, set on the station editor as a user would set it:
// the one way `vemora-cli edit` and the editing of many stations at once change a control.
#pragma once

#include <string>

class Form_model;
class Station_editor;

struct Control_change {
    std::string name;  // the control's name, as the window's objectName: "ed_sms", "cb_s_1"
    std::string value; // a check box "0" or "1", a choice list an index from -1 to 2, an edit its text
};

// "NAME=VALUE" split at the first '='; false when there is none.
bool parse_control_change(const std::string& text, Control_change* change);

// Whether the form has the control and the value is of its kind: a check box 0 or 1, a choice list an
// index from -1 to 2; an edit takes any text here, its length being judged by each station's edit. False
// with *problem: "the editor has no control \"cb_x\"", "cb_s_0 is a check box: 0 or 1, not \"2\"".
bool check_control_change(const Form_model& form, const Control_change& change, std::string* problem);

// Sets the control on the opened editor as a user would, display conditions included. False with
// *problem, and nothing changed, for a value it refuses: those above, and a text longer than the edit
// takes ("ed_pin holds at most 31 characters; \"...\" has 40").
bool apply_control_change(Station_editor& editor, const Control_change& change, std::string* problem);
