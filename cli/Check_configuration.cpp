// The configuration checks of `vemora-cli check`. They walk the elements beside the reader and append to
// an image of their own exactly as the reader appends, so they know which children the reader reached.
#include "Check_configuration.h"

#include <cstring>
#include <initializer_list>
#include <memory>

#include "Lib_text.h"
#include "Sequence_command.h"

namespace {

constexpr size_t TEXT_RECORD_MAX = 255; // a text record's value is read into a field of 256 bytes
constexpr size_t PIN_CODE_MAX = 4;      // and a PIN code's into one of 5
constexpr size_t NUMBER_SHOWN_MAX = 40;
constexpr size_t FILE_NAME_MAX = 511;

// The attribute's raw text as the reader takes it (the first of that name), or null when absent.
const char* raw_attribute(Xml_element element, const char* name) {
    for (Xml_attribute a = xml_first_attribute(element); a; a = xml_next_attribute(a))
        if (std::strcmp(xml_attribute_name(a), name) == 0) return xml_attribute_raw(a);
    return nullptr;
}

std::string quoted_attribute(const char* name, const char* raw) {
    return std::string(name) + " \"" + shown_text(xml_resolve_references(raw), NUMBER_SHOWN_MAX) + "\"";
}

const char not_clean[] = " is not a clean number; ";

std::string real_text(double value) {
    char text[64];
    format_c(text, sizeof text, "%g", value);
    return text;
}

struct Findings {
    std::string place; // "station 1 (id 5): " or "station 1 (id 5): configuration file "a.xml": "
    const Station_defaults& station;
    std::vector<std::string>& warnings;
    bool sms_number_seen = false;

