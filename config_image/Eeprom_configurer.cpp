// The configuration image. Positions are 8-bit and wrap, so no operation reaches outside the 256 bytes.
#include "Eeprom_configurer.h"

#include <cstring>

const char* tag_name(uint8_t t) {
    switch (t) {
    case tag::SMS_NUMBER:
        return "SMS_NUMBER";
    case tag::PHONE_NUMBER:
        return "PHONE_NUMBER";
    case tag::SMS_TEXT_ACQ:
        return "SMS_TEXT_ACQ";
    case tag::SMS_TEXT_EOL:
        return "SMS_TEXT_EOL";
    case tag::SYSTEM_CONFIG:
        return "SYSTEM_CONFIG";
    case tag::SEQUENCE_SLOW:
        return "SEQUENCE_SLOW";
    case tag::SEQUENCE_FAST:
        return "SEQUENCE_FAST";
    case tag::SEQUENCE_REMOTE:
        return "SEQUENCE_REMOTE";
    case tag::STATION_ID:
        return "STATION_ID";
    case tag::PIN_CODE:
        return "PIN_CODE";
    case tag::SYSCTRL:
        return "SYSCTRL";
    case tag::ACQ_INTERVAL0:
        return "ACQ_INTERVAL0";
    case tag::GSM_INTERVAL:
        return "GSM_INTERVAL";
    case tag::GSM_DURATION:
        return "GSM_DURATION";
    case tag::ACQ_INTERVAL1:
        return "ACQ_INTERVAL1";
    case tag::LOCATION:
        return "LOCATION";
    case tag::GSM_SMS_DURATION:
        return "GSM_SMS_DURATION";
    case tag::END:
        return "END";
    default:
        return nullptr;
    }
}

bool is_variable_tag(uint8_t t) {
    return t < 0x80;
}
bool is_fixed_tag(uint8_t t) {
    return t >= 0x80 && t < 0xC0;
}

bool next_record_position(const uint8_t data[IMAGE_SIZE], uint8_t pos, uint8_t* next) {
    const uint8_t t = data[pos];
    uint8_t n;
    if (is_variable_tag(t)) {
        n = static_cast<uint8_t>(pos + 2 + data[static_cast<uint8_t>(pos + 1)]);
    } else if (is_fixed_tag(t)) {
        n = static_cast<uint8_t>(pos + 5);
    } else {
        return false;
    }
    if (n >= IMAGE_USABLE || n <= pos) return false;
    *next = n;
    return true;
}

Teeprom_configurer::Teeprom_configurer() {
    data_[255] = 0xFF; // clearing never touches byte 255; a new image holds 0xFF there too
    clear();
}

void Teeprom_configurer::clear() {
    cursor_ = 0;
    refused_ = 0;
    std::memset(data_, 0xFF, 255);
}

void Teeprom_configurer::add_byte(uint8_t byte) {
    if (cursor_ < IMAGE_USABLE)
        data_[cursor_++] = byte;
    else
        ++refused_;
}

void Teeprom_configurer::add_long(int32_t value) {
    if (cursor_ > IMAGE_USABLE - 4) { // a 32-bit value is stored whole or not at all
        refused_ += 4;
        return;
    }
    const uint32_t v = static_cast<uint32_t>(value);
    add_byte(static_cast<uint8_t>(v >> 24));
    add_byte(static_cast<uint8_t>(v >> 16));
    add_byte(static_cast<uint8_t>(v >> 8));
    add_byte(static_cast<uint8_t>(v));
}

void Teeprom_configurer::add_tag_long(uint8_t tag_byte, int32_t value) {
    add_byte(tag_byte);
    add_long(value);
}

void Teeprom_configurer::add_sms_number(const char* text) {
    if (text == nullptr || text[0] == 0) return;
    size_t length = std::strlen(text);
    if (length > SMS_NUMBER_MAX) length = SMS_NUMBER_MAX;
    add_byte(tag::SMS_NUMBER);
    add_byte(static_cast<uint8_t>(length));
    for (size_t i = 0; i < length; ++i)
        add_byte(static_cast<uint8_t>(text[i]));
}

uint8_t Teeprom_configurer::open_record(uint8_t tag_byte) {
    add_byte(tag_byte);
    const uint8_t length_position = cursor_;
    add_byte(0);
    return length_position;
}

void Teeprom_configurer::close_record(uint8_t length_position) {
    // When the placeholder itself was refused the position is 223, which must keep its 0xFF.
    if (length_position >= IMAGE_USABLE) return;
    data_[length_position] = static_cast<uint8_t>(cursor_ - length_position - 1);
}

int32_t Teeprom_configurer::get_long_at(uint8_t position) const {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i)
        v = (v << 8) | data_[static_cast<uint8_t>(position + i)];
    return static_cast<int32_t>(v);
}

uint8_t Teeprom_configurer::find_tag(uint8_t tag_byte) const {
    uint8_t pos = 0;
    for (;;) {
        if (data_[pos] == tag_byte) return pos; // only tag bytes are compared, never payload bytes
        uint8_t next;
        if (!next_record_position(data_, pos, &next)) return 0xFF;
        pos = next;
    }
}

bool Teeprom_configurer::get_tag_long(uint8_t tag_byte, int32_t* value) const {
    const uint8_t pos = find_tag(tag_byte);
    if (pos == 0xFF) return false;
    if (value != nullptr) *value = get_long_at(static_cast<uint8_t>(pos + 1));
    return true;
}

std::string Teeprom_configurer::get_sms_number() const {
    const uint8_t pos = find_tag(tag::SMS_NUMBER);
    if (pos == 0xFF) return std::string();
    const uint8_t length = data_[static_cast<uint8_t>(pos + 1)];
    std::string text;
    text.reserve(length);
    for (int i = 0; i < length; ++i)
        text += static_cast<char>(data_[static_cast<uint8_t>(pos + 2 + i)]);
    return text;
}

void Teeprom_configurer::assign(const uint8_t bytes[IMAGE_SIZE], uint8_t cursor) {
    std::memcpy(data_, bytes, IMAGE_SIZE);
    cursor_ = cursor > IMAGE_USABLE ? IMAGE_USABLE : cursor;
}

bool Teeprom_configurer::operator==(const Teeprom_configurer& other) const {
    return cursor_ == other.cursor_ && std::memcmp(data_, other.data_, IMAGE_SIZE) == 0;
}

int bytes_used(const Teeprom_configurer& image) {
    const uint8_t* data = image.data();
    uint8_t position = 0;
    for (;;) {
        if (data[position] == tag::END) return position;
        uint8_t next = 0;
        if (!next_record_position(data, position, &next)) break;
        position = next;
    }
    return image.cursor() < IMAGE_USABLE ? image.cursor() : IMAGE_USABLE;
}
