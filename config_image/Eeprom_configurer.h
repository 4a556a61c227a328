// The configuration image: the station's configuration memory as tag-length-value records.
#pragma once

#include <cstdint>
#include <string>

// Record tags. Variable records (0x01-0x7F) carry a length byte, fixed records (0x80-0xBF) 4 bytes.
namespace tag {
constexpr uint8_t SMS_NUMBER = 1;
constexpr uint8_t PHONE_NUMBER = 2;
constexpr uint8_t SMS_TEXT_ACQ = 3;
constexpr uint8_t SMS_TEXT_EOL = 4;
constexpr uint8_t SYSTEM_CONFIG = 7;
constexpr uint8_t SEQUENCE_SLOW = 8;
constexpr uint8_t SEQUENCE_FAST = 9;
constexpr uint8_t SEQUENCE_REMOTE = 10;
constexpr uint8_t STATION_ID = 130;
constexpr uint8_t PIN_CODE = 131;
constexpr uint8_t SYSCTRL = 132;
constexpr uint8_t ACQ_INTERVAL0 = 133;
constexpr uint8_t GSM_INTERVAL = 134;
constexpr uint8_t GSM_DURATION = 135;
constexpr uint8_t ACQ_INTERVAL1 = 136;
constexpr uint8_t LOCATION = 137;
constexpr uint8_t GSM_SMS_DURATION = 138;
constexpr uint8_t END = 0xFF;
} // namespace tag

// Bytes are appended at positions 0 to 222 only; 223 to 254 always keep the 0xFF of clearing.
constexpr int IMAGE_USABLE = 223;
constexpr int IMAGE_SIZE = 256;
constexpr int SMS_NUMBER_MAX = 15; // the station keeps at most 15 characters of the SMS number

// The name of a tag as the XML element names it ("ACQ_INTERVAL0"; the sequences "SEQUENCE_SLOW",
// "SEQUENCE_FAST", "SEQUENCE_REMOTE"), or null for a byte that is no tag this system writes.
const char* tag_name(uint8_t t);

bool is_variable_tag(uint8_t t);
bool is_fixed_tag(uint8_t t);

// Where the record at pos ends, by the shape of its tag; false when the walk over records ends there:
// at a tag of 0xC0 or above, and when the next position would be 223 or more or not above pos (a text
// record of length 254 would otherwise bring the walk back onto itself for ever).
bool next_record_position(const uint8_t data[IMAGE_SIZE], uint8_t pos, uint8_t* next);

class Teeprom_configurer {
  public:
    Teeprom_configurer();

    void clear();
    void add_byte(uint8_t byte);
    void add_long(int32_t value);
    void add_tag_long(uint8_t tag_byte, int32_t value);
    void add_sms_number(const char* text);

    // Back-patched length: open_record appends the tag and a placeholder and returns its position; after
    // the payload, close_record stores the number of payload bytes really appended.
    uint8_t open_record(uint8_t tag_byte);
    void close_record(uint8_t length_position);

    uint8_t get_byte(uint8_t position) const { return data_[position]; }
    int32_t get_long_at(uint8_t position) const;
    uint8_t find_tag(uint8_t tag_byte) const;
    bool get_tag_long(uint8_t tag_byte, int32_t* value) const;
    std::string get_sms_number() const;

    uint8_t cursor() const { return cursor_; }
    // Bytes that appends refused since the last clear because the usable area was full. Not part of the
    // content: two images with the same bytes and cursor are equal whatever they refused.
    int refused() const { return refused_; }
    const uint8_t* data() const { return data_; }

    // Puts raw bytes in place (for tools that load a memory dump and for tests); the cursor is given.
    void assign(const uint8_t bytes[IMAGE_SIZE], uint8_t cursor);

    bool operator==(const Teeprom_configurer& other) const;
    bool operator!=(const Teeprom_configurer& other) const { return !(*this == other); }

  private:
    uint8_t data_[IMAGE_SIZE];
    uint8_t cursor_;
    int refused_ = 0;
};

// The configuration's own bytes, as the editor's memory meter counts them for a station it stored: up to
// the end marker behind the last record, which is no data (the image's cursor stands behind it). A
// configuration that fills the 223 bytes has no end marker; an unconfigured station uses 0.
int bytes_used(const Teeprom_configurer& image);
