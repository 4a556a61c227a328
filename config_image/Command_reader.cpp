// The commands of a sequence: which element is which command, which attributes it carries, what its
// fields keep, and the encoding of each.
#include "Command_reader.h"

#include <cmath>
#include <cstring>
#include <string>

#include "Lib_trace.h"
#include "Reader_notes.h"
#include "Sequence_command.h"

using namespace reader;

namespace {

const char* const attribute_names[] = {"channel_map", "port",    "and",  "or",      "channel", "threshold",
                                       "state",       "timeout", "type", "compare", "header"};

// The attributes a command may carry. A command's attributes are read in one pass over its attribute
// list, keeping the first occurrence of each name, as a lookup by name would find it.
enum Command_attribute {
    CHANNEL_MAP,
    PORT,
    AND,
    OR,
    CHANNEL,
    THRESHOLD,
    STATE,
    TIMEOUT,
    TYPE,
    COMPARE,
    HEADER,
    ATTRIBUTE_COUNT
};

int command_attribute(const char* name) {
    const size_t length = std::strlen(name);
    const auto is = [name, length](const char* candidate) { return Known_name(candidate).is(name, length); };
    switch (name[0]) {
    case 'a':
        return is("and") ? AND : -1;
    case 'c':
        return is("channel") ? CHANNEL : is("channel_map") ? CHANNEL_MAP : is("compare") ? COMPARE : -1;
    case 'h':
        return is("header") ? HEADER : -1;
    case 'o':
        return is("or") ? OR : -1;
    case 'p':
        return is("port") ? PORT : -1;
    case 's':
        return is("state") ? STATE : -1;
    case 't':
        return is("threshold") ? THRESHOLD : is("timeout") ? TIMEOUT : is("type") ? TYPE : -1;
    default:
        return -1;
    }
}

struct Command_attributes {
    const char* raw[ATTRIBUTE_COUNT] = {};
    unsigned repeated = 0; // a bit for each attribute given more than once

    explicit Command_attributes(Xml_element element) {
        for (Xml_attribute a = xml_first_attribute(element); a; a = xml_next_attribute(a)) {
            const int slot = command_attribute(xml_attribute_name(a));
            if (slot < 0) continue;
            if (raw[slot] == nullptr)
                raw[slot] = xml_attribute_raw(a);
            else
                repeated |= 1u << slot;
        }
    }

