// Writing a configuration as XML with fixed line templates: TAB indentation, CR LF line ends.
#include "Configuration_writer.h"

#include <string>

#include "Lib_xml.h"
#include "Sequence_command.h"

namespace {

const char* text_template(uint8_t t) {
    switch (t) {
    case tag::SMS_NUMBER: return "\t\t\t\t<SMS_NUMBER    value=\"%s\"/>\r\n";
    case tag::PHONE_NUMBER: return "\t\t\t\t<PHONE_NUMBER    value=\"%s\"/>\r\n";
    case tag::SMS_TEXT_ACQ: return "\t\t\t\t<SMS_TEXT_ACQ    value=\"%s\"/>\r\n";
    case tag::SMS_TEXT_EOL: return "\t\t\t\t<SMS_TEXT_EOL    value=\"%s\"/>\r\n";
    default: return nullptr;
    }
}

const char* value_template(uint8_t t) {
    switch (t) {
    case tag::ACQ_INTERVAL0: return "\t\t\t\t<ACQ_INTERVAL0 value=\"%d\"/>\r\n";
    case tag::GSM_INTERVAL: return "\t\t\t\t<GSM_INTERVAL  value=\"%d\"/>\r\n";
    case tag::GSM_DURATION: return "\t\t\t\t<GSM_DURATION  value=\"%d\"/>\r\n";
    case tag::ACQ_INTERVAL1: return "\t\t\t\t<ACQ_INTERVAL1 value=\"%d\"/>\r\n";
    case tag::LOCATION: return "\t\t\t\t<LOCATION value=\"%d\"/>\r\n";
    case tag::GSM_SMS_DURATION: return "\t\t\t\t<GSM_SMS_DURATION value=\"%d\"/>\r\n";
    default: return nullptr;
    }
}

const char* sequence_banner(uint8_t t) {
    switch (t) {
    case tag::SEQUENCE_SLOW:
        return "\r\n\t\t\t\t<!-- ++++++++++++++++++++ SLOW SEQUENCE +++++++++++++++++++++++++++++ -->\r\n";
    case tag::SEQUENCE_FAST:
        return "\r\n\t\t\t\t<!-- ++++++++++++++++++++ FAST SEQUENCE +++++++++++++++++++++++++++++ -->\r\n";
    default:
        return "\r\n\t\t\t\t<!-- ++++++++++++++++++++ REMOTE SEQUENCE (HEALTH) ++++++++++++++++++ -->\r\n";
    }
}

void write_text_record(const Teeprom_configurer& image, Text_out* out, uint8_t position) {
    // The whole text, all L bytes: a text of more than 31 characters is not cut on saving.
    const uint8_t length = image.get_byte(static_cast<uint8_t>(position + 1));
    std::string text;
    text.reserve(length);
    for (int i = 0; i < length; ++i) text += static_cast<char>(image.get_byte(static_cast<uint8_t>(position + 2 + i)));
    out->printf(text_template(image.get_byte(position)), xml_escape_field(text.c_str(), text.size() + 1).c_str());
}

void write_sysctrl(const Teeprom_configurer& image, Text_out* out, uint8_t position) {
    const uint8_t byte1 = image.get_byte(static_cast<uint8_t>(position + 1));
    const uint8_t byte2 = image.get_byte(static_cast<uint8_t>(position + 2));
    const auto on_off = [](bool on) { return on ? "on" : "off"; };
    out->put("\t\t\t\t<SYSCTRL");
    out->printf(" acq_enabled=\"%s\"", on_off(byte1 & 1));
    out->printf(" acq_automatic=\"%s\"", on_off(byte1 & 2));
    out->printf(" gsm_enabled=\"%s\"", on_off(byte2 & 1));
    out->printf(" gsm_call=\"%s\"", on_off(byte2 & 2));
    out->printf(" address=\"%d\"", image.get_byte(static_cast<uint8_t>(position + 3)));
    out->put(" />\r\n");
}

void write_fixed_record(const Teeprom_configurer& image, Text_out* out, uint8_t position) {
    const uint8_t t = image.get_byte(position);
    if (t == tag::STATION_ID) {
        out->put("\t\t\t\t<STATION_ID/>\r\n"); // the value is the station record's: not written
    } else if (t == tag::PIN_CODE) {
        out->put("\t\t\t\t<PIN_CODE/>\r\n");
    } else if (t == tag::SYSCTRL) {
        write_sysctrl(image, out, position);
    } else if (const char* line = value_template(t)) {
        out->printf(line, image.get_long_at(static_cast<uint8_t>(position + 1)));
    }
}

void write_threshold_and_compare(const Sequence_command& c, bool integer_threshold, Text_out* out) {
    if (!c.has_threshold) {
        out->put("/>\r\n"); // no compare without a threshold, whatever the lt bit holds
        return;
    }
    if (integer_threshold)
        out->printf(" threshold=\"%d\"", c.threshold_int());
    else
        out->printf(" threshold=\"%.2f\"", static_cast<double>(c.threshold_real()));
    out->put(c.lt ? " compare=\"lt\"/>\r\n" : " compare=\"ge\"/>\r\n");
}

void write_command(const Sequence_command& c, Text_out* out) {
    switch (c.kind) {
    case Command_kind::CONDITIONAL_ACTION:
        out->printf("\t\t\t\t\t<CONDITIONAL_ACTION port=\"%d\" and=\"%d\" or=\"%d\"/>\r\n", c.port, c.and_mask,
                    c.or_mask);
        break;
    case Command_kind::WAIT:
        out->printf("\t\t\t\t\t<WAIT timeout=\"%d\"/>\r\n", c.timeout);
        break;
    case Command_kind::ACQ_VBAT:
        if (c.vbat_threshold == 0)
            out->printf("\t\t\t\t\t<ACQ_VBAT channel=\"%d\"/>\r\n", c.channel);
        else
            out->printf("\t\t\t\t\t<ACQ_VBAT channel=\"%d\" threshold=\"%.1f\"/>\r\n", c.channel,
                        c.vbat_threshold * 0.1);
        break;
    case Command_kind::SIMPLE_SENSOR_1:
    case Command_kind::SIMPLE_SENSOR_2:
        out->printf("\t\t\t\t\t<%s channel_map=\"%d\"/>\r\n", command_info(c.kind).name, c.channel_map);
        break;
    case Command_kind::ACQ_FLUO:
    case Command_kind::ACQ_INSTRUMENT:
        out->printf("\t\t\t\t\t<%s", command_info(c.kind).name);
        out->printf(" type=\"%d\"", c.type);
        out->printf(" port=\"%d\"", c.port);
        out->printf(" channel=\"%d\"", c.channel);
        write_threshold_and_compare(c, false, out);
        break;
    case Command_kind::ACQ:
        out->put("\t\t\t\t\t<ACQ     ");
        out->printf(" header=\"%d\"", c.header);
        out->printf(" port=\"%d\"", c.port);
        out->printf(" channel=\"%d\"", c.channel);
        out->printf(" timeout=\"%d\"", c.timeout);
        write_threshold_and_compare(c, is_integer_threshold_header(c.header), out);
        break;
    case Command_kind::PROBES_POWER:
        out->printf("\t\t\t\t\t<PROBES_POWER state=\"%d\"/>\r\n", c.state);
        break;
    case Command_kind::CONDITIONAL_SMS:
        out->put("\t\t\t\t\t<CONDITIONAL_SMS/>\r\n");
        break;
    case Command_kind::NOP:
        out->put("\t\t\t\t\t<NOP/>\r\n");
        break;
    case Command_kind::END:
        break;
    }
}

} // namespace