    void add(const std::string& text) { warnings.push_back("WARNING : " + place + text); }
};

const char* sequence_name(int32_t number) {
    switch (number) {
    case 0:
        return "the slow sequence";
    case 1:
        return "the fast sequence";
    default:
        return "the remote sequence";
    }
}

// What a command carries: its integer attributes in the order the reader reads them, and how it takes
// its threshold.
enum class Threshold { NONE, AS_READ, CLEAN_ONLY };

struct Command_check {
    const char* name;
    Command_kind kind;
    const char* integers[4];
    Threshold threshold;
};

const Command_check command_checks[] = {
    {"SIMPLE_SENSOR_1", Command_kind::SIMPLE_SENSOR_1, {"channel_map"}, Threshold::NONE},
    {"SIMPLE_SENSOR_2", Command_kind::SIMPLE_SENSOR_2, {"channel_map"}, Threshold::NONE},
    {"CONDITIONAL_SMS", Command_kind::CONDITIONAL_SMS, {}, Threshold::NONE},
    {"CONDITIONAL_ACTION", Command_kind::CONDITIONAL_ACTION, {"port", "and", "or"}, Threshold::NONE},
    {"ACQ_VBAT", Command_kind::ACQ_VBAT, {"channel"}, Threshold::AS_READ},
    {"NOP", Command_kind::NOP, {}, Threshold::NONE},
    {"PROBES_POWER", Command_kind::PROBES_POWER, {"state"}, Threshold::NONE},
    {"WAIT", Command_kind::WAIT, {"timeout"}, Threshold::NONE},
    {"ACQ_FLUO", Command_kind::ACQ_FLUO, {"type", "port", "channel"}, Threshold::CLEAN_ONLY},
    {"ACQ_INSTRUMENT", Command_kind::ACQ_INSTRUMENT, {"type", "port", "channel"}, Threshold::CLEAN_ONLY},
    {"ACQ", Command_kind::ACQ, {"header", "port", "channel", "timeout"}, Threshold::CLEAN_ONLY},
};

// Appends to the image what the reader's encoder appends for the command; only the number of bytes and
// whether a threshold follows matter here.
void append_command(Teeprom_configurer& image, Command_kind kind, bool has_threshold) {
    switch (kind) {
    case Command_kind::SIMPLE_SENSOR_1:
        encode_simple_sensor(image, 1, 0);
        break;
    case Command_kind::SIMPLE_SENSOR_2:
        encode_simple_sensor(image, 2, 0);
        break;
    case Command_kind::CONDITIONAL_SMS:
        encode_conditional_sms(image);
        break;
    case Command_kind::CONDITIONAL_ACTION:
        encode_conditional_action(image, 0, 0, 0);
        break;
    case Command_kind::ACQ_VBAT:
        encode_acq_vbat_byte(image, 0, 0);
        break;
    case Command_kind::NOP:
        encode_nop(image);
        break;
    case Command_kind::PROBES_POWER:
        encode_probes_power(image, 0);
        break;
    case Command_kind::WAIT:
        encode_wait(image, 0);
        break;
    case Command_kind::ACQ_FLUO:
        encode_acq_fluo(image, 0, 0, 0, has_threshold, 0.0, false);
        break;
    case Command_kind::ACQ_INSTRUMENT:
        encode_acq_instrument(image, 0, 0, 0, has_threshold, 0.0, false);
        break;
    case Command_kind::ACQ:
        encode_acq(image, 0, 0, 0, 0, has_threshold, 0.0, false);
        break;
    case Command_kind::END:
        break;
    }
}

void check_command(Teeprom_configurer& image, Xml_element command, const char* sequence, Findings& f) {
    const char* name = xml_element_name(command);
    const Command_check* check = nullptr;
    for (const Command_check& c : command_checks)
        if (std::strcmp(c.name, name) == 0) check = &c;
    if (check == nullptr) return; // the reader's own ERROR line names it
    const std::string where = std::string(name) + " ";
    const std::string in = std::string(" in ") + sequence;
    for (const char* attribute : check->integers) {
        if (attribute == nullptr) break;
        int32_t value = 0;
        const std::string unclean = unclean_integer(command, attribute, &value);
        if (!unclean.empty()) f.add(where + unclean + in + not_clean + std::to_string(value) + " was used");
    }
    bool has_threshold = false;
    const char* raw = raw_attribute(command, "threshold");
    if (check->threshold != Threshold::NONE && raw != nullptr) {
        double value = 0.0;
        has_threshold = xml_convert_raw(raw, VALUE_REAL, &value, 0);
        if (!has_threshold) {
            // ACQ_VBAT keeps what was read so far; a threshold byte of 0 is no threshold.
            const bool kept = check->threshold == Threshold::AS_READ && vbat_threshold_byte(value) != 0;
            f.add(where + quoted_attribute("threshold", raw) + in + not_clean +
                  (kept ? real_text(value) + " was used" : std::string("the command has no threshold")));
        }
    }
    append_command(image, check->kind, has_threshold);
}

void check_sequence(Teeprom_configurer& image, Xml_element sequence, Findings& f) {
    int32_t number = 0;
    const std::string unclean = unclean_integer(sequence, "value", &number);
    if (!unclean.empty())
        f.add("ACQUISITION_SEQUENCE " + unclean + not_clean + std::to_string(number) + " was used");
    if (number < 0 || number > 2) return; // the reader's own ERROR line says it; no command is read
    const uint8_t length_position = image.open_record(tag::SEQUENCE_SLOW);
    for (Xml_element command = xml_first_child_element(sequence); command && image.cursor() < IMAGE_USABLE;
         command = xml_next_sibling_element(command))
        check_command(image, command, sequence_name(number), f);
    image.add_byte(0x00);
    image.close_record(length_position);
}

void check_text_record(Teeprom_configurer& image, Xml_element child, Findings& f) {
    const char* name = xml_element_name(child);
    const auto text = xml_attribute_text(child, "value");
    if (!text) return;
    if (text->size() > TEXT_RECORD_MAX) {
        f.add(std::string(name) + " value of " + std::to_string(text->size()) +
              " characters is longer than its field of " + std::to_string(TEXT_RECORD_MAX) +
              "; the record was dropped");
        return;
    }
    if (std::strcmp(name, "SMS_NUMBER") == 0) {
        if (text->size() > static_cast<size_t>(SMS_NUMBER_MAX))
            f.add("SMS_NUMBER of " + std::to_string(text->size()) + " characters is longer than the " +
                  std::to_string(SMS_NUMBER_MAX) + " the station keeps" +
                  (f.sms_number_seen
                       ? std::string()
                       : std::string("; the station editor refuses to store it until it is shortened")));
        f.sms_number_seen = true; // the editor shows the first SMS number only
    }
    image.add_byte(0);
    image.add_byte(0);
    for (size_t i = 0; i < text->size(); ++i)
        image.add_byte(0);
}

void check_pin_code(Xml_element child, Findings& f) {
    const auto value = xml_attribute_text(child, "value");
    if (!value || value->size() <= PIN_CODE_MAX) return;
    // The station's pin stands in, when it fits the 4 characters itself.
    const std::string pin = f.station.pin;
    f.add("PIN_CODE value of " + std::to_string(value->size()) + " characters is longer than the " +
          std::to_string(PIN_CODE_MAX) + " the station keeps; it was ignored and " +
          (!pin.empty() && pin.size() <= PIN_CODE_MAX
               ? "the station's pin \"" + shown_text(pin) + "\" was used"
               : std::string("the PIN code was left empty")));
}

void check_system_config(Teeprom_configurer& image, Xml_element child, Findings& f) {
    const uint8_t length_position = image.open_record(tag::SYSTEM_CONFIG);
    for (int i = 0; i < IMAGE_SIZE; ++i) {
        const std::string name = "data" + std::to_string(i);
        int32_t value = 0;
        if (raw_attribute(child, name.c_str()) == nullptr) break;
        const std::string unclean = unclean_integer(child, name.c_str(), &value);
        if (!unclean.empty()) {
            f.add("SYSTEM_CONFIG " + unclean + not_clean + "the record ends before it, so " + name +
                  " and the data after it were dropped");
            break;
        }
        image.add_byte(0);
    }
    image.close_record(length_position);
}

bool one_of(const char* name, std::initializer_list<const char*> names) {
    for (const char* n : names)
        if (std::strcmp(name, n) == 0) return true;
    return false;
}

void check_child(Teeprom_configurer& image, Xml_element child, Findings& f) {
    const char* name = xml_element_name(child);
    int32_t value = 0;
    if (one_of(name, {"SMS_NUMBER", "PHONE_NUMBER", "SMS_TEXT_ACQ", "SMS_TEXT_EOL"})) {
        check_text_record(image, child, f);
    } else if (one_of(name, {"ACQ_INTERVAL0", "ACQ_INTERVAL1", "GSM_INTERVAL", "GSM_DURATION",
                             "GSM_SMS_DURATION", "LOCATION"})) {
        // Only a clean number makes a record.
        const std::string unclean = unclean_integer(child, "value", &value);
        if (!unclean.empty()) f.add(std::string(name) + " " + unclean + not_clean + "the record was dropped");
        if (unclean.empty() && raw_attribute(child, "value") != nullptr) image.add_tag_long(0, 0);
    } else if (std::strcmp(name, "STATION_ID") == 0) {
        const std::string unclean = unclean_integer(child, "value", &value);
        if (!unclean.empty())
            f.add("STATION_ID " + unclean + not_clean + "the station's id " + std::to_string(f.station.id) +
                  " was used");
        image.add_tag_long(0, 0);
    } else if (std::strcmp(name, "PIN_CODE") == 0) {
        check_pin_code(child, f);
        image.add_tag_long(0, 0);
    } else if (std::strcmp(name, "SYSCTRL") == 0) {
        const std::string unclean = unclean_integer(child, "address", &value);
        if (!unclean.empty()) f.add("SYSCTRL " + unclean + not_clean + "0 was used");
        for (int i = 0; i < 5; ++i)
            image.add_byte(0); // byte by byte, unlike the records of a 32-bit value

    } else if (std::strcmp(name, "SYSTEM_CONFIG") == 0) {
        check_system_config(image, child, f);
    } else if (std::strcmp(name, "ACQUISITION_SEQUENCE") == 0) {
        check_sequence(image, child, f);
    }
    // Any other name: the reader's own ERROR line names it.
}

} // namespace

