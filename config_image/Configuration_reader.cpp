// Reading a configuration from XML: each child element becomes one record, in document order. Where the
// reader decides something silently (a number cut at a bad character, a field too narrow for its value, an
// element it skips), it says so to the context's listener, and only when one listens.
#include "Configuration_reader.h"

#include <cmath>
#include <cstring>
#include <string>

#include "Lib_text.h"
#include "Lib_trace.h"
#include "Sequence_command.h"

namespace {

void read_configuration_at(Teeprom_configurer& image, Xml_element element, const Station_defaults& station,
                           int depth, Reading_context& context);

const char* const attribute_names[] = {"channel_map", "port",    "and",  "or",      "channel", "threshold",
                                       "state",       "timeout", "type", "compare", "header"};

std::string number_text(long long value) {
    return std::to_string(value);
}

std::string real_text(double value) {
    char text[64];
    format_c(text, sizeof text, "%g", value);
    return text;
}

// The attribute's raw text as a lookup by name finds it (the first of that name), or null.
const char* raw_of(Xml_element element, const char* name) {
    return xml_raw_attribute(element, name);
}

Reading_note note_of(Note_kind kind, const char* element, const char* attribute = "") {
    Reading_note n;
    n.kind = kind;
    n.element = element != nullptr ? element : "";
    n.attribute = attribute != nullptr ? attribute : "";
    return n;
}

// An integer attribute that was present but no clean number: what the reader took instead.
void note_unclean(Reading_context& context, Xml_element element, const char* attribute, const char* raw,
                  const std::string& used, const char* sequence = "") {
    Reading_note n = note_of(Note_kind::NUMBER_NOT_CLEAN, xml_element_name(element), attribute);
    xml_note_raw(n, raw);
    n.used = used;
    n.sequence = sequence;
    context.note(std::move(n));
}

// A number wider than the field that keeps it: the field keeps its low bits.
void note_masked(Reading_context& context, Xml_element element, const char* attribute, const std::string& raw,
                 const std::string& range, const std::string& used, const char* sequence = "") {
    Reading_note n = note_of(Note_kind::VALUE_MASKED, xml_element_name(element), attribute);
    n.raw = raw;
    n.range = range;
    n.used = used;
    n.sequence = sequence;
    context.note(std::move(n));
}

// The included configuration file that replaces the element's own children, or none when it cannot be
// read (said to the listener). *path is the file read.
Xml_element open_included(Xml_element element, const char* file, int depth, Reading_context& context,
                          std::string* path, bool* working_folder) {
    if (depth >= CONFIGURATION_NESTING_MAX) {
        // A file that includes itself, directly or through others, would nest without end.
        trace("ERROR : Teeprom_configurer, configuration file \"%s\" nested too deeply", file);
        if (context.listening_to_errors()) {
            Reading_note n = note_of(Note_kind::NESTED_TOO_DEEP, xml_element_name(element), "file");
            n.raw = file;
            n.count = CONFIGURATION_NESTING_MAX;
            context.note(std::move(n));
        }
        return Xml_element();
    }
    std::string reason;
    const Xml_element root = context.include(file, path, &reason, working_folder);
    if (!root && context.listening()) {
        Reading_note n = note_of(Note_kind::INCLUDE_NOT_READ, xml_element_name(element), "file");
        n.raw = file;
        n.used = reason;
        context.note(std::move(n));
    }
    return root;
}

// Whether name, of the given length, is the table's name: most names of a table differ in their length,
// first or last letter, so few are compared in full (many share long beginnings like "ACQ_" or "SMS_").
struct Known_name {
    const char* text;
    size_t length;
    constexpr Known_name(const char* t) : text(t), length(std::char_traits<char>::length(t)) {}
    bool is(const char* name, size_t name_length) const {
        return length == name_length && text[0] == name[0] && text[length - 1] == name[length - 1] &&
               std::memcmp(text, name, length) == 0;
    }
};

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

// The children of a CONFIGURATION element, by name: what they hold and the tag of their record.
enum class Record_kind { TEXT, VALUE, SEQUENCE, SYSTEM_CONFIG, STATION_ID, PIN_CODE, SYSCTRL };

struct Record_name {
    Known_name name;
    Record_kind kind;
    uint8_t tag;
};

const Record_name record_names[] = {
    {"ACQUISITION_SEQUENCE", Record_kind::SEQUENCE, 0},
    {"ACQ_INTERVAL0", Record_kind::VALUE, tag::ACQ_INTERVAL0},
    {"ACQ_INTERVAL1", Record_kind::VALUE, tag::ACQ_INTERVAL1},
    {"GSM_INTERVAL", Record_kind::VALUE, tag::GSM_INTERVAL},
    {"GSM_DURATION", Record_kind::VALUE, tag::GSM_DURATION},
    {"GSM_SMS_DURATION", Record_kind::VALUE, tag::GSM_SMS_DURATION},
    {"LOCATION", Record_kind::VALUE, tag::LOCATION}, // written by the writer, so read back
    {"PHONE_NUMBER", Record_kind::TEXT, tag::PHONE_NUMBER},
    {"PIN_CODE", Record_kind::PIN_CODE, tag::PIN_CODE},
    {"SMS_NUMBER", Record_kind::TEXT, tag::SMS_NUMBER},
    {"SMS_TEXT_ACQ", Record_kind::TEXT, tag::SMS_TEXT_ACQ},
    {"SMS_TEXT_EOL", Record_kind::TEXT, tag::SMS_TEXT_EOL},
    {"STATION_ID", Record_kind::STATION_ID, tag::STATION_ID},
    {"SYSCTRL", Record_kind::SYSCTRL, tag::SYSCTRL},
    {"SYSTEM_CONFIG", Record_kind::SYSTEM_CONFIG, tag::SYSTEM_CONFIG},
};

const Record_name* record_named(const char* name) {
    const size_t length = std::strlen(name);
    for (const Record_name& r : record_names)
        if (r.name.is(name, length)) return &r;
    return nullptr;
}

void read_system_config(Teeprom_configurer& image, Xml_element child, Reading_context& context) {
    // Every data<i> in order, so that all the bytes the writer wrote come back; the first absent or
    // unclean index ends the payload.
    const uint8_t length_position = image.open_record(tag::SYSTEM_CONFIG);
    for (int i = 0; i < IMAGE_SIZE; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "data%d", i);
        int32_t value = 0;
        const char* raw = raw_of(child, name);
        if (raw == nullptr) break;
        if (!xml_convert_raw(raw, VALUE_INT, &value, 0)) {
            if (context.listening())
                note_unclean(context, child, name, raw,
                             std::string("the record ends before it, so ") + name +
                                 " and the data after it were dropped");
            break;
        }
        if ((value < 0 || value > 255) && context.listening())
            note_masked(context, child, name, number_text(value), "0 to 255",
                        number_text(value & 0xFF) + " was used");
        image.add_byte(static_cast<uint8_t>(value & 0xFF));
    }
    image.close_record(length_position);
}

