// Reading a configuration from XML: each child element becomes one record, in document order.
#include "Configuration_reader.h"

#include <cstring>

#include "Lib_text.h"
#include "Lib_trace.h"
#include "Sequence_command.h"

namespace {

void read_configuration_at(Teeprom_configurer& image, Xml_element element, const Station_defaults& station,
                           int depth);

int read_configuration_file_at(Teeprom_configurer& image, const char* path, const Station_defaults& station,
                               int depth) {
    myXMLdocument document;
    const Xml_element root = xml_load_file(path, &document);
    if (!root) return 1;
    read_configuration_at(image, root, station, depth);
    return 0;
}

// strcmp(a, b) == 0 inline: the names compared here are short and a library call costs more than they do.
bool same(const char* a, const char* b) {
    while (*a != 0 && *a == *b)
        ++a, ++b;
    return *a == *b;
}

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
    const auto is = [name](const char* candidate) { return same(name, candidate); };
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

    explicit Command_attributes(Xml_element element) {
        for (Xml_attribute a = xml_first_attribute(element); a; a = xml_next_attribute(a)) {
            const int slot = command_attribute(xml_attribute_name(a));
            if (slot >= 0 && raw[slot] == nullptr) raw[slot] = xml_attribute_raw(a);
        }
    }

    // An integer attribute: 0 when absent, and the value the conversion yields even when it stopped at a
    // bad character (a port written as 5x gives 5).
    int32_t integer(int slot) const {
        int32_t value = 0;
        if (raw[slot] != nullptr) xml_convert_raw(raw[slot], VALUE_INT, &value, 0);
        return value;
    }

    // A threshold is given only when the attribute is present and converts cleanly.
    bool threshold(double* value) const {
        *value = 0.0;
        return raw[THRESHOLD] != nullptr && xml_convert_raw(raw[THRESHOLD], VALUE_REAL, value, 0);
    }

    bool lt() const { return xml_raw_is(raw[COMPARE], "lt"); }
};

// The command an element names, or false for a name that is no command.
bool command_named(const char* name, Command_kind* kind) {
    static const struct {
        const char* name;
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
    // Most names differ in their first letter: only those that share it are compared in full.
    for (const auto& n : names) {
        if (n.name[0] != name[0] || !same(n.name, name)) continue;
        *kind = n.kind;
        return true;
    }
    return false;
}

void read_command(Teeprom_configurer& image, Xml_element child) {
    const char* name = xml_element_name(child);
    Command_kind kind;
    if (!command_named(name, &kind)) {
        trace("ERROR : Teeprom_configurer, unknown element \"%s\"", name);
        return;
    }
    const Command_attributes a(child);
    double threshold;
    switch (kind) {
    case Command_kind::SIMPLE_SENSOR_1:
    case Command_kind::SIMPLE_SENSOR_2:
        encode_simple_sensor(image, kind == Command_kind::SIMPLE_SENSOR_1 ? 1 : 2, a.integer(CHANNEL_MAP));
        break;
    case Command_kind::CONDITIONAL_SMS:
        encode_conditional_sms(image);
        break;
    case Command_kind::CONDITIONAL_ACTION:
        encode_conditional_action(image, a.integer(PORT), a.integer(AND), a.integer(OR));
        break;
    case Command_kind::ACQ_VBAT:
        // The threshold is used as read, also after a conversion error; 0 is no threshold.
        threshold = 0.0;
        if (a.raw[THRESHOLD] != nullptr) xml_convert_raw(a.raw[THRESHOLD], VALUE_REAL, &threshold, 0);
        encode_acq_vbat(image, a.integer(CHANNEL), threshold);
        break;
    case Command_kind::NOP:
        encode_nop(image);
        break;
    case Command_kind::PROBES_POWER:
        encode_probes_power(image, a.integer(STATE));
        break;
    case Command_kind::WAIT:
        encode_wait(image, a.integer(TIMEOUT));
        break;
    case Command_kind::ACQ_FLUO: {
        const bool has_threshold = a.threshold(&threshold);
        encode_acq_fluo(image, a.integer(PORT), a.integer(TYPE), a.integer(CHANNEL), has_threshold, threshold,
                        a.lt());
        break;
    }
    case Command_kind::ACQ_INSTRUMENT: {
        const bool has_threshold = a.threshold(&threshold);
        encode_acq_instrument(image, a.integer(PORT), a.integer(TYPE), a.integer(CHANNEL), has_threshold,
                              threshold, a.lt());
        break;
    }
    case Command_kind::ACQ: {
        const bool has_threshold = a.threshold(&threshold);
        encode_acq(image, a.integer(HEADER), a.integer(PORT), a.integer(CHANNEL), a.integer(TIMEOUT),
                   has_threshold, threshold, a.lt());
        break;
    }
    case Command_kind::END:
        break;
    }
}

// The children of a CONFIGURATION element, by name: what they hold and the tag of their record.
enum class Record_kind { TEXT, VALUE, SEQUENCE, SYSTEM_CONFIG, STATION_ID, PIN_CODE, SYSCTRL };

struct Record_name {
    const char* name;
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
    for (const Record_name& r : record_names)
        if (r.name[0] == name[0] && same(r.name, name)) return &r;
    return nullptr;
}

void read_system_config(Teeprom_configurer& image, Xml_element child) {
    // Every data<i> in order, so that all the bytes the writer wrote come back; the first absent or
    // unclean index ends the payload.
    const uint8_t length_position = image.open_record(tag::SYSTEM_CONFIG);
    for (int i = 0; i < IMAGE_SIZE; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "data%d", i);
        int32_t value = 0;
        if (!xml_read_attribute(child, name, VALUE_INT, &value, 0)) break;
        image.add_byte(static_cast<uint8_t>(value & 0xFF));
    }
    image.close_record(length_position);
}

