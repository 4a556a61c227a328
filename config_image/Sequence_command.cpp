// Acquisition sequence commands: encoding with masking, and the walk the writer and the editor share.
#include "Sequence_command.h"

#include <cmath>
#include <cstring>
#include <limits>

namespace {

// Masks do not overlap, so at most one entry matches an opcode.
const Command_info commands[] = {
    {Command_kind::END, "END", 0xFF, 0x00, 1, 0},
    {Command_kind::SIMPLE_SENSOR_1, "SIMPLE_SENSOR_1", 0xFF, 0x01, 2, 0},
    {Command_kind::SIMPLE_SENSOR_2, "SIMPLE_SENSOR_2", 0xFF, 0x02, 2, 0},
    {Command_kind::CONDITIONAL_ACTION, "CONDITIONAL_ACTION", 0xF8, 0x08, 3, 0},
    {Command_kind::CONDITIONAL_SMS, "CONDITIONAL_SMS", 0xFF, 0x81, 1, 0},
    {Command_kind::ACQ_VBAT, "ACQ_VBAT", 0xFE, 0x82, 2, 0},
    {Command_kind::NOP, "NOP", 0xFF, 0x84, 1, 0},
    {Command_kind::PROBES_POWER, "PROBES_POWER", 0xF0, 0x90, 1, 0},
    {Command_kind::WAIT, "WAIT", 0xE0, 0xA0, 1, 0},
    {Command_kind::ACQ_FLUO, "ACQ_FLUO", 0xF8, 0xC0, 2, 1},
    {Command_kind::ACQ, "ACQ", 0xF8, 0xD0, 3, 1},
    {Command_kind::ACQ_INSTRUMENT, "ACQ_INSTRUMENT", 0xF8, 0xD8, 2, 1},
};

using command_bits::HAS_THRESHOLD;
using command_bits::LT;

} // namespace

const Command_info* command_info(uint8_t opcode) {
    for (const Command_info& info : commands)
        if ((opcode & info.mask) == info.value) return &info;
    return nullptr;
}

const Command_info& command_info(Command_kind kind) {
    for (const Command_info& info : commands)
        if (info.kind == kind) return info;
    return commands[0];
}

bool is_integer_threshold_header(int header) {
    switch (header) {
    case 163:
    case 166:
    case 167:
    case 168:
    case 171:
    case 172:
    case 173:
    case 174:
    case 175:
        return true;
    default:
        return false;
    }
}

uint32_t single_precision_bits(double value) {
    const float f = static_cast<float>(value);
    uint32_t bits;
    std::memcpy(&bits, &f, sizeof bits);
    return bits;
}

float single_from_bits(uint32_t bits) {
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

float Sequence_command::threshold_real() const {
    return single_from_bits(threshold_bits);
}

int32_t truncate_to_int32(double value) {
    if (std::isnan(value)) return 0;
    if (value >= 2147483647.0) return std::numeric_limits<int32_t>::max();
    if (value <= -2147483648.0) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(value);
}

uint8_t vbat_threshold_byte(double volts) {
    // Multiplied by 10 in single precision, as the station's own tools do: 3.6 V gives 36, 25.6 V wraps to 0.
    const float tenths = static_cast<float>(volts) * 10.0f;
    double remainder = std::fmod(std::trunc(static_cast<double>(tenths)), 256.0);
    if (std::isnan(remainder)) return 0;
    if (remainder < 0) remainder += 256.0;
    return static_cast<uint8_t>(remainder);
}

bool decode_command(const Teeprom_configurer& image, uint8_t pos, Sequence_command* out) {
    const uint8_t opcode = image.get_byte(pos);
    const Command_info* info = command_info(opcode);
    if (info == nullptr) return false;
    Sequence_command c;
    c.kind = info->kind;
    c.position = pos;
    c.length = info->length;
    const uint8_t b1 = image.get_byte(static_cast<uint8_t>(pos + 1));
    const uint8_t b2 = image.get_byte(static_cast<uint8_t>(pos + 2));
    if (info->threshold_byte != 0 && (b1 & HAS_THRESHOLD) != 0) {
        c.has_threshold = true;
        c.threshold_bits = static_cast<uint32_t>(image.get_long_at(static_cast<uint8_t>(pos + info->length)));
        c.length = static_cast<uint8_t>(info->length + 4);
    }
    switch (c.kind) {
    case Command_kind::SIMPLE_SENSOR_1:
    case Command_kind::SIMPLE_SENSOR_2:
        c.channel_map = b1;
        break;
    case Command_kind::CONDITIONAL_ACTION:
        c.port = opcode & 7;
        c.and_mask = b1;
        c.or_mask = b2;
        break;
    case Command_kind::ACQ_VBAT:
        c.channel = opcode & 1;
        c.vbat_threshold = b1;
        break;
    case Command_kind::PROBES_POWER:
        c.state = opcode & 0x0F;
        break;
    case Command_kind::WAIT:
        c.timeout = opcode & 0x1F;
        break;
    case Command_kind::ACQ_FLUO:
        c.port = opcode & 7;
        c.lt = (b1 & LT) != 0;
        c.type = (b1 >> 4) & 3;
        c.channel = b1 & 0x0F;
        break;
    case Command_kind::ACQ_INSTRUMENT:
        c.port = opcode & 7;
        c.lt = (b1 & LT) != 0;
        c.type = (b1 >> 2) & 0x0F;
        c.channel = b1 & 3;
        break;
    case Command_kind::ACQ:
        c.port = opcode & 7;
        c.lt = (b1 & LT) != 0;
        c.header = static_cast<uint8_t>((b1 & 0x3F) | 0x80);
        c.channel = b2 & 0x0F;
        c.timeout = b2 >> 4;
        break;
    default:
        break;
    }
    *out = c;
    return true;
}

Sequence_walk::Sequence_walk(const Teeprom_configurer& image, uint8_t tag_position)
    : image_(image), position_(static_cast<uint8_t>(tag_position + 2)),
      done_(position_ >= IMAGE_USABLE || position_ <= tag_position) {}

bool Sequence_walk::next(Sequence_command* command) {
    if (done_) return false;
    Sequence_command c;
    if (!decode_command(image_, position_, &c)) {
        done_ = true;
        return false;
    }
    const uint8_t next = static_cast<uint8_t>(position_ + c.length);
    if (c.kind == Command_kind::END || next >= IMAGE_USABLE || next <= position_) done_ = true;
    position_ = next;
    if (command != nullptr) *command = c;
    return true;
}