void write_sequence(const Teeprom_configurer& image, Text_out* out, uint8_t position) {
    if (out == nullptr) return;
    Sequence_walk walk(image, position);
    Sequence_command c;
    while (walk.next(&c)) write_command(c, out);
}

void write_system_config(const Teeprom_configurer& image, Text_out* out, uint8_t position) {
    if (out == nullptr) return;
    const int n = image.get_byte(static_cast<uint8_t>(position + 1));
    out->put("\t\t\t\t<SYSTEM_CONFIG ");
    for (int i = 0; i < n; ++i)
        out->printf(" data%d=\"%d\"", i, image.get_byte(static_cast<uint8_t>(position + 2 + i)));
    out->put("/>\r\n");
}

void write_configuration(const Teeprom_configurer& image, Text_out* out) {
    if (out == nullptr) return;
    out->put("\t\t\t<CONFIGURATION>\r\n");
    uint8_t position = 0;
    for (;;) {
        const uint8_t t = image.get_byte(position);
        if (t == 0x00 || t >= 0xC0) break;
        if (is_variable_tag(t)) {
            if (text_template(t) != nullptr) {
                write_text_record(image, out, position);
            } else if (t == tag::SYSTEM_CONFIG) {
                write_system_config(image, out, position);
            } else if (t >= tag::SEQUENCE_SLOW && t <= tag::SEQUENCE_REMOTE) {
                out->put(sequence_banner(t));
                out->printf("\t\t\t\t<ACQUISITION_SEQUENCE  value=\"%d\">\r\n", t - tag::SEQUENCE_SLOW);
                write_sequence(image, out, position);
                out->put("\t\t\t\t</ACQUISITION_SEQUENCE>\r\n\r\n");
            }
        } else {
            write_fixed_record(image, out, position);
        }
        uint8_t next;
        if (!next_record_position(image.data(), position, &next)) break;
        position = next;
    }
    out->put("\t\t\t</CONFIGURATION>\r\n");
}
