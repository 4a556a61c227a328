// The image listed: a walk over records from position 0 to the cursor that, unlike find_tag, never stops
// silently. What cannot be read as a record is listed as bytes, up to where the listing ends.
#include "Image_listing.h"

#include <cmath>
#include <cstdio>

#include "Lib_text.h"

namespace {

std::string formatted(const char* format, double value) {
    char text[64];
    format_c(text, sizeof text, format, value);
    return text;
}

std::string hex_byte(uint8_t b) {
    static const char hex[] = "0123456789ABCDEF";
    return std::string{'0', 'x', hex[b >> 4], hex[b & 15]};
}

// A station's text on one line and in quotes: control characters as \xHH, so a line break in an SMS
// text cannot start a line of its own.
std::string quoted(const std::string& text) {
    static const char hex[] = "0123456789abcdef";
    std::string out = "\"";
    for (const char ch : text) {
        const unsigned char c = static_cast<unsigned char>(ch);
        if (c < 0x20 || (c >= 0x7F && c < 0xA0)) {
            out += "\\x";
            out += hex[c >> 4];
            out += hex[c & 15];
        } else {
            out += ch;
        }
    }
    return out + "\"";
}

std::string on_off(const char* name, bool on) {
    return std::string(name) + (on ? " on" : " off");
}

class Listing_walk {
  public:
    Listing_walk(const Teeprom_configurer& image, const Listing_words& words)
        : image_(image), words_(words) {}

    Image_listing run();

  private:
    const Teeprom_configurer& image_;
    const Listing_words& words_;
    Image_listing listing_;

    uint8_t at(int position) const { return image_.get_byte(static_cast<uint8_t>(position)); }
    std::string bytes(int from, int to) const {
        std::string out;
        for (int i = from; i < to; ++i)
            out += static_cast<char>(at(i));
        return out;
    }
    Image_entry& add(Entry_kind kind, int from, int to) {
        Image_entry e;
        e.kind = kind;
        e.offset = static_cast<uint8_t>(from);
        e.tag = at(from);
        if (const char* name = tag_name(e.tag)) e.name = name;
        e.bytes = bytes(from, to);
        listing_.entries.push_back(std::move(e));
        return listing_.entries.back();
    }
    void not_a_record(int from, int to, std::string why) {
        Image_entry& e = add(Entry_kind::NOT_A_RECORD, from, to);
        e.meaning = std::move(why);
    }

