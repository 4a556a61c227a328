// The station editor's channels and sequence pages: one table drives layout, load, store and enabling.
#pragma once

#include <cstdint>
#include <string>

// How a channel appears in a sequence.
enum class Channel_command { FLUO, ACQ };

struct Channel {
    int number;              // fluorometer channel 0-9 or ACQ header 161-175: the N of cb_p_N
    const char* caption;     // the check box's caption
    const char* unit;        // the threshold's unit label; empty without threshold
    bool has_threshold;      // a compare list and a threshold edit on the slow and fast pages
    Channel_command command; // ACQ_FLUO channel N, or ACQ header N
    bool integer_threshold;  // pulse counters: a 32-bit integer, not a single-precision float
    const char* before_slow; // threshold edit's value before loading on the slow page
    const char* before_fast; // and on the fast page
};

constexpr int CHANNEL_COUNT = 18;
extern const Channel channel_table[CHANNEL_COUNT];

// The channel an ACQ_FLUO channel or ACQ header stands for, or null when the editor has no control for it.
const Channel* find_channel(Channel_command command, int number);

// The three sequence pages.
struct Sequence_page {
    const char* prefix; // "s", "f", "r": cb_s_0, cb_f_0, cb_r_0
    uint8_t tag;        // the sequence record
    bool full;          // thresholds, battery threshold, SMS and output actions (slow and fast pages)
};

constexpr int PAGE_COUNT = 3;
extern const Sequence_page sequence_pages[PAGE_COUNT];

// Control names, as the windows use them for objectName.
std::string check_box_name(const Sequence_page& page, const Channel& channel);                  // cb_p_N
std::string compare_list_name(const Sequence_page& page, const Channel& channel);               // cbb_p_N
std::string threshold_edit_name(const Sequence_page& page, const Channel& channel);             // ed_p_N
std::string page_control_name(const char* kind, const Sequence_page& page, const char* suffix); // cb_p_vbat

// The second output action's controls carry the prefix "s2"/"f2": cb_s2_out, cbb_s2_o0.
std::string action_check_box_name(const Sequence_page& page, int action);        // action 0 or 1
std::string action_list_name(const Sequence_page& page, int action, int output); // output 0 to 3

// Shared item lists of the choice lists.
constexpr int ITEM_COUNT = 3;
extern const char* const compare_items[ITEM_COUNT];
extern const char* const output_action_items[ITEM_COUNT];

enum Compare_index { COMPARE_NONE = 0, COMPARE_GE = 1, COMPARE_LT = 2 };
enum Output_index { OUTPUT_FORCE_1 = 0, OUTPUT_FORCE_0 = 1, OUTPUT_KEEP = 2 };
