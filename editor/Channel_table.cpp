// The channel table: captions, units, threshold kinds and values before loading of every channel.
#include "Channel_table.h"

#include "Eeprom_configurer.h"

const Channel channel_table[CHANNEL_COUNT] = {
    {0, "Temperature",
     "[\xb0"
     "C]",
     true, Channel_command::FLUO, false, "5.0", "5.0"},
    {1, "Uranine delta (on-off)", "[mv]", true, Channel_command::FLUO, false, "5.0", "5.0"},
    {2, "Rhodamine delta (on-off)", "[mv]", true, Channel_command::FLUO, false, "5.0", "5.0"},
    {3, "Tinopal  delta (on-off)", "[mv]", true, Channel_command::FLUO, false, "5.0", "5.0"},
    {4, "Turbidity  delta (on-off)", "[mv]", true, Channel_command::FLUO, false, "5.0", "5.0"},
    {5, "Uranine on and off", "", false, Channel_command::FLUO, false, "", ""},
    {6, "Rhodamine on and off", "", false, Channel_command::FLUO, false, "", ""},
    {7, "Tinopal on and off", "", false, Channel_command::FLUO, false, "", ""},
    {8, "Turbidity on and off", "", false, Channel_command::FLUO, false, "", ""},
    {9, "Conductivity", "[-] (m1/m0 ratio)", true, Channel_command::FLUO, false, "0.5", "0.6"},
    {161, "4-20 mA signal A", "[mA]", true, Channel_command::ACQ, false, "5.0", "5.0"},
    {162, "4-20 mA signal B", "[mA]", true, Channel_command::ACQ, false, "5.0", "5.0"},
    {169, "0-3 V signal C", "[V]", true, Channel_command::ACQ, false, "5.0", "5.0"},
    {170, "0-3 V signal D", "[V]", true, Channel_command::ACQ, false, "5.0", "5.0"},
    {172, "Pulse counter 12 (input #0, abs)", "[pulse]", true, Channel_command::ACQ, true, "5", "5.0"},
    {173, "Pulse counter 13 (input #0, rel)", "[pulse]", true, Channel_command::ACQ, true, "5", "5.0"},
    {174, "Pulse counter 14 (input #1, abs)", "[pulse]", true, Channel_command::ACQ, true, "5", "5.0"},
    {175, "Pulse counter 14 (input #1, rel)", "[pulse]", true, Channel_command::ACQ, true, "5", "5.0"},
};

const Sequence_page sequence_pages[PAGE_COUNT] = {
    {"s", tag::SEQUENCE_SLOW, true},
    {"f", tag::SEQUENCE_FAST, true},
    {"r", tag::SEQUENCE_REMOTE, false},
};

const char* const compare_items[ITEM_COUNT] = {"No threshold", ">= Greater Or Equal", "< Less Than"};
const char* const output_action_items[ITEM_COUNT] = {"Force 1", "Force 0", "Keep"};

const Channel* find_channel(Channel_command command, int number) {
    for (const Channel& c : channel_table)
        if (c.command == command && c.number == number) return &c;
    return nullptr;
}

std::string page_control_name(const char* kind, const Sequence_page& page, const char* suffix) {
    return std::string(kind) + "_" + page.prefix + "_" + suffix;
}

std::string check_box_name(const Sequence_page& page, const Channel& channel) {
    return page_control_name("cb", page, std::to_string(channel.number).c_str());
}

std::string compare_list_name(const Sequence_page& page, const Channel& channel) {
    return page_control_name("cbb", page, std::to_string(channel.number).c_str());
}

std::string threshold_edit_name(const Sequence_page& page, const Channel& channel) {
    return page_control_name("ed", page, std::to_string(channel.number).c_str());
}

std::string action_check_box_name(const Sequence_page& page, int action) {
    return std::string("cb_") + page.prefix + (action == 0 ? "" : "2") + "_out";
}

std::string action_list_name(const Sequence_page& page, int action, int output) {
    return std::string("cbb_") + page.prefix + (action == 0 ? "" : "2") + "_o" + std::to_string(output);
}