    bool lt() const { return xml_raw_is(raw[COMPARE], "lt"); }
};

// The command an element names, or false for a name that is no command.
bool command_named(const char* name, Command_kind* kind) {
    static const struct {
        Known_name name;
        Command_kind kind;
    } names[] = {
        {"ACQ", Command_kind::ACQ},
        {"ACQ_FLUO", Command_kind::ACQ_FLUO},
        {"ACQ_VBAT", Command_kind::ACQ_VBAT},
        {"ACQ_INSTRUMENT", Command_kind::ACQ_INSTRUMENT},
        {"CONDITIONAL_ACTION", Command_kind::CONDITIONAL_ACTION},
        {"CONDITIONAL_SMS", Command_kind::CONDITIONAL_SMS},
        {"NOP", Command_kind::NOP},
        {"PROBES_POWER", Command_kind::PROBES_POWER},
        {"SIMPLE_SENSOR_1", Command_kind::SIMPLE_SENSOR_1},
        {"SIMPLE_SENSOR_2", Command_kind::SIMPLE_SENSOR_2},
        {"WAIT", Command_kind::WAIT},
    };
    const size_t length = std::strlen(name);
    for (const auto& n : names) {
        if (!n.name.is(name, length)) continue;
        *kind = n.kind;
        return true;
    }
    return false;
}

// The integer fields of each command, in the order the reader reads them, and what each field keeps.
struct Integer_field {
    int slot;
    int low, high;
};

struct Command_fields {
    Command_kind kind;
    Integer_field fields[4];
};

const Command_fields command_fields[] = {
    {Command_kind::SIMPLE_SENSOR_1, {{CHANNEL_MAP, 0, 255}}},
    {Command_kind::SIMPLE_SENSOR_2, {{CHANNEL_MAP, 0, 255}}},
    {Command_kind::CONDITIONAL_ACTION, {{PORT, 0, 7}, {AND, 0, 255}, {OR, 0, 255}}},
    {Command_kind::ACQ_VBAT, {{CHANNEL, 0, 1}}},
    {Command_kind::PROBES_POWER, {{STATE, 0, 15}}},
    {Command_kind::WAIT, {{TIMEOUT, 0, 31}}},
    {Command_kind::ACQ_FLUO, {{TYPE, 0, 3}, {PORT, 0, 7}, {CHANNEL, 0, 15}}},
    {Command_kind::ACQ_INSTRUMENT, {{TYPE, 0, 15}, {PORT, 0, 7}, {CHANNEL, 0, 3}}},
    {Command_kind::ACQ, {{HEADER, 128, 191}, {PORT, 0, 7}, {CHANNEL, 0, 15}, {TIMEOUT, 0, 15}}},
};

// The fields of a command by its kind, without a search: a table indexed by the kind, made once.
const Command_fields* fields_of(Command_kind kind) {
    struct Table {
        const Command_fields* by_kind[static_cast<int>(Command_kind::ACQ_INSTRUMENT) + 1] = {};
        Table() {
            for (const Command_fields& c : command_fields)
                by_kind[static_cast<int>(c.kind)] = &c;
        }
    };
    static const Table table;
    return table.by_kind[static_cast<int>(kind)];
}

const char* sequence_name(uint8_t sequence_tag) {
    return sequence_tag == tag::SEQUENCE_SLOW   ? "slow"
           : sequence_tag == tag::SEQUENCE_FAST ? "fast"
                                                : "remote";
}

// What the encoders keep of an integer field: its low bits (a header keeps six and bit 7 set).
int32_t field_keeps(const Integer_field& field, int32_t value) {
    if (field.slot == HEADER) return (value & 0x3F) | 0x80;
    return value & field.high;
}

// A command's values, each attribute converted once, for the encoder and for the listener alike.
struct Command_values {
    int32_t integer[ATTRIBUTE_COUNT]; // only the fields of the command's kind are set
    const char* threshold_raw = nullptr;
    bool threshold_clean = false;
    double threshold = 0.0; // what the conversion yielded, also when it stopped at a bad character
};

// The listener hears what the encoders do without a word: numbers cut at a bad character or to their
// field, thresholds that are none, compare keywords of no known value, attributes given twice.
void note_threshold(Reading_context& context, Xml_element child, Command_kind kind, const Command_values& v,
                    const char* sequence) {
    if (kind == Command_kind::ACQ_VBAT) {
        // The battery threshold is kept in tenths of a volt in one byte; 0 is no threshold.
        const uint8_t byte = vbat_threshold_byte(v.threshold);
        const std::string kept =
            byte == 0 ? std::string("the command has no threshold") : real_text(byte / 10.0) + " was used";
        const double tenths = std::trunc(static_cast<double>(static_cast<float>(v.threshold) * 10.0f));
        if (!v.threshold_clean) note_unclean(context, child, "threshold", v.threshold_raw, kept, sequence);
        if (!(tenths >= 0.0 && tenths <= 255.0))
            note_masked(context, child, "threshold", real_text(v.threshold), "0.1 to 25.5", kept, sequence);
    } else if (!v.threshold_clean) {
        note_unclean(context, child, "threshold", v.threshold_raw, "the command has no threshold", sequence);
    } else if (kind == Command_kind::ACQ &&
               is_integer_threshold_header(field_keeps({HEADER, 128, 191}, v.integer[HEADER])) &&
               static_cast<double>(truncate_to_int32(v.threshold)) != v.threshold) {
        note_masked(context, child, "threshold", real_text(v.threshold), "whole numbers",
                    number_text(truncate_to_int32(v.threshold)) + " was used", sequence);
    }
}

void command_values(Reading_context& context, Xml_element child, Command_kind kind,
                    const Command_attributes& a, uint8_t sequence_tag, Command_values& v) {
    const bool listening = context.listening();
    const char* sequence = listening ? sequence_name(sequence_tag) : "";
    if (const Command_fields* c = fields_of(kind)) {
        for (const Integer_field& field : c->fields) {
            const char* raw = a.raw[field.slot];
            if (field.high == 0) break;
            int32_t& value = v.integer[field.slot];
            value = 0;
            if (raw == nullptr) continue;
            // The value the conversion yields is used even when it stopped at a bad character (5x gives 5).
            const bool clean = xml_convert_raw(raw, VALUE_INT, &value, 0);
            if (!listening) continue;
            if (!clean)
                note_unclean(context, child, attribute_names[field.slot], raw,
                             number_text(value) + " was used", sequence);
            if (value < field.low || value > field.high)
                note_masked(context, child, attribute_names[field.slot], number_text(value),
                            number_text(field.low) + " to " + number_text(field.high),
                            number_text(field_keeps(field, value)) + " was used", sequence);
        }
    }
    v.threshold_raw = a.raw[THRESHOLD];
    const bool has_threshold_attribute = kind == Command_kind::ACQ_VBAT || kind == Command_kind::ACQ_FLUO ||
                                         kind == Command_kind::ACQ_INSTRUMENT || kind == Command_kind::ACQ;
    if (has_threshold_attribute && v.threshold_raw != nullptr) {
        v.threshold_clean = xml_convert_raw(v.threshold_raw, VALUE_REAL, &v.threshold, 0);
        if (listening) note_threshold(context, child, kind, v, sequence);
    }
    if (!listening) return;
    for (int slot = 0; a.repeated != 0 && slot < ATTRIBUTE_COUNT; ++slot) {
        if ((a.repeated & (1u << slot)) == 0) continue;
        Reading_note n =
            note_of(Note_kind::ATTRIBUTE_REPEATED, xml_element_name(child), attribute_names[slot]);
        n.sequence = sequence;
        context.note(std::move(n));
    }
    const char* compare = a.raw[COMPARE];
    if (has_threshold_attribute && compare != nullptr && !a.lt() && !xml_raw_is(compare, "ge")) {
        Reading_note n = note_of(Note_kind::KEYWORD_UNKNOWN, xml_element_name(child), "compare");
        xml_note_raw(n, compare);
        n.used = "it counts as ge";
        n.sequence = sequence;
        context.note(std::move(n));
    }
}

} // namespace

