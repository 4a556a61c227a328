// Acquisition sequence commands: the one place that knows every opcode, its mask, length and fields.
#pragma once

#include <cstdint>

#include "Eeprom_configurer.h"

enum class Command_kind {
    END,
    SIMPLE_SENSOR_1,
    SIMPLE_SENSOR_2,
    CONDITIONAL_ACTION,
    CONDITIONAL_SMS,
    ACQ_VBAT,
    NOP,
    PROBES_POWER,
    WAIT,
    ACQ_FLUO,
    ACQ,
    ACQ_INSTRUMENT,
};

struct Command_info {
    Command_kind kind;
    const char* name; // the XML element name
    uint8_t mask;     // opcode AND mask == value recognises the command
    uint8_t value;
    uint8_t length;         // without threshold
    uint8_t threshold_byte; // which byte's bit 7 says a 4-byte threshold follows; 0 when none can
};

// The command an opcode stands for, or null when the byte is no command.
const Command_info* command_info(uint8_t opcode);
const Command_info& command_info(Command_kind kind);

// One command decoded from the image. Only the fields of its kind are meaningful.
struct Sequence_command {
    Command_kind kind = Command_kind::END;
    uint8_t position = 0;
    uint8_t length = 1;
    uint8_t port = 0;
    uint8_t type = 0;
    uint8_t channel = 0;
    uint8_t header = 0; // 128 to 191
    uint8_t timeout = 0;
    uint8_t state = 0;
    uint8_t channel_map = 0;
    uint8_t and_mask = 0;
    uint8_t or_mask = 0;
    uint8_t vbat_threshold = 0; // ACQ_VBAT: units of 0.1 V, 0 = no threshold
    bool has_threshold = false;
    bool lt = false;
    uint32_t threshold_bits = 0; // the 4 threshold bytes, big-endian

    float threshold_real() const;
    int32_t threshold_int() const { return static_cast<int32_t>(threshold_bits); }
};

// Decodes the command at pos; false when the byte there is no command.
bool decode_command(const Teeprom_configurer& image, uint8_t pos, Sequence_command* out);

// Walks the commands of the sequence record whose tag is at tag_position, from tag_position + 2. It yields
// every command up to and including the end of sequence; it ends after 0x00, at a byte that is no command,
// and when the next position is 223 or more or not above the current one. The record's length byte is
// not used.
class Sequence_walk {
  public:
    Sequence_walk(const Teeprom_configurer& image, uint8_t tag_position);
    bool next(Sequence_command* command);

  private:
    const Teeprom_configurer& image_;
    uint8_t position_;
    bool done_;
};

// Encoding: each field is masked to its width, never range-checked. A threshold is appended with
// add_long, so in an image it is stored whole or not at all. The sink is the image or the editor's
// sequence buffer: anything with add_byte(uint8_t) and add_long(int32_t).
uint32_t single_precision_bits(double value);
int32_t truncate_to_int32(double value);   // toward zero; saturates outside the 32-bit range, NaN gives 0
uint8_t vbat_threshold_byte(double volts); // the low 8 bits of (float)volts * 10, truncated toward zero
// ACQ headers whose threshold is a 32-bit integer (163, 166-168, 171-175); all others are floats.
bool is_integer_threshold_header(int header);

namespace command_bits {
constexpr uint8_t HAS_THRESHOLD = 0x80;
constexpr uint8_t LT = 0x40;
// The lt bit is stored whenever it is asked for, also without a threshold.
inline uint8_t comparison(bool has_threshold, bool lt) {
    return static_cast<uint8_t>((has_threshold ? HAS_THRESHOLD : 0) | (lt ? LT : 0));
}
} // namespace command_bits

template <typename Sink> void encode_end(Sink& out) {
    out.add_byte(0x00);
}

template <typename Sink> void encode_simple_sensor(Sink& out, int which, int channel_map) {
    out.add_byte(which == 2 ? 0x02 : 0x01); // which: 1 or 2
    out.add_byte(static_cast<uint8_t>(channel_map & 0xFF));
}

template <typename Sink> void encode_conditional_action(Sink& out, int port, int and_mask, int or_mask) {
    out.add_byte(static_cast<uint8_t>(0x08 | (port & 7)));
    out.add_byte(static_cast<uint8_t>(and_mask & 0xFF));
    out.add_byte(static_cast<uint8_t>(or_mask & 0xFF));
}

template <typename Sink> void encode_conditional_sms(Sink& out) {
    out.add_byte(0x81);
}

// ACQ_VBAT with its threshold byte already computed (units of 0.1 V, 0 = no threshold).
template <typename Sink> void encode_acq_vbat_byte(Sink& out, int channel, uint8_t threshold_byte) {
    out.add_byte(static_cast<uint8_t>(0x82 | (channel & 1)));
    out.add_byte(threshold_byte);
}

template <typename Sink> void encode_acq_vbat(Sink& out, int channel, double threshold_volts) {
    encode_acq_vbat_byte(out, channel, vbat_threshold_byte(threshold_volts));
}

template <typename Sink> void encode_nop(Sink& out) {
    out.add_byte(0x84);
}

template <typename Sink> void encode_probes_power(Sink& out, int state) {
    out.add_byte(static_cast<uint8_t>(0x90 | (state & 0x0F)));
}

template <typename Sink> void encode_wait(Sink& out, int timeout) {
    out.add_byte(static_cast<uint8_t>(0xA0 | (timeout & 0x1F)));
}

template <typename Sink>
void encode_acq_fluo(Sink& out, int port, int type, int channel, bool has_threshold, double threshold,
                     bool lt) {
    out.add_byte(static_cast<uint8_t>(0xC0 | (port & 7)));
    out.add_byte(static_cast<uint8_t>((channel & 0x0F) | ((type & 3) << 4) |
                                      command_bits::comparison(has_threshold, lt)));
    if (has_threshold) out.add_long(static_cast<int32_t>(single_precision_bits(threshold)));
}

template <typename Sink>
void encode_acq_instrument(Sink& out, int port, int type, int channel, bool has_threshold, double threshold,
                           bool lt) {
    out.add_byte(static_cast<uint8_t>(0xD8 | (port & 7)));
    out.add_byte(static_cast<uint8_t>((channel & 3) | ((type & 0x0F) << 2) |
                                      command_bits::comparison(has_threshold, lt)));
    if (has_threshold) out.add_long(static_cast<int32_t>(single_precision_bits(threshold)));
}

template <typename Sink>
void encode_acq(Sink& out, int header, int port, int channel, int timeout, bool has_threshold,
                double threshold, bool lt) {
    header = (header & 0x3F) | 0x80; // only the low six bits are stored; bit 7 is always set
    out.add_byte(static_cast<uint8_t>(0xD0 | (port & 7)));
    out.add_byte(static_cast<uint8_t>((header & 0x3F) | command_bits::comparison(has_threshold, lt)));
    out.add_byte(static_cast<uint8_t>(((timeout & 0x0F) << 4) | (channel & 0x0F)));
    if (!has_threshold) return;
    if (is_integer_threshold_header(header))
        out.add_long(truncate_to_int32(threshold));
    else
        out.add_long(static_cast<int32_t>(single_precision_bits(threshold)));
}

float single_from_bits(uint32_t bits);
