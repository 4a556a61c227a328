// Reading notes: every decision a reader takes without a word (a number cut at a bad character, an element
// ignored, an included file not read), reported once, typed, to whoever listens.
#pragma once

#include <cstdint>
#include <string>

enum class Note_kind {
    // Errors: the reader's own ERROR trace lines say these too.
    UNKNOWN_ELEMENT, // a child of a configuration or a sequence of no known name: skipped
    SEQUENCE_NUMBER, // an ACQUISITION_SEQUENCE number other than 0, 1 and 2: the sequence is skipped
    NESTED_TOO_DEEP, // an included configuration file beyond the nesting bound: not read

    // Warnings.
    ELEMENT_IGNORED,  // an element the reader never reads (a misspelled STATION): `count` of its kind before
                      // it
    AFTER_ROOT,       // an element after the root element (a second setup file behind the first)
    ELEMENT_REPEATED, // an element that counts once: `count` of them, the last one counts
    ATTRIBUTE_REPEATED,  // an attribute given twice: the first one counts
    NO_VALUE,            // a record element without its value attribute: no record
    NUMBER_NOT_CLEAN,    // `raw` is no clean number; `used` says what the reader took instead
    VALUE_MASKED,        // a number wider than its field: `used` is what the field keeps
    KEYWORD_UNKNOWN,     // a keyword of no known value: `used` is what counts instead
    TEXT_CUT,            // a text longer than its field: cut to `count` characters
    TEXT_DROPPED,        // a text longer than its record may be (`count`): no record
    PIN_CODE_IGNORED,    // a PIN_CODE longer than the `count` characters the station keeps: `used` stands in
    SMS_NUMBER_TOO_LONG, // longer than the `count` characters the station keeps; the editor refuses it
    INCLUDE_NOT_READ,    // an included configuration file that could not be read: `used` is the reason
    INCLUDE_USED,        // the configuration came from the included file `used`; `count` own elements unused
    CONFIGURATION_FULL,  // the configuration needs more than the station's bytes: `count` bytes dropped
    DUPLICATE_ID,        // a station with the id of station `count`
};

// A note keeps the beginning of a text as read, enough to quote it: an attribute may be 200 MB long.
constexpr size_t RAW_KEPT = 1024;

// Where a note belongs and what it is about. Texts are the file's bytes (references resolved).
struct Reading_note {
    Note_kind kind = Note_kind::ELEMENT_IGNORED;
    int station = 0; // the station's position from 1, or 0
    int32_t station_id = 0;
    int comport = 0;             // the COM port's position from 1, or 0
    std::string file;            // the included configuration file it stands in; empty for the setup file
    std::string parent;          // the element that holds it when no station or port does (SETUP, COMPORTS)
    std::string element;         // the element it is about
    std::string attribute;       // the attribute it is about, if any
    std::string sequence;        // "slow", "fast" or "remote" for a command of a sequence
    std::string raw;             // the text as read, its first RAW_KEPT bytes
    size_t length = 0;           // the whole length of the text as read
    std::string used;            // what the reader made of it
    std::string range;           // VALUE_MASKED: what the field keeps ("0 to 31")
    long long count = 0;         // a figure that goes with the kind (see Note_kind)
    int32_t other_id = 0;        // ELEMENT_IGNORED among stations: the id of the station before it
    bool first = false;          // SMS_NUMBER_TOO_LONG: the first SMS number, the one the editor shows
    bool working_folder = false; // INCLUDE_USED: a relative name found in the working folder only, not
                                 // beside the file that names it

    bool is_error() const {
        return kind == Note_kind::UNKNOWN_ELEMENT || kind == Note_kind::SEQUENCE_NUMBER ||
               kind == Note_kind::NESTED_TOO_DEEP;
    }
};

// Listens to a reader. Readers call it only where they already decide, and only when one is given.
class Note_sink {
  public:
    virtual ~Note_sink() = default;
    virtual void note(const Reading_note& note) = 0;
};