void read_sysctrl(Teeprom_configurer& image, Xml_element child) {
    uint8_t byte1 = 0, byte2 = 0;
    if (xml_attribute_is(child, "acq_enabled", "on")) byte1 |= 1;
    if (xml_attribute_is(child, "acq_automatic", "on")) byte1 |= 2;
    if (xml_attribute_is(child, "gsm_enabled", "on")) byte2 |= 1;
    if (xml_attribute_is(child, "gsm_call", "on")) byte2 |= 2;
    int32_t address = 0;
    if (!xml_read_attribute(child, "address", VALUE_INT, &address, 0)) address = 0;
    image.add_byte(tag::SYSCTRL);
    image.add_byte(byte1);
    image.add_byte(byte2);
    image.add_byte(static_cast<uint8_t>(address & 0xFF));
    image.add_byte(0);
}

void read_pin_code(Teeprom_configurer& image, Xml_element child, const Station_defaults& station) {
    char pin[5];
    std::memset(pin, 0, sizeof pin);
    copy_text(pin, station.pin, sizeof pin); // a pin of 5 characters or more gives the empty text
    char value[5];
    if (xml_read_attribute(child, "value", VALUE_TEXT, value, sizeof value))
        std::memcpy(pin, value, sizeof pin);
    const uint32_t bytes = (static_cast<uint32_t>(static_cast<uint8_t>(pin[0])) << 24) |
                           (static_cast<uint32_t>(static_cast<uint8_t>(pin[1])) << 16) |
                           (static_cast<uint32_t>(static_cast<uint8_t>(pin[2])) << 8) |
                           static_cast<uint32_t>(static_cast<uint8_t>(pin[3]));
    image.add_byte(tag::PIN_CODE);
    image.add_long(static_cast<int32_t>(bytes));
}

void read_child(Teeprom_configurer& image, Xml_element child, const Station_defaults& station) {
    const Record_name* record = record_named(xml_element_name(child));
    if (record == nullptr) {
        trace("ERROR : Teeprom_configurer, unknown element \"%s\"", xml_element_name(child));
        return;
    }
    switch (record->kind) {
    case Record_kind::TEXT: {
        char text[256];
        if (!xml_read_attribute(child, "value", VALUE_TEXT, text, sizeof text)) return;
        const size_t length = std::strlen(text);
        image.add_byte(record->tag);
        image.add_byte(static_cast<uint8_t>(length));
        for (size_t i = 0; i < length; ++i)
            image.add_byte(static_cast<uint8_t>(text[i]));
        break;
    }
    case Record_kind::VALUE: {
        int32_t value = 0;
        if (!xml_read_attribute(child, "value", VALUE_INT, &value, 0)) return;
        image.add_byte(record->tag);
        image.add_long(value);
        break;
    }
    case Record_kind::SEQUENCE:
        read_sequence(image, child);
        break;
    case Record_kind::SYSTEM_CONFIG:
        read_system_config(image, child);
        break;
    case Record_kind::STATION_ID: {
        int32_t id = station.id;
        if (!xml_read_attribute(child, "value", VALUE_INT, &id, 0)) id = station.id;
        image.add_byte(tag::STATION_ID);
        image.add_long(id);
        break;
    }
    case Record_kind::PIN_CODE:
        read_pin_code(image, child, station);
        break;
    case Record_kind::SYSCTRL:
        read_sysctrl(image, child);
        break;
    }
}

void read_configuration_at(Teeprom_configurer& image, Xml_element element, const Station_defaults& station,
                           int depth) {
    if (!element) return;
    image.clear();
    char file[512];
    if (xml_read_attribute(element, "file", VALUE_TEXT, file, sizeof file)) {
        // A file that includes itself, directly or through others, would nest without end.
        if (depth >= CONFIGURATION_NESTING_MAX)
            trace("ERROR : Teeprom_configurer, configuration file \"%s\" nested too deeply", file);
        else
            read_configuration_file_at(image, file, station, depth + 1);
    }
    for (Xml_element child = xml_first_child_element(element); child && image.cursor() < IMAGE_USABLE;
         child = xml_next_sibling_element(child))
        read_child(image, child, station);
    image.add_byte(tag::END);
}

} // namespace

void read_configuration(Teeprom_configurer& image, Xml_element element, const Station_defaults& station) {
    read_configuration_at(image, element, station, 0);
}

int read_configuration_file(Teeprom_configurer& image, const char* path, const Station_defaults& station) {
    return read_configuration_file_at(image, path, station, 1);
}

void read_sequence(Teeprom_configurer& image, Xml_element element) {
    int32_t number = 0; // the number the conversion yields is used even after an error
    xml_read_attribute(element, "value", VALUE_INT, &number, 0);
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
        return;
    }
    const uint8_t length_position = image.open_record(sequence_tag);
    for (Xml_element child = xml_first_child_element(element); child && image.cursor() < IMAGE_USABLE;
         child = xml_next_sibling_element(child))
        read_command(image, child);
    image.add_byte(0x00);
    image.close_record(length_position);
}
