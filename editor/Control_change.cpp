// Setting a control from NAME=VALUE, with the message for a value it cannot take.
#include "Control_change.h"

#include "Reading_report.h"
#include "Station_editor.h"

namespace {

// A whole decimal number from -1 to 2 and nothing else ("01" is 1).
bool list_index(const std::string& text, int* index) {
    if (text.empty() || text.size() > 10) return false;
    const bool negative = text[0] == '-';
    if (negative && text.size() == 1) return false;
    long value = 0;
    for (size_t i = negative ? 1 : 0; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        value = value * 10 + (text[i] - '0');
    }
    if (negative) value = -value;
    if (value < -1 || value > 2) return false;
    *index = static_cast<int>(value);
    return true;
}

} // namespace

bool parse_control_change(const std::string& text, Control_change* change) {
    const size_t equals = text.find('=');
    if (equals == std::string::npos) return false;
    change->name = text.substr(0, equals);
    change->value = text.substr(equals + 1);
    return true;
}

bool check_control_change(const Form_model& form, const Control_change& change, std::string* problem) {
    const int control = form.find(change.name);
    if (control < 0) {
        *problem = "the editor has no control \"" + shown_text(change.name) + "\"";
        return false;
    }
    int index = 0;
    switch (form.at(control).kind) {
    case Control_kind::CHECK_BOX:
        if (change.value == "0" || change.value == "1") return true;
        *problem = change.name + " is a check box: 0 or 1, not \"" + shown_text(change.value) + "\"";
        return false;
    case Control_kind::CHOICE_LIST:
        if (list_index(change.value, &index)) return true;
        *problem = change.name + " is a choice list: an index from -1 to 2, not \"" +
                   shown_text(change.value) + "\"";
        return false;
    default:
        return true;
    }
}

bool apply_control_change(Station_editor& editor, const Control_change& change, std::string* problem) {
    if (!check_control_change(editor.form, change, problem)) return false;
    const int control = editor.form.find(change.name);
    int index = 0;
    switch (editor.form.at(control).kind) {
    case Control_kind::CHECK_BOX:
        return editor.set_checked(control, change.value == "1");
    case Control_kind::CHOICE_LIST:
        list_index(change.value, &index);
        return editor.set_index(control, index);
    default:
        if (editor.set_text(control, change.value)) return true;
        *problem = change.name + " holds at most " + std::to_string(editor.form.longest_text(control)) +
                   " characters; \"" + shown_text(change.value) + "\" has " +
                   std::to_string(change.value.size());
        return false;
    }
}
