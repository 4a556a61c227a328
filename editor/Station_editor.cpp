// Opening the editor on a station: values before loading, then the record and its image over them.
#include "Station_editor.h"

#include <cstdio>

#include "Lib_text.h"
#include "Sequence_command.h"

const char ZEVO_4K_DISPLAY_TYPE[] = "zevo-4k";

namespace {

// The four timing edits: record, divisor to show minutes or hours, format, value before loading.
struct Timing_row {
    uint8_t tag;
    int General_controls::*edit;
    double divisor;
    const char* format;
    const char* before;
};

const Timing_row timing_rows[] = {
    {tag::ACQ_INTERVAL0, &General_controls::acq_interval0, 60, "%.2f", "15"},
    {tag::ACQ_INTERVAL1, &General_controls::acq_interval1, 60, "%.2f", "5"},
    {tag::GSM_INTERVAL, &General_controls::gsm_interval, 3600, "%.3f", "24"},
    {tag::GSM_DURATION, &General_controls::gsm_duration, 60, "%.2f", "20"},
};

std::string formatted(const char* format, double value) {
    char text[64];
    format_c(text, sizeof text, format, value);
    return text;
}

std::string unsigned_text(uint32_t value) {
    return std::to_string(value);
}

} // namespace

void Station_editor::open(Tstation* record) {
    station = record;
    reset_controls();
    load_station();
    setup_display_conditions();
}

void Station_editor::reset_controls() {
    for (Control& c : form.controls()) {
        c.checked = false;
        c.index = 0; // compare lists "No threshold", output action lists "Force 1"
    }
    const General_controls& g = form.general();
    form.at(g.id).text = "1";
    form.at(g.phone_nbr).text = "Station's phone number";
    form.at(g.pin).text = "6159";
    form.at(g.description).text = "Test station";
    form.at(g.sms).text = "Where to send SMS";
    for (const Timing_row& row : timing_rows)
        form.at(g.*row.edit).text = row.before;
    for (int p = 0; p < PAGE_COUNT; ++p) {
        if (!sequence_pages[p].full) continue;
        const Page_controls& c = form.page(p);
        form.at(c.vbat_threshold).text = "11.9";
        for (int n = 0; n < CHANNEL_COUNT; ++n)
            if (c.threshold[n] >= 0)
                form.at(c.threshold[n]).text =
                    p == 0 ? channel_table[n].before_slow : channel_table[n].before_fast;
    }
}

void Station_editor::load_station() {
    if (station == nullptr) return;
    const Teeprom_configurer& image = station->configuration;
    const General_controls& g = form.general();
    for (const Timing_row& row : timing_rows) {
        int32_t value;
        if (!image.get_tag_long(row.tag, &value)) continue;
        const uint32_t v = static_cast<uint32_t>(value);
        // 0 seconds would show as 0.00; it shows as 1 instead.
        form.at(g.*row.edit).text =
            formatted(row.format, v == 0 ? 1.0 : static_cast<double>(v) / row.divisor);
    }
    form.at(g.sms).text = image.get_sms_number();
    for (const Sequence_page& page : sequence_pages)
        load_sequence(page.tag);
    form.at(g.id).text = unsigned_text(static_cast<uint32_t>(station->id));
    form.at(g.phone_nbr).text = station->phone_nbr;
    form.at(g.pin).text = station->pin;
    form.at(g.description).text = station->description;
}

void Station_editor::load_sequence(uint8_t tag_byte) {
    if (station == nullptr) return;
    int p = 0;
    while (p < PAGE_COUNT && sequence_pages[p].tag != tag_byte)
        ++p;
    if (p == PAGE_COUNT) return;
    const Teeprom_configurer& image = station->configuration;
    const uint8_t tag_position = image.find_tag(tag_byte);
    if (tag_position == 0xFF) return; // the page keeps its values before loading
    const Page_controls& c = form.page(p);
    const bool full = sequence_pages[p].full;
    uint8_t position = static_cast<uint8_t>(tag_position + 2);
    action_count = 0;
    for (;;) {
        Sequence_command command;
        // The editor shows only what it builds itself; a sensor command, or a byte that is no command,
        // ends the walk. Instrument commands are stepped over by their own length.
        if (!decode_command(image, position, &command)) return;
        switch (command.kind) {
        case Command_kind::END:
            return;
        case Command_kind::SIMPLE_SENSOR_1:
        case Command_kind::SIMPLE_SENSOR_2:
            return;
        case Command_kind::CONDITIONAL_ACTION:
            if (full) {
                show_action(p, command.and_mask, command.or_mask);
                ++action_count;
            }
            break;
        case Command_kind::CONDITIONAL_SMS:
            if (full) form.set_checked(c.sms, true);
            break;
        case Command_kind::ACQ_VBAT:
            show_vbat(p, command.vbat_threshold);
            break;
        case Command_kind::ACQ_FLUO:
        case Command_kind::ACQ: {
            const bool fluo = command.kind == Command_kind::ACQ_FLUO;
            const Channel* channel = find_channel(fluo ? Channel_command::FLUO : Channel_command::ACQ,
                                                  fluo ? command.channel : command.header);
            if (channel == nullptr) break;
            std::string text;
            if (command.has_threshold)
                text = channel->integer_threshold
                           ? unsigned_text(command.threshold_bits)
                           : formatted("%.2f", static_cast<double>(command.threshold_real()));
            const int n = static_cast<int>(channel - channel_table);
            show_channel(command.has_threshold, command.lt, text, c.check[n], c.compare[n], c.threshold[n]);
            break;
        }
        default: // NOP, PROBES_POWER, WAIT, ACQ_INSTRUMENT: nothing to show
            break;
        }
        const uint8_t next = static_cast<uint8_t>(position + command.length);
        if (next >= 240 || next <= position) return;
        position = next;
    }
}

