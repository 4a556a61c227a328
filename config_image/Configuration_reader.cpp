// Reading a configuration from XML: each child element becomes one record, in document order. Where the
// reader decides something silently (a number cut at a bad character, a field too narrow for its value, an
// element it skips), it says so to the context's listener, and only when one listens.
#include "Configuration_reader.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "Command_reader.h"
#include "Lib_text.h"
#include "Lib_trace.h"
#include "Reader_notes.h"
#include "Sequence_command.h"

using namespace reader;

namespace {

void read_configuration_at(Teeprom_configurer& image, Xml_element element, const Station_defaults& station,
                           int depth, Reading_context& context);

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

// The index of an attribute named data<i> as a lookup by that name would find it (no sign, no leading
// zero), or -1.
int data_index(const char* name) {
    if (std::strncmp(name, "data", 4) != 0) return -1;
    const char* digits = name + 4;
    if (digits[0] == 0 || (digits[0] == '0' && digits[1] != 0)) return -1;
    int index = 0;
    for (const char* d = digits; *d != 0; ++d) {
        if (*d < '0' || *d > '9') return -1;
        index = index * 10 + (*d - '0');
        if (index >= IMAGE_SIZE) return -1;
    }
    return index;
}

void read_system_config(Teeprom_configurer& image, Xml_element child, Reading_context& context) {
    // Every data<i> in order, so that all the bytes the writer wrote come back; the first absent or
    // unclean index ends the payload. The attributes are taken in one pass, the first of each name.
    const char* data[IMAGE_SIZE] = {};
    int count = 0;
    for (Xml_attribute a = xml_first_attribute(child); a; a = xml_next_attribute(a)) {
        const int index = data_index(xml_attribute_name(a));
        if (index < 0 || data[index] != nullptr) continue;
        data[index] = xml_attribute_raw(a);
        count = std::max(count, index + 1);
    }
    const uint8_t length_position = image.open_record(tag::SYSTEM_CONFIG);
    for (int i = 0; i < count; ++i) {
        const char* raw = data[i];
        if (raw == nullptr) break;
        int32_t value = 0;
        if (!xml_convert_raw(raw, VALUE_INT, &value, 0)) {
            if (context.listening()) {
                const std::string name = "data" + std::to_string(i);
                note_unclean(context, child, name.c_str(), raw,
                             "the record ends before it, so " + name + " and the data after it were dropped");
            }
            break;
        }
        if ((value < 0 || value > 255) && context.listening()) {
            const std::string name = "data" + std::to_string(i);
            note_masked(context, child, name.c_str(), number_text(value), "0 to 255",
                        number_text(value & 0xFF) + " was used");
        }
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
    std::optional<Reading_context> alone;
    Reading_context& c = own_context(context, alone);
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
