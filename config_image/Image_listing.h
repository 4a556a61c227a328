// The configuration image listed record by record, each sequence command by command, with what every
// entry means in words. Bytes that are no well-formed record are listed too, as they stand.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "Eeprom_configurer.h"
#include "Sequence_command.h"

enum class Entry_kind {
    RECORD,       // a whole text, raw or fixed record
    SEQUENCE,     // a sequence record's tag and length byte; its commands follow as COMMAND entries
    COMMAND,      // one command of the sequence above it
    END_MARKER,   // the 0xFF that ends an image read from a file
    NOT_A_RECORD, // bytes that are no well-formed record or command, from where the walk lost its way
};

struct Image_entry {
    Entry_kind kind = Entry_kind::RECORD;
    uint8_t offset = 0;
    uint8_t tag = 0;   // the first byte: a record's tag, a command's opcode
    std::string name;  // the tag's or command's name; empty for a byte that names nothing
    std::string bytes; // the entry's bytes as the image holds them
    std::string meaning;
    int32_t value = 0;        // a fixed record's 32-bit payload
    Sequence_command command; // a COMMAND's fields

    int length() const { return static_cast<int>(bytes.size()); }
};

struct Image_listing {
    std::vector<Image_entry> entries; // in image order; their lengths add up to the cursor
    int cursor = 0;
    int free = 0; // usable bytes behind the cursor
};

// What the layers above know and this one does not: a channel's caption and its threshold's unit, the
// editor's words for the outputs of an action, the units the editor shows a time in.
class Listing_words {
  public:
    virtual ~Listing_words() = default;
    // A channel's caption and its threshold as the editor shows it, without its unit; false when unknown.
    virtual bool channel(const Sequence_command& command, std::string* caption, std::string* threshold,
                         std::string* unit) const;
    // The outputs of a CONDITIONAL_ACTION in words; empty when unknown.
    virtual std::string outputs(const Sequence_command& command) const;
    // A time record's seconds in the editor's unit ("15.00 min"); empty when it has none.
    virtual std::string time(uint8_t tag, int32_t seconds) const;
};

// Lists the bytes from position 0 up to the cursor. Never reads outside the image's 256 bytes.
Image_listing list_image(const Teeprom_configurer& image, const Listing_words* words = nullptr);

// "85 00 00 03 84"
std::string spaced_hex(const std::string& bytes);

// One line of the command line's listing: offset, tag in hex and name, length, bytes, meaning. Commands
// are indented under their sequence.
std::string listing_line(const Image_entry& entry);
// The closing line: "cursor 160, 63 bytes free".
std::string listing_summary(const Image_listing& listing);
