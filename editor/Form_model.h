// The station editor's 148 input controls as named values: ticked, selected index or text, and enabled.
#pragma once

#include <string>
#include <unordered_map>
#include <vector>

#include "Channel_table.h"

enum class Control_kind { CHECK_BOX, CHOICE_LIST, EDIT };

struct Control {
    std::string name;
    Control_kind kind;
    bool checked = false; // check box
    int index = 0;        // choice list: 0 to 2, or -1 with no selected item
    std::string text;     // edit: 8-bit text
    bool enabled = true;
    int max_length = 0;                 // edit: the most characters it accepts
    const char* const* items = nullptr; // choice list: its three items
};

// Indexes of one sequence page's controls in the form; -1 where the page has no such control.
struct Page_controls {
    int vbat = -1, vbat_eol = -1, vbat_threshold = -1;
    int check[CHANNEL_COUNT];
    int compare[CHANNEL_COUNT];
    int threshold[CHANNEL_COUNT];
    int sms = -1;
    int action[2] = {-1, -1};
    int output[2][4] = {{-1, -1, -1, -1}, {-1, -1, -1, -1}};
};

// Indexes of the controls of the General, GSM timing and Acquisition timing pages.
struct General_controls {
    int id, phone_nbr, pin, description, sms, gsm_interval, gsm_duration, acq_interval0, acq_interval1;
};

// A control's value as one line of text, as `vemora-cli form` prints it and the station query compares it:
// a check box "1" or "0", a choice list its selected index, an edit its text with control characters (a
// line break in a description read from a file) written as \xHH.
std::string control_value_text(const Control& control);

class Form_model {
  public:
    Form_model();

    int find(const std::string& name) const; // -1 when there is no such control
    Control& at(int i) { return controls_[static_cast<size_t>(i)]; }
    const Control& at(int i) const { return controls_[static_cast<size_t>(i)]; }
    const std::vector<Control>& controls() const { return controls_; }
    std::vector<Control>& controls() { return controls_; }
    const Page_controls& page(int p) const { return pages_[p]; }
    const General_controls& general() const { return general_; }

    bool checked(int i) const { return i >= 0 && at(i).checked; }
    int index(int i) const { return i >= 0 ? at(i).index : -1; }
    const std::string& text(int i) const { return at(i).text; }

    // Setting a value as a user would. A text longer than the edit accepts is refused whole: false and
    // nothing changes. An index outside -1 to 2 is refused too.
    // A text loaded from a file may be longer than what a user may type (an SMS number of 18 characters):
    // it is shown whole and may be shortened, never lengthened.
    void set_checked(int i, bool checked) { at(i).checked = checked; }
    bool set_index(int i, int index);
    bool set_text(int i, const std::string& text);
    // The longest text the edit takes now: its maximum length, or the longer text it holds.
    int longest_text(int i) const;

  private:
    int add(const std::string& name, Control_kind kind, int max_length = 0,
            const char* const* items = nullptr);

    std::vector<Control> controls_;
    std::unordered_map<std::string, int> by_name_;
    Page_controls pages_[PAGE_COUNT];
    General_controls general_;
};

// Edits' maximum lengths: what the station record's fields and the SMS number record can hold.
constexpr int PHONE_NBR_MAX = 31;
constexpr int PIN_MAX = 31;
constexpr int DESCRIPTION_MAX = 255;
constexpr int NUMBER_EDIT_MAX = 31; // thresholds, intervals and the station ID