// A keyword attribute that is on, off or absent; any other value counts as off.
bool flag_on(Xml_element child, const char* name, Reading_context& context) {
    const char* raw = raw_of(child, name);
    if (xml_raw_is(raw, "on")) return true;
    if (context.listening()) {
        if (raw != nullptr && !xml_raw_is(raw, "off")) {
            Reading_note n = note_of(Note_kind::KEYWORD_UNKNOWN, xml_element_name(child), name);
            xml_note_raw(n, raw);
            n.used = "it counts as off";
            context.note(std::move(n));
        }
    }
    return false;
}

void read_sysctrl(Teeprom_configurer& image, Xml_element child, Reading_context& context) {
    uint8_t byte1 = 0, byte2 = 0;
    if (flag_on(child, "acq_enabled", context)) byte1 |= 1;
    if (flag_on(child, "acq_automatic", context)) byte1 |= 2;
    if (flag_on(child, "gsm_enabled", context)) byte2 |= 1;
    if (flag_on(child, "gsm_call", context)) byte2 |= 2;
    int32_t address = 0;
    if (!xml_read_attribute(child, "address", VALUE_INT, &address, 0)) {
        const char* raw = context.listening() ? raw_of(child, "address") : nullptr;
        if (raw != nullptr) note_unclean(context, child, "address", raw, "0 was used");
        address = 0;
    }
    if ((address < 0 || address > 255) && context.listening())
        note_masked(context, child, "address", number_text(address), "0 to 255",
                    number_text(address & 0xFF) + " was used");
    image.add_byte(tag::SYSCTRL);
    image.add_byte(byte1);
    image.add_byte(byte2);
    image.add_byte(static_cast<uint8_t>(address & 0xFF));
    image.add_byte(0);
}

