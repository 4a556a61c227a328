// Writing a configuration as XML with fixed line templates: TAB indentation, CR LF line ends.
#include "Configuration_writer.h"

#include <charconv>
#include <cmath>
#include <string>

#include "Lib_xml.h"
#include "Sequence_command.h"

namespace {

// A fixed piece of a line, its length known when compiled.
template <size_t N> void put(Text_out* out, const char (&text)[N]) {
    out->append(text, N - 1);
}

// The digits of "%d" without the formatter: a file is mostly small integers, and the formatter's own work
// costs several times what the digits do.
void put_int(Text_out* out, int32_t value) {
    out->put_int(value);
}

// ` name="value"` for an integer value; the name comes with its leading blank and its `="`.
template <size_t N> void put_int_attribute(Text_out* out, const char (&name)[N], int32_t value) {
    put(out, name);
    put_int(out, value);
    put(out, "\"");
}

// The start of a text record's line, up to its value.
const char* text_template(uint8_t t) {
    switch (t) {
    case tag::SMS_NUMBER:
        return "\t\t\t\t<SMS_NUMBER    value=\"";
    case tag::PHONE_NUMBER:
        return "\t\t\t\t<PHONE_NUMBER    value=\"";
    case tag::SMS_TEXT_ACQ:
        return "\t\t\t\t<SMS_TEXT_ACQ    value=\"";
    case tag::SMS_TEXT_EOL:
        return "\t\t\t\t<SMS_TEXT_EOL    value=\"";
    default:
        return nullptr;
    }
}

// The start of a number record's line, up to its value.
const char* value_template(uint8_t t) {
    switch (t) {
    case tag::ACQ_INTERVAL0:
        return "\t\t\t\t<ACQ_INTERVAL0 value=\"";
    case tag::GSM_INTERVAL:
        return "\t\t\t\t<GSM_INTERVAL  value=\"";
    case tag::GSM_DURATION:
        return "\t\t\t\t<GSM_DURATION  value=\"";
    case tag::ACQ_INTERVAL1:
        return "\t\t\t\t<ACQ_INTERVAL1 value=\"";
    case tag::LOCATION:
        return "\t\t\t\t<LOCATION value=\"";
    case tag::GSM_SMS_DURATION:
        return "\t\t\t\t<GSM_SMS_DURATION value=\"";
    default:
        return nullptr;
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

// How many of the n payload bytes that start at position the image holds: those before the end of the
// usable area. A record longer than that was cut when it was stored; what lies behind is no part of it.
int held_bytes(int position, int n) {
    const int room = IMAGE_USABLE - position;
    return n < room ? n : (room > 0 ? room : 0);
}

void write_text_record(const Teeprom_configurer& image, Text_out* out, uint8_t position) {
    // The whole text, every byte of it the image holds: a text of more than 31 characters is not cut on
    // saving.
    const int length = held_bytes(position + 2, image.get_byte(static_cast<uint8_t>(position + 1)));
    std::string text;
    text.reserve(length);
    for (int i = 0; i < length; ++i)
        text += static_cast<char>(image.get_byte(static_cast<uint8_t>(position + 2 + i)));
    out->put(text_template(image.get_byte(position)));
    xml_put_escaped(out, text.c_str(), text.size() + 1);
    put(out, "\"/>\r\n");
}

void write_sysctrl(const Teeprom_configurer& image, Text_out* out, uint8_t position) {
    const uint8_t byte1 = image.get_byte(static_cast<uint8_t>(position + 1));
    const uint8_t byte2 = image.get_byte(static_cast<uint8_t>(position + 2));
    const auto on_off = [](bool on) { return on ? "on" : "off"; };
    put(out, "\t\t\t\t<SYSCTRL acq_enabled=\"");
    out->put(on_off(byte1 & 1));
    put(out, "\" acq_automatic=\"");
    out->put(on_off(byte1 & 2));
    put(out, "\" gsm_enabled=\"");
    out->put(on_off(byte2 & 1));
    put(out, "\" gsm_call=\"");
    out->put(on_off(byte2 & 2));
    put(out, "\"");
    put_int_attribute(out, " address=\"", image.get_byte(static_cast<uint8_t>(position + 3)));
    put(out, " />\r\n");
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
        out->put(line);
        put_int(out, image.get_long_at(static_cast<uint8_t>(position + 1)));
        put(out, "\"/>\r\n");
    }
}

void write_threshold_and_compare(const Sequence_command& c, bool integer_threshold, Text_out* out) {
    if (!c.has_threshold) {
        out->put("/>\r\n"); // no compare without a threshold, whatever the lt bit holds
        return;
    }
    const double real = static_cast<double>(c.threshold_real());
    if (integer_threshold) {
        put_int_attribute(out, " threshold=\"", c.threshold_int());
    } else if (std::isnan(real)) {
        // No number at all: the reader would take any text for it as no threshold, so none is written.
        out->put("/>\r\n");
        return;
    } else if (std::isinf(real)) {
        // Beyond single precision: a number that the reader reads back as the same infinity.
        out->put(real > 0 ? " threshold=\"1e39\"" : " threshold=\"-1e39\"");
    } else {
        put(out, " threshold=\"");
        out->put_fixed(real, 2);
        put(out, "\"");
    }
    out->put(c.lt ? " compare=\"lt\"/>\r\n" : " compare=\"ge\"/>\r\n");
}

void write_command(const Sequence_command& c, Text_out* out) {
    switch (c.kind) {
    case Command_kind::CONDITIONAL_ACTION:
        put(out, "\t\t\t\t\t<CONDITIONAL_ACTION");
        put_int_attribute(out, " port=\"", c.port);
        put_int_attribute(out, " and=\"", c.and_mask);
        put_int_attribute(out, " or=\"", c.or_mask);
        put(out, "/>\r\n");
        break;
    case Command_kind::WAIT:
        put(out, "\t\t\t\t\t<WAIT");
        put_int_attribute(out, " timeout=\"", c.timeout);
        put(out, "/>\r\n");
        break;
    case Command_kind::ACQ_VBAT:
        if (c.vbat_threshold == 0) {
            put(out, "\t\t\t\t\t<ACQ_VBAT");
            put_int_attribute(out, " channel=\"", c.channel);
            put(out, "/>\r\n");
        } else {
            // One decimal, rounded as the C library's formatter rounds.
            put(out, "\t\t\t\t\t<ACQ_VBAT");
            put_int_attribute(out, " channel=\"", c.channel);
            put(out, " threshold=\"");
            out->put_fixed(c.vbat_threshold * 0.1, 1);
            put(out, "\"/>\r\n");
        }
        break;
    case Command_kind::SIMPLE_SENSOR_1:
    case Command_kind::SIMPLE_SENSOR_2:
        put(out, "\t\t\t\t\t<");
        out->put(command_info(c.kind).name);
        put_int_attribute(out, " channel_map=\"", c.channel_map);
        put(out, "/>\r\n");
        break;
    case Command_kind::ACQ_FLUO:
    case Command_kind::ACQ_INSTRUMENT:
        put(out, "\t\t\t\t\t<");
        out->put(command_info(c.kind).name);
        put_int_attribute(out, " type=\"", c.type);
        put_int_attribute(out, " port=\"", c.port);
        put_int_attribute(out, " channel=\"", c.channel);
        write_threshold_and_compare(c, false, out);
        break;
    case Command_kind::ACQ:
        put(out, "\t\t\t\t\t<ACQ     ");
        put_int_attribute(out, " header=\"", c.header);
        put_int_attribute(out, " port=\"", c.port);
        put_int_attribute(out, " channel=\"", c.channel);
        put_int_attribute(out, " timeout=\"", c.timeout);
        write_threshold_and_compare(c, is_integer_threshold_header(c.header), out);
        break;
    case Command_kind::PROBES_POWER:
        put(out, "\t\t\t\t\t<PROBES_POWER");
        put_int_attribute(out, " state=\"", c.state);
        put(out, "/>\r\n");
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
    // A command that runs past the usable area was cut when it was stored: its values are not there.
    while (walk.next(&c) && c.position + c.length <= IMAGE_USABLE)
        write_command(c, out);
}

void write_system_config(const Teeprom_configurer& image, Text_out* out, uint8_t position) {
    if (out == nullptr) return;
    const int n = held_bytes(position + 2, image.get_byte(static_cast<uint8_t>(position + 1)));
    out->put("\t\t\t\t<SYSTEM_CONFIG ");
    for (int i = 0; i < n; ++i) {
        put(out, " data");
        put_int(out, i);
        put_int_attribute(out, "=\"", image.get_byte(static_cast<uint8_t>(position + 2 + i)));
    }
    out->put("/>\r\n");
}

void write_configuration(const Teeprom_configurer& image, Text_out* out) {
    if (out == nullptr) return;
    out->put("\t\t\t<CONFIGURATION>\r\n");
    uint8_t position = 0;
    for (;;) {
        const uint8_t t = image.get_byte(position);
        if (t == 0x00 || t >= 0xC0) break;
        // A record whose length or value did not fit when it was stored holds nothing to write.
        if (position + (is_variable_tag(t) ? 2 : 5) > IMAGE_USABLE) break;
        if (is_variable_tag(t)) {
            if (text_template(t) != nullptr) {
                write_text_record(image, out, position);
            } else if (t == tag::SYSTEM_CONFIG) {
                write_system_config(image, out, position);
            } else if (t >= tag::SEQUENCE_SLOW && t <= tag::SEQUENCE_REMOTE) {
                out->put(sequence_banner(t));
                put(out, "\t\t\t\t<ACQUISITION_SEQUENCE ");
                put_int_attribute(out, " value=\"", t - tag::SEQUENCE_SLOW);
                put(out, ">\r\n");
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