void read_command(Teeprom_configurer& image, Xml_element child, uint8_t sequence_tag,
                  Reading_context& context) {
    const char* name = xml_element_name(child);
    Command_kind kind;
    if (!command_named(name, &kind)) {
        trace("ERROR : Teeprom_configurer, unknown element \"%s\"", name);
        if (context.listening_to_errors()) {
            Reading_note n = note_of(Note_kind::UNKNOWN_ELEMENT, name);
            n.sequence = sequence_name(sequence_tag);
            context.note(std::move(n));
        }
        return;
    }
    const Command_attributes a(child);
    Command_values v;
    command_values(context, child, kind, a, sequence_tag, v);
    const int32_t* i = v.integer;
    // A threshold is given only when the attribute is present and converts cleanly; ACQ_VBAT's is used as
    // read, also after a conversion error, and 0 is no threshold.
    const bool has_threshold = v.threshold_raw != nullptr && v.threshold_clean;
    switch (kind) {
    case Command_kind::SIMPLE_SENSOR_1:
    case Command_kind::SIMPLE_SENSOR_2:
        encode_simple_sensor(image, kind == Command_kind::SIMPLE_SENSOR_1 ? 1 : 2, i[CHANNEL_MAP]);
        break;
    case Command_kind::CONDITIONAL_SMS:
        encode_conditional_sms(image);
        break;
    case Command_kind::CONDITIONAL_ACTION:
        encode_conditional_action(image, i[PORT], i[AND], i[OR]);
        break;
    case Command_kind::ACQ_VBAT:
        encode_acq_vbat(image, i[CHANNEL], v.threshold);
        break;
    case Command_kind::NOP:
        encode_nop(image);
        break;
    case Command_kind::PROBES_POWER:
        encode_probes_power(image, i[STATE]);
        break;
    case Command_kind::WAIT:
        encode_wait(image, i[TIMEOUT]);
        break;
    case Command_kind::ACQ_FLUO:
        encode_acq_fluo(image, i[PORT], i[TYPE], i[CHANNEL], has_threshold, v.threshold, a.lt());
        break;
    case Command_kind::ACQ_INSTRUMENT:
        encode_acq_instrument(image, i[PORT], i[TYPE], i[CHANNEL], has_threshold, v.threshold, a.lt());
        break;
    case Command_kind::ACQ:
        encode_acq(image, i[HEADER], i[PORT], i[CHANNEL], i[TIMEOUT], has_threshold, v.threshold, a.lt());
        break;
    case Command_kind::END:
        break;
    }
}