constexpr int PIN_CODE_MAX = 4; // the PIN_CODE record keeps four characters

void read_pin_code(Teeprom_configurer& image, Xml_element child, const Station_defaults& station,
                   Reading_context& context) {
    char pin[5];
    std::memset(pin, 0, sizeof pin);
    copy_text(pin, station.pin, sizeof pin); // a pin of 5 characters or more gives the empty text
    char value[5];
    if (xml_read_attribute(child, "value", VALUE_TEXT, value, sizeof value)) {
        std::memcpy(pin, value, sizeof pin);
    } else if (context.listening()) {
        const char* raw = raw_of(child, "value");
        const bool station_pin_too_long = station.pin != nullptr && std::strlen(station.pin) > PIN_CODE_MAX;
        if (raw != nullptr || station_pin_too_long) {
            Reading_note n =
                note_of(Note_kind::PIN_CODE_IGNORED, xml_element_name(child), raw ? "value" : "");
            if (raw != nullptr)
                xml_note_raw(n, raw);
            else
                n.raw = station.pin;
            n.used = pin;
            n.count = PIN_CODE_MAX;
            context.note(std::move(n));
        }
    }
    const uint32_t bytes = (static_cast<uint32_t>(static_cast<uint8_t>(pin[0])) << 24) |
                           (static_cast<uint32_t>(static_cast<uint8_t>(pin[1])) << 16) |
                           (static_cast<uint32_t>(static_cast<uint8_t>(pin[2])) << 8) |
                           static_cast<uint32_t>(static_cast<uint8_t>(pin[3]));
    image.add_byte(tag::PIN_CODE);
    image.add_long(static_cast<int32_t>(bytes));
}

constexpr size_t TEXT_RECORD_MAX = 255; // a text record's length byte

void note_no_value(Reading_context& context, Xml_element child) {
    context.note(note_of(Note_kind::NO_VALUE, xml_element_name(child), "value"));
}

void read_text_record(Teeprom_configurer& image, Xml_element child, uint8_t record_tag,
                      Reading_context& context) {
    char text[TEXT_RECORD_MAX + 1];
    if (!xml_read_attribute(child, "value", VALUE_TEXT, text, sizeof text)) {
        if (!context.listening()) return;
        const char* raw = raw_of(child, "value");
        if (raw == nullptr) {
            note_no_value(context, child);
            return;
        }
        Reading_note n = note_of(Note_kind::TEXT_DROPPED, xml_element_name(child), "value");
        xml_note_raw(n, raw);
        n.count = TEXT_RECORD_MAX;
        context.note(std::move(n));
        return;
    }
    const size_t length = std::strlen(text);
    if (record_tag == tag::SMS_NUMBER && context.listening()) {
        if (length > static_cast<size_t>(SMS_NUMBER_MAX)) {
            Reading_note n = note_of(Note_kind::SMS_NUMBER_TOO_LONG, xml_element_name(child), "value");
            n.raw = text;
            n.count = SMS_NUMBER_MAX;
            n.first = !context.sms_number_seen;
            context.note(std::move(n));
        }
        context.sms_number_seen = true; // the editor shows the first SMS number only
    }
    image.add_byte(record_tag);
    image.add_byte(static_cast<uint8_t>(length));
    for (size_t i = 0; i < length; ++i)
        image.add_byte(static_cast<uint8_t>(text[i]));
}

