// What each control of the station editor is, said in words: the label a user reads beside it, the name
// a screen reader speaks for it (unique within its page) and its unit. Derived from the channel table and
// the form model, so a new channel row gets its names with it.
#pragma once

#include <string>
#include <vector>

#include "Form_model.h"

// The editor's six pages, in the order the window shows them.
constexpr int EDITOR_PAGE_COUNT = 6;
extern const char* const editor_page_captions[EDITOR_PAGE_COUNT]; // "General" ... "Remote sequence"
inline int sequence_page_tab(int sequence_page) {
    return 3 + sequence_page;
}

struct Control_label {
    int page = -1;     // 0 to 5, as editor_page_captions
    std::string label; // the field label or caption shown beside the control ("Station ID", "Temperature")
    std::string
        name; // what the control is: "Temperature threshold", "Outputs S3 of the first conditional action"
    std::string unit; // 8-bit text as the window shows it: "[V]", "hours"; empty without one
};

// One label per control of the form, in the form's order.
std::vector<Control_label> control_labels(const Form_model& form);
