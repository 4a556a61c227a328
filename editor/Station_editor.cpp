// Opening the editor on a station: values before loading, then the record and its image over them.
#include "Station_editor.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "Edit_numbers.h"
#include "Lib_text.h"
#include "Sequence_command.h"

const char ZEVO_4K_DISPLAY_TYPE[] = "zevo-4k";

namespace {

// The four timing edits: record, divisor to show minutes or hours, format, value before loading, unit.
struct Timing_row {
    uint8_t tag;
    int General_controls::*edit;
    double divisor;
    const char* format;
    const char* before;
    const char* unit;
};

const Timing_row timing_rows[] = {
    {tag::ACQ_INTERVAL0, &General_controls::acq_interval0, 60, "%.2f", "15", "min"},
    {tag::ACQ_INTERVAL1, &General_controls::acq_interval1, 60, "%.2f", "5", "min"},
    {tag::GSM_INTERVAL, &General_controls::gsm_interval, 3600, "%.3f", "24", "h"},
    {tag::GSM_DURATION, &General_controls::gsm_duration, 60, "%.2f", "20", "min"},
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

std::string timing_text(uint8_t t, int32_t seconds) {
    for (const Timing_row& row : timing_rows)
        if (row.tag == t)
            return formatted(row.format, static_cast<double>(static_cast<uint32_t>(seconds)) / row.divisor) +
                   " " + row.unit;
    return std::string();
}

int output_choice(uint8_t and_mask, uint8_t or_mask, int output) {
    return (or_mask >> output) & 1 ? OUTPUT_FORCE_1 : (and_mask >> output) & 1 ? OUTPUT_KEEP : OUTPUT_FORCE_0;
}

void Station_editor::open(Tstation* record, bool add) {
    station = record;
    adding = add;
    loaded.clear();
    kept.clear();
    dropped.clear();
    reset_controls();
    load_station();
    setup_display_conditions();
    opened_form_ = form.controls();
}

bool Station_editor::unchanged() const {
    const std::vector<Control>& now = form.controls();
    if (now.size() != opened_form_.size()) return false;
    for (size_t i = 0; i < now.size(); ++i)
        if (now[i].checked != opened_form_[i].checked || now[i].index != opened_form_[i].index ||
            now[i].text != opened_form_[i].text)
            return false;
    return true;
}

Store_result Station_editor::ok() {
    if (!adding && station != nullptr && unchanged()) return {true, bytes_needed()};
    return store();
}

void Station_editor::remember_loaded(int control, uint32_t bits) {
    for (Loaded_value& v : loaded)
        if (v.control == control) {
            v.text = form.text(control);
            v.bits = bits;
            return;
        }
    loaded.push_back({control, form.text(control), bits});
}

bool Station_editor::loaded_value(int control, uint32_t* bits) const {
    for (const Loaded_value& v : loaded)
        if (v.control == control && form.text(control) == v.text) {
            *bits = v.bits;
            return true;
        }
    return false;
}

namespace {

// The records that no control shows, by tag, with what the General page calls them.
struct Kept_kind {
    uint8_t tag;
    const char* caption;
    const char* element; // its element name in the setup file
    bool text;           // a text record: its characters are counted, and short ones shown
};

const Kept_kind kept_kinds[] = {
    {tag::PHONE_NUMBER, "Phone number record", "PHONE_NUMBER", true},
    {tag::SMS_TEXT_ACQ, "SMS text on acquisition", "SMS_TEXT_ACQ", true},
    {tag::SMS_TEXT_EOL, "SMS text at end of life", "SMS_TEXT_EOL", true},
    {tag::SYSTEM_CONFIG, "System configuration", "SYSTEM_CONFIG", false},
    {tag::LOCATION, "LOCATION", "LOCATION", false},
    {tag::GSM_SMS_DURATION, "GSM SMS duration", "GSM_SMS_DURATION", false},
};

const Kept_kind* kept_kind(uint8_t t) {
    for (const Kept_kind& k : kept_kinds)
        if (k.tag == t) return &k;
    return nullptr;
}

} // namespace

const char* kept_record_caption(uint8_t t) {
    const Kept_kind* k = kept_kind(t);
    return k != nullptr ? k->caption : "";
}

const char* kept_record_element(uint8_t t) {
    const Kept_kind* k = kept_kind(t);
    return k != nullptr ? k->element : "";
}

bool kept_record_is_text(uint8_t t) {
    const Kept_kind* k = kept_kind(t);
    return k != nullptr && k->text;
}

namespace {

// The records the editor shows and writes itself, by their element names.
const char* shown_record_name(uint8_t t) {
    switch (t) {
    case tag::SEQUENCE_SLOW:
    case tag::SEQUENCE_FAST:
    case tag::SEQUENCE_REMOTE:
        return "ACQUISITION_SEQUENCE"; // the three share one element in the file
    case tag::SMS_NUMBER:
    case tag::STATION_ID:
    case tag::PIN_CODE:
    case tag::SYSCTRL:
    case tag::ACQ_INTERVAL0:
    case tag::ACQ_INTERVAL1:
    case tag::GSM_INTERVAL:
    case tag::GSM_DURATION:
        return tag_name(t);
    default:
        return nullptr;
    }
}

} // namespace

void Station_editor::keep_records() {
    int seen[256] = {};
    const Teeprom_configurer& image = station->configuration;
    const uint8_t* data = image.data();
    uint8_t position = 0;
    for (;;) {
        const uint8_t t = data[position];
        uint8_t next = 0;
        const bool more = next_record_position(data, position, &next);
        // Where the record ends, whether or not the walk goes on after it: a record cut at byte 223 is
        // not whole, and is not kept.
        const int end = is_variable_tag(t) ? position + 2 + data[static_cast<uint8_t>(position + 1)]
                        : is_fixed_tag(t)  ? position + 5
                                           : IMAGE_USABLE + 1;
        if (kept_kind(t) != nullptr && end <= IMAGE_USABLE && end <= image.cursor())
            kept.push_back({t, std::string(reinterpret_cast<const char*>(data) + position,
                                           static_cast<size_t>(end - position))});
        // A record the editor shows is shown once, from its first occurrence: a second one is dropped.
        const char* shown = shown_record_name(t);
        if (shown != nullptr && ++seen[t] == 2) dropped.push_back({-1, std::string("a second ") + shown});
        if (!more) break;
        position = next;
    }
}

std::string Station_editor::number_hint(int control) const {
    const General_controls& g = form.general();
    bool integer = control == g.id, number = integer;
    for (const Timing_row& row : timing_rows)
        number = number || control == g.*row.edit;
    for (int p = 0; p < PAGE_COUNT && !number; ++p) {
        const Page_controls& c = form.page(p);
        if (control == c.vbat_threshold) number = true;
        for (int n = 0; n < CHANNEL_COUNT; ++n)
            if (control == c.threshold[n]) {
                number = true;
                integer = channel_table[n].integer_threshold;
            }
    }
    if (!number || control < 0) return std::string();
    const std::string& text = form.text(control);
    if (integer ? edit_integer_whole(text) : edit_real_whole(text)) return std::string();
    const std::string value =
        integer ? std::to_string(edit_integer(text)) : formatted("%.10g", edit_real(text));
    std::string hint = text + " is read as " + value;
    if (!integer && text.find(',') != std::string::npos)
        hint += ": the decimal point is a point";
    else if (integer && text.find_first_of(".,") != std::string::npos)
        hint += ": this field takes whole numbers";
    return hint;
}

std::vector<std::string> Station_editor::kept_lines() const {
    std::vector<std::string> lines;
    for (const Kept_record& r : kept) {
        const Kept_kind* k = kept_kind(r.tag);
        if (k == nullptr) continue;
        if (k->text) {
            const size_t length = r.bytes.size() - 2;
            lines.push_back(std::string(k->caption) + " (" + std::to_string(length) +
                            (length == 1 ? " character)" : " characters)"));
        } else if (is_fixed_tag(r.tag)) {
            uint32_t v = 0;
            for (int i = 1; i < 5; ++i)
                v = (v << 8) | static_cast<uint8_t>(r.bytes[static_cast<size_t>(i)]);
            lines.push_back(std::string(k->caption) + " " + std::to_string(static_cast<int32_t>(v)));
        } else {
            const size_t length = r.bytes.size() - 2;
            lines.push_back(std::string(k->caption) + " (" + std::to_string(length) +
                            (length == 1 ? " byte)" : " bytes)"));
        }
    }
    return lines;
}

std::vector<std::string> Station_editor::dropped_notices() const {
    static const char* const page_names[PAGE_COUNT] = {"Slow Sequence", "Fast Sequence", "Remote sequence"};
    std::vector<std::string> notices;
    std::string records;
    int record_count = 0;
    for (const Dropped_command& d : dropped) {
        if (d.page >= 0) continue;
        records += (record_count++ == 0 ? "" : ", ") + d.name;
    }
    if (record_count > 0)
        notices.push_back("OK will drop " + std::to_string(record_count) +
                          (record_count == 1 ? " record" : " records") +
                          " that this editor shows only once: " + records);
    for (int p = 0; p < PAGE_COUNT; ++p) {
        std::string names;
        int count = 0;
        for (const Dropped_command& d : dropped) {
            if (d.page != p) continue;
            names += (count++ == 0 ? "" : ", ") + d.name;
        }
        if (count == 0) continue;
        notices.push_back("OK will drop " + std::to_string(count) + (count == 1 ? " command" : " commands") +
                          " of the " + page_names[p] + " that this editor does not show: " + names);
    }
    return notices;
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
        // 0 seconds would show as 0.00; it shows as 1 instead, and is stored as shown.
        form.at(g.*row.edit).text =
            formatted(row.format, v == 0 ? 1.0 : static_cast<double>(v) / row.divisor);
        if (v != 0) remember_loaded(g.*row.edit, v);
    }
    // The SMS number is a zero-terminated text: what follows a zero byte is no part of it.
    const std::string sms = image.get_sms_number();
    form.at(g.sms).text = sms.substr(0, std::strlen(sms.c_str()));
    for (const Sequence_page& page : sequence_pages)
        load_sequence(page.tag);
    form.at(g.id).text = unsigned_text(static_cast<uint32_t>(station->id));
    form.at(g.phone_nbr).text = station->phone_nbr;
    form.at(g.pin).text = station->pin;
    form.at(g.description).text = station->description;
    keep_records();
}

// The threshold as the edit shows it: a pulse counter's integer, or a real with two decimals. A single
// beyond its range shows as the 1e39 that a save writes for it, never as "inf".
std::string threshold_text(const Channel& channel, const Sequence_command& command) {
    if (channel.integer_threshold) return std::to_string(command.threshold_bits);
    const float value = command.threshold_real();
    if (std::isinf(value)) return value > 0 ? "1e39" : "-1e39";
    return formatted("%.2f", static_cast<double>(value));
}

const Channel* command_channel(const Sequence_command& command) {
    if (command.kind == Command_kind::ACQ_FLUO) return find_channel(Channel_command::FLUO, command.channel);
    if (command.kind == Command_kind::ACQ) return find_channel(Channel_command::ACQ, command.header);
    return nullptr;
}

namespace {

// Whether the store writes this command back as it stands, given the page it is on: the editor's own
// ports, types, timeouts and states only.
bool written_back(const Sequence_command& c, bool full) {
    switch (c.kind) {
    case Command_kind::PROBES_POWER:
        return c.state == 3 || c.state == 0;
    case Command_kind::WAIT:
        return c.timeout == 3;
    case Command_kind::ACQ_VBAT:
        return c.channel == 0;
    case Command_kind::ACQ_FLUO:
        return c.port == 4 && c.type == 0;
    case Command_kind::ACQ: {
        const Channel* channel = find_channel(Channel_command::ACQ, c.header);
        return channel != nullptr && c.port == (channel->integer_threshold ? 5 : 2) && c.timeout == 7 &&
               c.channel == (c.header & 0x0F);
    }
    case Command_kind::CONDITIONAL_ACTION:
        return full && c.port == 5;
    case Command_kind::CONDITIONAL_SMS:
        return full;
    default:
        return false; // SIMPLE_SENSOR, NOP, ACQ_INSTRUMENT: no control shows them
    }
}

const char* command_name(Command_kind kind) {
    return command_info(kind).name;
}

} // namespace

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
    bool showing = true;            // a sensor command ends what the page shows; the rest is only counted
    bool shown[CHANNEL_COUNT] = {}; // a channel given twice is written back once
    const auto drop = [&](const std::string& name) { dropped.push_back({p, name}); };
    for (;;) {
        Sequence_command command;
        // A byte that is no command ends the walk. Instrument commands are stepped over by their own length.
        if (!decode_command(image, position, &command) || command.kind == Command_kind::END) return;
        // What the page shows is as the load has always shown it; what the store would not write back as
        // it stands is counted, so that OK can say what it drops.
        if (!showing || !written_back(command, full)) drop(command_name(command.kind));
        switch (showing ? command.kind : Command_kind::NOP) {
        case Command_kind::CONDITIONAL_ACTION:
            if (!full) break;
            if (action_count > 1) drop(command_name(command.kind)); // a third action shows nowhere
            show_action(p, command.and_mask, command.or_mask);
            ++action_count;
            break;
        case Command_kind::CONDITIONAL_SMS:
            if (full) form.set_checked(c.sms, true);
            break;
        case Command_kind::ACQ_VBAT:
            // The remote page has no threshold edit: the battery is measured, its threshold not kept.
            if (!full && command.vbat_threshold != 0) drop("ACQ_VBAT threshold");
            show_vbat(p, command.vbat_threshold);
            break;
        case Command_kind::ACQ_FLUO:
        case Command_kind::ACQ: {
            const Channel* channel = command_channel(command);
            if (channel == nullptr) {
                drop(command_name(command.kind));
                break;
            }
            const int n = static_cast<int>(channel - channel_table);
            if (shown[n]) drop(command_name(command.kind));
            shown[n] = true;
            // A threshold on a channel without threshold edit cannot be written back.
            if (command.has_threshold && c.threshold[n] < 0)
                drop(std::string(command_name(command.kind)) + " threshold");
            const std::string text =
                command.has_threshold ? threshold_text(*channel, command) : std::string();
            show_channel(command.has_threshold, command.lt, text, c.check[n], c.compare[n], c.threshold[n]);
            if (command.has_threshold && c.threshold[n] >= 0)
                remember_loaded(c.threshold[n], command.threshold_bits);
            break;
        }
        default: // PROBES_POWER and WAIT the store writes itself; dropped ones are counted above
            break;
        }
        if (command.kind == Command_kind::SIMPLE_SENSOR_1 || command.kind == Command_kind::SIMPLE_SENSOR_2)
            showing = false;
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
    if (threshold_byte != 0) {
        form.at(c.vbat_threshold).text = formatted("%.1f", threshold_byte * 0.1);
        remember_loaded(c.vbat_threshold, threshold_byte);
    }
}

void Station_editor::show_action(int page, uint8_t and_mask, uint8_t or_mask) {
    if (action_count > 1) return; // two rows of controls; a third action shows nowhere
    const Page_controls& c = form.page(page);
    form.set_checked(c.action[action_count], true);
    for (int k = 0; k < 4; ++k)
        form.at(c.output[action_count][k]).index = output_choice(and_mask, or_mask, k);
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
