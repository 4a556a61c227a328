// Reading a configuration from XML: each child element becomes one record, in document order.
#include "Configuration_reader.h"

#include <cstring>

#include "Lib_text.h"
#include "Lib_trace.h"
#include "Sequence_command.h"

namespace {

void read_configuration_at(Teeprom_configurer& image, Xml_element element, const Station_defaults& station, int depth);

int read_configuration_file_at(Teeprom_configurer& image, const char* path, const Station_defaults& station, int depth) {
    myXMLdocument document;
    const Xml_element root = xml_load_file(path, &document);
    if (!root) return 1;
    read_configuration_at(image, root, station, depth);
    return 0;
}

// An integer attribute of a command: preset to 0, and the value the conversion yields is used even when
// it stopped at a bad character (a port written as 5x gives 5).
int32_t command_int(Xml_element element, const char* name) {
    int32_t value = 0;
    xml_read_attribute(element, name, VALUE_INT, &value, 0);
    return value;
}

// A threshold is given only when the attribute is present and converts cleanly.
bool command_threshold(Xml_element element, double* threshold) {
    *threshold = 0.0;
    return xml_read_attribute(element, "threshold", VALUE_REAL, threshold, 0);
}

bool is_lt(Xml_element element) { return xml_attribute_is(element, "compare", "lt"); }

void read_command(Teeprom_configurer& image, Xml_element child) {
    if (xml_element_is(child, "SIMPLE_SENSOR_1")) {
        encode_simple_sensor(image, 1, command_int(child, "channel_map"));
    } else if (xml_element_is(child, "SIMPLE_SENSOR_2")) {
        encode_simple_sensor(image, 2, command_int(child, "channel_map"));
    } else if (xml_element_is(child, "CONDITIONAL_SMS")) {
        encode_conditional_sms(image);
    } else if (xml_element_is(child, "CONDITIONAL_ACTION")) {
        const int32_t port = command_int(child, "port");
        const int32_t and_mask = command_int(child, "and");
        const int32_t or_mask = command_int(child, "or");
        encode_conditional_action(image, port, and_mask, or_mask);
    } else if (xml_element_is(child, "ACQ_VBAT")) {
        const int32_t channel = command_int(child, "channel");
        double threshold = 0.0; // used as read, also after a conversion error; 0 is no threshold
        xml_read_attribute(child, "threshold", VALUE_REAL, &threshold, 0);
        encode_acq_vbat(image, channel, threshold);
    } else if (xml_element_is(child, "NOP")) {
        encode_nop(image);
    } else if (xml_element_is(child, "PROBES_POWER")) {
        encode_probes_power(image, command_int(child, "state"));
    } else if (xml_element_is(child, "WAIT")) {
        encode_wait(image, command_int(child, "timeout"));
    } else if (xml_element_is(child, "ACQ_FLUO") || xml_element_is(child, "ACQ_INSTRUMENT")) {
        const int32_t type = command_int(child, "type");
        const int32_t port = command_int(child, "port");
        const int32_t channel = command_int(child, "channel");
        double threshold;
        const bool has_threshold = command_threshold(child, &threshold);
        const bool lt = is_lt(child);
        if (xml_element_is(child, "ACQ_FLUO"))
            encode_acq_fluo(image, port, type, channel, has_threshold, threshold, lt);
        else
            encode_acq_instrument(image, port, type, channel, has_threshold, threshold, lt);
    } else if (xml_element_is(child, "ACQ")) {
        const int32_t header = command_int(child, "header");
        const int32_t port = command_int(child, "port");
        const int32_t channel = command_int(child, "channel");
        const int32_t timeout = command_int(child, "timeout");
        double threshold;
        const bool has_threshold = command_threshold(child, &threshold);
        encode_acq(image, header, port, channel, timeout, has_threshold, threshold, is_lt(child));
    } else {
        trace("ERROR : Teeprom_configurer, unknown element \"%s\"", xml_element_name(child));
    }
}

// Tags of the four text records, by element name.
uint8_t text_tag(Xml_element child) {
    if (xml_element_is(child, "SMS_NUMBER")) return tag::SMS_NUMBER;
    if (xml_element_is(child, "PHONE_NUMBER")) return tag::PHONE_NUMBER;
    if (xml_element_is(child, "SMS_TEXT_ACQ")) return tag::SMS_TEXT_ACQ;
    if (xml_element_is(child, "SMS_TEXT_EOL")) return tag::SMS_TEXT_EOL;
    return 0;
}

// Tags of the fixed records that hold one integer value and are left out when it is absent.
uint8_t value_tag(Xml_element child) {
    if (xml_element_is(child, "ACQ_INTERVAL0")) return tag::ACQ_INTERVAL0;
    if (xml_element_is(child, "ACQ_INTERVAL1")) return tag::ACQ_INTERVAL1;
    if (xml_element_is(child, "GSM_INTERVAL")) return tag::GSM_INTERVAL;
    if (xml_element_is(child, "GSM_DURATION")) return tag::GSM_DURATION;
    if (xml_element_is(child, "GSM_SMS_DURATION")) return tag::GSM_SMS_DURATION;
    if (xml_element_is(child, "LOCATION")) return tag::LOCATION; // written by the writer, so read back
    return 0;
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
    if (xml_read_attribute(child, "value", VALUE_TEXT, value, sizeof value)) std::memcpy(pin, value, sizeof pin);
    const uint32_t bytes = (static_cast<uint32_t>(static_cast<uint8_t>(pin[0])) << 24) |
                           (static_cast<uint32_t>(static_cast<uint8_t>(pin[1])) << 16) |
                           (static_cast<uint32_t>(static_cast<uint8_t>(pin[2])) << 8) |
                           static_cast<uint32_t>(static_cast<uint8_t>(pin[3]));
    image.add_byte(tag::PIN_CODE);
    image.add_long(static_cast<int32_t>(bytes));
}

void read_child(Teeprom_configurer& image, Xml_element child, const Station_defaults& station) {
    if (const uint8_t t = text_tag(child)) {
        char text[256];
        if (!xml_read_attribute(child, "value", VALUE_TEXT, text, sizeof text)) return;
        const size_t length = std::strlen(text);
        image.add_byte(t);
        image.add_byte(static_cast<uint8_t>(length));
        for (size_t i = 0; i < length; ++i) image.add_byte(static_cast<uint8_t>(text[i]));
    } else if (const uint8_t v = value_tag(child)) {
        int32_t value = 0;
        if (!xml_read_attribute(child, "value", VALUE_INT, &value, 0)) return;
        image.add_byte(v);
        image.add_long(value);
    } else if (xml_element_is(child, "ACQUISITION_SEQUENCE")) {
        read_sequence(image, child);
    } else if (xml_element_is(child, "SYSTEM_CONFIG")) {
        read_system_config(image, child);
    } else if (xml_element_is(child, "STATION_ID")) {
        int32_t id = station.id;
        if (!xml_read_attribute(child, "value", VALUE_INT, &id, 0)) id = station.id;
        image.add_byte(tag::STATION_ID);
        image.add_long(id);
    } else if (xml_element_is(child, "PIN_CODE")) {
        read_pin_code(image, child, station);
    } else if (xml_element_is(child, "SYSCTRL")) {
        read_sysctrl(image, child);
    } else {
        trace("ERROR : Teeprom_configurer, unknown element \"%s\"", xml_element_name(child));
    }
}

void read_configuration_at(Teeprom_configurer& image, Xml_element element, const Station_defaults& station, int depth) {
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
    case 0: sequence_tag = tag::SEQUENCE_SLOW; break;
    case 1: sequence_tag = tag::SEQUENCE_FAST; break;
    case 2: sequence_tag = tag::SEQUENCE_REMOTE; break;
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