    std::string fixed_meaning(uint8_t t, int position, int32_t value) const;
    std::string command_meaning(const Sequence_command& c) const;
    std::string threshold(const Sequence_command& c, const std::string& shown, const std::string& unit) const;
    void sequence(int position, int end);
};

std::string Listing_walk::fixed_meaning(uint8_t t, int position, int32_t value) const {
    switch (t) {
    case tag::SYSCTRL:
        return on_off("acq_enabled", at(position + 1) & 1) + ", " +
               on_off("acq_automatic", at(position + 1) & 2) + ", " +
               on_off("gsm_enabled", at(position + 2) & 1) + ", " + on_off("gsm_call", at(position + 2) & 2) +
               ", address " + std::to_string(at(position + 3));
    case tag::PIN_CODE: {
        // Four characters, a shorter PIN followed by zero bytes; the editor's store writes none at all.
        std::string pin;
        for (int i = 1; i <= 4 && at(position + i) != 0; ++i)
            pin += static_cast<char>(at(position + i));
        return pin.empty() ? "no PIN" : quoted(pin);
    }
    case tag::ACQ_INTERVAL0:
    case tag::ACQ_INTERVAL1:
    case tag::GSM_INTERVAL:
    case tag::GSM_DURATION: {
        const std::string shown = words_.time(t, value);
        return std::to_string(value) + " s" + (shown.empty() ? "" : " = " + shown);
    }
    default:
        return std::to_string(value);
    }
}

std::string Listing_walk::threshold(const Sequence_command& c, const std::string& shown,
                                    const std::string& unit) const {
    if (!c.has_threshold) return "no threshold";
    std::string number = shown;
    if (number.empty()) {
        const bool integer = c.kind == Command_kind::ACQ && is_integer_threshold_header(c.header);
        number = integer ? std::to_string(c.threshold_int())
                         : formatted("%.2f", static_cast<double>(c.threshold_real()));
    }
    return std::string(c.lt ? "< " : ">= ") + number + (unit.empty() ? "" : " " + unit);
}

std::string Listing_walk::command_meaning(const Sequence_command& c) const {
    switch (c.kind) {
    case Command_kind::END:
        return "end of sequence";
    case Command_kind::SIMPLE_SENSOR_1:
    case Command_kind::SIMPLE_SENSOR_2:
        return "channel map " + hex_byte(c.channel_map);
    case Command_kind::CONDITIONAL_ACTION: {
        const std::string outputs = words_.outputs(c);
        return "port " + std::to_string(c.port) + ", and " + hex_byte(c.and_mask) + ", or " +
               hex_byte(c.or_mask) + (outputs.empty() ? "" : ": " + outputs);
    }
    case Command_kind::CONDITIONAL_SMS:
        return "an SMS when a threshold is passed";
    case Command_kind::ACQ_VBAT:
        return "battery, channel " + std::to_string(c.channel) + ", " +
               (c.vbat_threshold == 0 ? std::string("no threshold")
                                      : "threshold " + formatted("%.1f", c.vbat_threshold * 0.1) + " V");
    case Command_kind::NOP:
        return "no operation";
    case Command_kind::PROBES_POWER:
        return "state " + std::to_string(c.state);
    case Command_kind::WAIT:
        return "timeout " + std::to_string(c.timeout);
    case Command_kind::ACQ_FLUO:
    case Command_kind::ACQ_INSTRUMENT:
    case Command_kind::ACQ: {
        std::string fields = c.kind == Command_kind::ACQ ? "header " + std::to_string(c.header) + ", " : "";
        fields += "port " + std::to_string(c.port);
        if (c.kind != Command_kind::ACQ) fields += ", type " + std::to_string(c.type);
        fields += ", channel " + std::to_string(c.channel);
        if (c.kind == Command_kind::ACQ) fields += ", timeout " + std::to_string(c.timeout);
        std::string caption, shown, unit;
        if (words_.channel(c, &caption, &shown, &unit)) fields += ": " + caption;
        return fields + ", " + threshold(c, shown, unit);
    }
    }
    return std::string();
}

// The commands of a sequence record whose payload runs from position + 2 to end. The record's length
// decides where the commands end; a command that is no command or that runs past that end leaves the rest
// of the payload as bytes.
void Listing_walk::sequence(int position, int end) {
    Image_entry& head = add(Entry_kind::SEQUENCE, position, position + 2);
    head.meaning = std::to_string(end - position - 2) + " bytes of commands";
    int p = position + 2;
    while (p < end) {
        Sequence_command c;
        if (!decode_command(image_, static_cast<uint8_t>(p), &c)) {
            not_a_record(p, end, hex_byte(at(p)) + " is no command: the rest of the sequence");
            return;
        }
        if (p + c.length > end) {
            not_a_record(p, end,
                         std::string(command_info(c.kind).name) + " of " + std::to_string(c.length) +
                             " bytes runs past the end of its sequence");
            return;
        }
        Image_entry& e = add(Entry_kind::COMMAND, p, p + c.length);
        e.name = command_info(c.kind).name;
        e.command = c;
        e.meaning = command_meaning(c);
        p += c.length;
        if (c.kind == Command_kind::END) break;
    }
    if (p < end) not_a_record(p, end, "after the end of the sequence, inside its record");
}

Image_listing Listing_walk::run() {
    const int cursor = image_.cursor();
    listing_.cursor = cursor;
    listing_.free = IMAGE_USABLE - cursor;
    int p = 0;
    while (p < cursor) {
        const uint8_t t = at(p);
        if (t == tag::END) {
            Image_entry& e = add(Entry_kind::END_MARKER, p, p + 1);
            e.meaning = "end of the image";
            ++p;
            continue; // an end marker before the cursor: what follows is listed too, never hidden
        }
        if (!is_variable_tag(t) && !is_fixed_tag(t)) {
            not_a_record(p, cursor, hex_byte(t) + " is no tag: the rest up to the cursor");
            return listing_;
        }
        const int length = is_fixed_tag(t) ? 5 : p + 1 < cursor ? 2 + at(p + 1) : 2;
        if (p + length > cursor) {
            std::string why = is_fixed_tag(t)  ? "a fixed record of 5 bytes"
                              : p + 1 < cursor ? "a record of length " + std::to_string(at(p + 1))
                                               : "a record without its length byte";
            not_a_record(p, cursor, why + " runs past the cursor at " + std::to_string(cursor));
            return listing_;
        }
        if (t == 0) {
            // Never written as a tag; find_tag steps over it, so the listing shows its bytes as one piece.
            not_a_record(p, p + length, "0x00 is no tag; stepped over by its length byte");
        } else if (t == tag::SEQUENCE_SLOW || t == tag::SEQUENCE_FAST || t == tag::SEQUENCE_REMOTE) {
            sequence(p, p + length);
        } else if (is_fixed_tag(t)) {
            Image_entry& e = add(Entry_kind::RECORD, p, p + length);
            e.value = image_.get_long_at(static_cast<uint8_t>(p + 1));
            e.meaning = fixed_meaning(t, p, e.value);
        } else {
            Image_entry& e = add(Entry_kind::RECORD, p, p + length);
            const std::string payload = e.bytes.substr(2);
            if (t == tag::SYSTEM_CONFIG || tag_name(t) == nullptr)
                e.meaning = std::to_string(payload.size()) + " raw bytes";
            else
                e.meaning = quoted(payload);
        }
        p += length;
    }
    return listing_;
}

} // namespace