void read_child(Teeprom_configurer& image, Xml_element child, const Station_defaults& station,
                Reading_context& context) {
    const Record_name* record = record_named(xml_element_name(child));
    if (record == nullptr) {
        trace("ERROR : Teeprom_configurer, unknown element \"%s\"", xml_element_name(child));
        if (context.listening_to_errors())
            context.note(note_of(Note_kind::UNKNOWN_ELEMENT, xml_element_name(child)));
        return;
    }
    switch (record->kind) {
    case Record_kind::TEXT:
        read_text_record(image, child, record->tag, context);
        break;
    case Record_kind::VALUE: {
        int32_t value = 0;
        if (!xml_read_attribute(child, "value", VALUE_INT, &value, 0)) {
            if (!context.listening()) return;
            const char* raw = raw_of(child, "value");
            if (raw == nullptr)
                note_no_value(context, child);
            else
                note_unclean(context, child, "value", raw, "the record was dropped");
            return;
        }
        image.add_byte(record->tag);
        image.add_long(value);
        break;
    }
    case Record_kind::SEQUENCE:
        read_sequence(image, child, &context);
        break;
    case Record_kind::SYSTEM_CONFIG:
        read_system_config(image, child, context);
        break;
    case Record_kind::STATION_ID: {
        int32_t id = station.id;
        if (!xml_read_attribute(child, "value", VALUE_INT, &id, 0)) {
            const char* raw = context.listening() ? raw_of(child, "value") : nullptr;
            if (raw != nullptr)
                note_unclean(context, child, "value", raw,
                             "the station's id " + number_text(station.id) + " was used");
            id = station.id;
        }
        image.add_byte(tag::STATION_ID);
        image.add_long(id);
        break;
    }
    case Record_kind::PIN_CODE:
        read_pin_code(image, child, station, context);
        break;
    case Record_kind::SYSCTRL:
        read_sysctrl(image, child, context);
        break;
    }
}

// Counts the elements from child on, for a note that says how many were not read.
long long elements_from(Xml_element child) {
    long long n = 0;
    for (; child; child = xml_next_sibling_element(child))
        ++n;
    return n;
}