std::string shown_text(const std::string& text, size_t max) {
    static const char hex[] = "0123456789abcdef";
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (max != 0 && i == max) return out + "...";
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c >= 0x20 && c != 0x7F) {
            out += text[i];
            continue;
        }
        out += "\\x";
        out += hex[c >> 4];
        out += hex[c & 15];
    }
    return out;
}

std::string unclean_integer(Xml_element element, const char* name, int32_t* value) {
    *value = 0;
    const char* raw = raw_attribute(element, name);
    if (raw == nullptr || xml_convert_raw(raw, VALUE_INT, value, 0)) return std::string();
    return quoted_attribute(name, raw);
}

void check_configuration(Xml_element configuration, const Station_defaults& station, const std::string& owner,
                         std::vector<std::string>& warnings) {
    // The reader reads each included file's root in place of the element: the image is made by the last
    // element of the chain, and what the others hold lies behind its end marker.
    std::unique_ptr<myXMLdocument> document;
    Xml_element element = configuration;
    Findings f{owner + ": ", station, warnings};
    for (int depth = 0;; ++depth) {
        const auto file = xml_attribute_text(element, "file");
        if (!file) break;
        if (file->size() > FILE_NAME_MAX) {
            warnings.push_back("WARNING : " + owner + ": configuration file name of " +
                               std::to_string(file->size()) +
                               " characters is too long; the element's own configuration was used");
            break;
        }
        if (depth >= CONFIGURATION_NESTING_MAX) break; // the reader's own ERROR line says it
        auto next = std::make_unique<myXMLdocument>();
        const Xml_element root = xml_load_file(file->c_str(), next.get());
        if (!root) {
            warnings.push_back("WARNING : " + owner + ": configuration file \"" + shown_text(*file) +
                               "\" could not be read (" + next->error_text() +
                               "); the element's own configuration was used");
            break;
        }
        document = std::move(next);
        element = root;
        f.place = owner + ": configuration file \"" + shown_text(*file) + "\": ";
    }
    Teeprom_configurer image;
    for (Xml_element child = xml_first_child_element(element); child && image.cursor() < IMAGE_USABLE;
         child = xml_next_sibling_element(child))
        check_child(image, child, f);
}