bool Listing_words::channel(const Sequence_command&, std::string*, std::string*, std::string*) const {
    return false;
}

std::string Listing_words::outputs(const Sequence_command&) const {
    return std::string();
}

std::string Listing_words::time(uint8_t, int32_t) const {
    return std::string();
}

Image_listing list_image(const Teeprom_configurer& image, const Listing_words* words) {
    static const Listing_words none;
    return Listing_walk(image, words != nullptr ? *words : none).run();
}

std::string spaced_hex(const std::string& bytes) {
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(bytes.size() * 3);
    for (const char ch : bytes) {
        const unsigned char b = static_cast<unsigned char>(ch);
        if (!out.empty()) out += ' ';
        out += hex[b >> 4];
        out += hex[b & 15];
    }
    return out;
}

std::string listing_line(const Image_entry& e) {
    // Commands stand two places to the right of their sequence; a byte that names nothing shows "?".
    const std::string name = (e.kind == Entry_kind::COMMAND ? "  " : "") + (e.name.empty() ? "?" : e.name);
    const std::string hex = spaced_hex(e.bytes);
    char head[64];
    std::snprintf(head, sizeof head, "%3d  %s %-20s %3d  ", e.offset, hex_byte(e.tag).c_str(), name.c_str(),
                  e.length());
    std::string line = head + hex;
    if (hex.size() < 20) line += std::string(20 - hex.size(), ' ');
    line += "  ";
    if (e.kind == Entry_kind::NOT_A_RECORD) line += "not a record: ";
    return line + e.meaning;
}

std::string listing_summary(const Image_listing& listing) {
    return "cursor " + std::to_string(listing.cursor) + ", " + std::to_string(listing.free) + " bytes free";
}