void read_configuration_at(Teeprom_configurer& image, Xml_element element, const Station_defaults& station,
                           int depth, Reading_context& context) {
    if (!element) return;
    image.clear();
    context.sms_number_seen = false;
    char file[512];
    bool included = false;
    const char* file_raw = raw_of(element, "file");
    if (file_raw != nullptr && xml_convert_raw(file_raw, VALUE_TEXT, file, sizeof file)) {
        std::string path;
        bool working_folder = false;
        const Xml_element root = open_included(element, file, depth, context, &path, &working_folder);
        if (root) {
            // Said once per station, where Save writes the configuration inline; a file included by an
            // included file is said only when it leaves elements of its own unused.
            const long long own = elements_from(xml_first_child_element(element));
            if (context.listening() && (depth == 0 || own > 0)) {
                Reading_note n = note_of(Note_kind::INCLUDE_USED, xml_element_name(element), "file");
                n.raw = file;
                n.used = path;
                n.count = own;
                n.working_folder = working_folder;
                context.note(std::move(n));
            }
            // The included file is read in its own place: its notes name it, and its own relative names
            // are looked for beside it.
            const std::string outer_file = context.file, outer_folder = context.folder;
            context.file = path;
            context.folder = folder_of(path);
            read_configuration_at(image, root, station, depth + 1, context);
            context.file = outer_file;
            context.folder = outer_folder;
            included = true;
        }
    } else if (file_raw != nullptr && context.listening()) {
        const char* raw = file_raw;
        {
            Reading_note n = note_of(Note_kind::INCLUDE_NOT_READ, xml_element_name(element), "file");
            xml_note_raw(n, raw);
            n.used = "its name of " + number_text(static_cast<long long>(n.length)) +
                     " characters is longer than the 511 a file name may have";
            context.note(std::move(n));
        }
    }
    // Behind an included configuration's end marker the element's own children are read where no reader
    // of the image looks; the note about the included file has said so.
    const bool outer_unused = context.unused;
    if (included) context.unused = true;
    Xml_element child = xml_first_child_element(element);
    const char* first_dropped = nullptr;
    for (; child && image.cursor() < IMAGE_USABLE; child = xml_next_sibling_element(child)) {
        const int refused = image.refused();
        read_child(image, child, station, context);
        if (first_dropped == nullptr && image.refused() != refused) first_dropped = xml_element_name(child);
    }
    // The end marker is not data: a configuration of exactly 223 bytes fits, although its marker is refused.
    const bool dropped = image.refused() > 0 || child;
    if (dropped && context.listening()) {
        Reading_note n = note_of(Note_kind::CONFIGURATION_FULL,
                                 first_dropped != nullptr ? first_dropped : xml_element_name(child));
        n.count = image.refused() + (child ? elements_from(child) : 0);
        n.raw = number_text(IMAGE_USABLE);
        context.note(std::move(n));
    }
    context.unused = outer_unused;
    image.add_byte(tag::END);
}

} // namespace

void read_configuration(Teeprom_configurer& image, Xml_element element, const Station_defaults& station,
                        Reading_context* context) {
    if (context != nullptr) {
        read_configuration_at(image, element, station, 0, *context);
        return;
    }
    Reading_context alone;
    read_configuration_at(image, element, station, 0, alone);
}

int read_configuration_file(Teeprom_configurer& image, const char* path, const Station_defaults& station,
                            Reading_context* context) {
    Reading_context alone;
    Reading_context& c = context != nullptr ? *context : alone;
    std::string used, reason;
    const Xml_element root = path != nullptr ? c.include(path, &used, &reason) : Xml_element();
    if (!root) return 1;
    read_configuration_at(image, root, station, 1, c);
    return 0;
}

void read_sequence(Teeprom_configurer& image, Xml_element element, Reading_context* context) {
    // A read without a context of its own gets one here; the common case pays for none.
    if (context == nullptr) {
        Reading_context alone;
        read_sequence(image, element, &alone);
        return;
    }
    Reading_context& c = *context;
    int32_t number = 0; // the number the conversion yields is used even after an error
    if (!xml_read_attribute(element, "value", VALUE_INT, &number, 0) && c.listening()) {
        const char* raw = raw_of(element, "value");
        if (raw != nullptr) note_unclean(c, element, "value", raw, number_text(number) + " was used");
    }
    uint8_t sequence_tag;
    switch (number) {
    case 0:
        sequence_tag = tag::SEQUENCE_SLOW;
        break;
    case 1:
        sequence_tag = tag::SEQUENCE_FAST;
        break;
    case 2:
        sequence_tag = tag::SEQUENCE_REMOTE;
        break;
    default:
        trace("ERROR : Erroneous acquisition sequence number %d", number);
        if (c.listening_to_errors()) {
            Reading_note n = note_of(Note_kind::SEQUENCE_NUMBER, xml_element_name(element), "value");
            n.raw = number_text(number);
            c.note(std::move(n));
        }
        return;
    }
    const uint8_t length_position = image.open_record(sequence_tag);
    for (Xml_element child = xml_first_child_element(element); child && image.cursor() < IMAGE_USABLE;
         child = xml_next_sibling_element(child))
        read_command(image, child, sequence_tag, c);
    image.add_byte(0x00);
    image.close_record(length_position);
}
