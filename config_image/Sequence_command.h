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
    const char* name;       // the XML element name
    uint8_t mask;           // opcode AND mask == value recognises the command
    uint8_t value;
    uint8_t length;         // without threshold
    uint8_t threshold_byte; // which byte's bit 7 says a 4-byte threshold follows; 0 when none can
};

// The command an opcode stands for, or null when the byte is no command.
const Command_info* command_info(uint8_t opcode);
const Command_info& command_info(Command_kind kind);

// ACQ headers whose threshold is a 32-bit integer; all others are single-precision floats.
bool is_integer_threshold_header(int header);

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
// add_long, so it is stored whole or not at all.
void encode_simple_sensor(Teeprom_configurer& image, int which, int channel_map); // which: 1 or 2
void encode_conditional_action(Teeprom_configurer& image, int port, int and_mask, int or_mask);
void encode_conditional_sms(Teeprom_configurer& image);
void encode_acq_vbat(Teeprom_configurer& image, int channel, double threshold_volts);
void encode_nop(Teeprom_configurer& image);
void encode_probes_power(Teeprom_configurer& image, int state);
void encode_wait(Teeprom_configurer& image, int timeout);
void encode_acq_fluo(Teeprom_configurer& image, int port, int type, int channel, bool has_threshold,
                     double threshold, bool lt);
void encode_acq_instrument(Teeprom_configurer& image, int port, int type, int channel, bool has_threshold,
                           double threshold, bool lt);
void encode_acq(Teeprom_configurer& image, int header, int port, int channel, int timeout, bool has_threshold,
                double threshold, bool lt);

// Conversions of a threshold to what the station stores.
uint32_t single_precision_bits(double value);
float single_from_bits(uint32_t bits);
int32_t truncate_to_int32(double value); // toward zero; saturates outside the 32-bit range, NaN gives 0
uint8_t vbat_threshold_byte(double volts); // the low 8 bits of (float)volts * 10, truncated toward zero