void Station_editor::show_channel(bool has_threshold, bool lt, const std::string& text, int check_box,
                                  int compare_list, int threshold_edit) {
    form.set_checked(check_box, true);
    if (compare_list < 0 || threshold_edit < 0) return;
    if (has_threshold) {
        form.at(compare_list).index = lt ? COMPARE_LT : COMPARE_GE;
        form.at(threshold_edit).text = text;
    } else {
        form.at(compare_list).index = COMPARE_NONE; // the edit keeps its text
    }
}

void Station_editor::show_vbat(int page, uint8_t threshold_byte) {
    const Page_controls& c = form.page(page);
    form.set_checked(c.vbat, true);
    if (!sequence_pages[page].full) return; // the remote page shows no threshold
    form.set_checked(c.vbat_eol, threshold_byte != 0);
    if (threshold_byte != 0) form.at(c.vbat_threshold).text = formatted("%.1f", threshold_byte * 0.1);
}

void Station_editor::show_action(int page, uint8_t and_mask, uint8_t or_mask) {
    if (action_count > 1) return; // two rows of controls; a third action shows nowhere
    const Page_controls& c = form.page(page);
    form.set_checked(c.action[action_count], true);
    for (int k = 0; k < 4; ++k) {
        const int index = (or_mask >> k) & 1    ? OUTPUT_FORCE_1
                          : (and_mask >> k) & 1 ? OUTPUT_KEEP
                                                : OUTPUT_FORCE_0;
        form.at(c.output[action_count][k]).index = index;
    }
}

void Station_editor::setup_display_conditions() {
    // A pure function of the ticks and selections. The second line of each rule reads the enabled state
    // that the first line has just set, so the first lines go first.
    for (int p = 0; p < PAGE_COUNT; ++p) {
        if (!sequence_pages[p].full) continue;
        const Page_controls& c = form.page(p);
        form.at(c.vbat_eol).enabled = form.checked(c.vbat);
        for (int n = 0; n < CHANNEL_COUNT; ++n)
            if (c.compare[n] >= 0) form.at(c.compare[n]).enabled = form.checked(c.check[n]);
        form.at(c.vbat_threshold).enabled = form.checked(c.vbat_eol) && form.at(c.vbat_eol).enabled;
        for (int n = 0; n < CHANNEL_COUNT; ++n)
            if (c.threshold[n] >= 0)
                form.at(c.threshold[n]).enabled =
                    form.at(c.compare[n]).enabled && form.index(c.compare[n]) != COMPARE_NONE;
        for (int a = 0; a < 2; ++a)
            for (int k = 0; k < 4; ++k)
                form.at(c.output[a][k]).enabled = form.checked(c.action[a]);
    }
}

bool Station_editor::set_checked(int control, bool checked) {
    if (control < 0 || form.at(control).kind != Control_kind::CHECK_BOX) return false;
    form.set_checked(control, checked);
    setup_display_conditions();
    return true;
}

bool Station_editor::set_index(int control, int index) {
    if (control < 0 || form.at(control).kind != Control_kind::CHOICE_LIST) return false;
    if (!form.set_index(control, index)) return false;
    setup_display_conditions();
    return true;
}

bool Station_editor::set_text(int control, const std::string& text) {
    if (control < 0 || form.at(control).kind != Control_kind::EDIT) return false;
    if (!form.set_text(control, text)) return false;
    setup_display_conditions();
    return true;
}
