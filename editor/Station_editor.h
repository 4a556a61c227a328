// The station editor's logic, free of any window: values before loading, load, store, display conditions.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "Form_model.h"
#include "Sequence_command.h"
#include "Station.h"

// The sequence being built by the store: its commands and the final 0x00. Bytes past 240 are dropped,
// though the longest sequence the editor builds is 112 bytes.
struct Sequence_buffer {
    uint8_t bytes[256];
    uint8_t length = 0;
    void add_byte(uint8_t b) {
        if (length < 240) bytes[length++] = b;
    }
    void add_long(int32_t v) {
        const uint32_t u = static_cast<uint32_t>(v);
        add_byte(static_cast<uint8_t>(u >> 24));
        add_byte(static_cast<uint8_t>(u >> 16));
        add_byte(static_cast<uint8_t>(u >> 8));
        add_byte(static_cast<uint8_t>(u));
    }
};

// What the load put into an edit and the value it came from. While the edit still shows that text, the
// store writes the value itself, not what the shown text rounds to (20 s shows as 0.33 minutes).
struct Loaded_value {
    int control = -1;
    std::string text;
    uint32_t bits = 0; // the record's 32 bits, the threshold byte, or the threshold's 32 bits
};

// A record that no control shows, kept as the image held it and written back behind the editor's own.
struct Kept_record {
    uint8_t tag;
    std::string bytes; // tag, length or value, payload: the record whole
};

// What a kept record is called on the General page ("SMS text on acquisition") and in the setup file
// ("SMS_TEXT_ACQ"), and whether it holds a text; empty texts for a tag that is not kept.
const char* kept_record_caption(uint8_t tag);
const char* kept_record_element(uint8_t tag);
bool kept_record_is_text(uint8_t tag);

// A sequence command that no control shows, which the store cannot write back.
struct Dropped_command {
    int page;         // 0 slow, 1 fast, 2 remote; -1 for a second record of a kind the editor shows once
    std::string name; // its element name ("NOP", "ACQ_INSTRUMENT")
};

// Why a store was refused: the configuration needs more than the station's 223 bytes, or the SMS number
// (loaded from a file) is longer than the 15 characters the station keeps, which would make it another
// number.
enum class Store_refusal { NONE, TOO_LARGE, SMS_NUMBER_TOO_LONG };

// What a store did: stored, or refused with nothing changed.
struct Store_result {
    bool stored;
    int bytes_needed;
    Store_refusal refusal = Store_refusal::NONE;
};

// One sentence that says why a store was refused ("This configuration needs 230 bytes, but the
// station's memory holds 223."); empty for a store that was done.
std::string refusal_text(const Store_result& result, const std::string& sms_number);

class Station_editor {
  public:
    Form_model form;
    Tstation* station = nullptr; // the record being edited, not owned
    int action_count = 0;

    std::vector<Loaded_value> loaded;
    std::vector<Kept_record> kept;
    std::vector<Dropped_command> dropped;
    bool adding = false; // a new station: OK stores the values shown even when none was changed

    // Reset, load, display conditions: what opening the editor on a station shows. The form as it is then
    // is what "unchanged" compares with.
    void open(Tstation* record, bool add = false);

    // Whether every control holds what it held after open.
    bool unchanged() const;
    // What OK does: for a station that was opened and left unchanged nothing at all (its record and image
    // stay as they are, byte for byte); otherwise the store.
    Store_result ok();

    // The loaded value behind an edit that still shows the text the load put there.
    bool loaded_value(int control, uint32_t* bits) const;
    // For a number edit whose text is read only up to a bad character: what will be stored, in words
    // ("7,25 is read as 7: the decimal point is a point"); empty when the text reads whole or the edit
    // holds no number.
    std::string number_hint(int control) const;
    // The records kept as read, one line each ("SMS text on acquisition (12 characters)"), for the window.
    std::vector<std::string> kept_lines() const;
    // One sentence per page whose commands the store drops ("OK will drop 2 commands of the Slow Sequence
    // that this editor does not show: ACQ_INSTRUMENT, NOP"); empty when nothing is dropped.
    std::vector<std::string> dropped_notices() const;

    void reset_controls();
    void load_station();
    void load_sequence(uint8_t tag);
    void show_channel(bool has_threshold, bool lt, const std::string& text, int check_box, int compare_list,
                      int threshold_edit);
    void setup_display_conditions();

    // Sets a control's value as a user would and re-runs the display conditions. False, with nothing
    // changed, for a value the control cannot take.
    bool set_checked(int control, bool checked);
    bool set_index(int control, int index);
    bool set_text(int control, const std::string& text);

    // Bytes the store would need for the current values: the three sequence records, the SMS number
    // record and the seven fixed records. Cheap: nothing is put in an image.
    int bytes_needed() const;
    // Whether the SMS number's edit holds no more than the 15 characters the station keeps.
    bool sms_number_fits() const;

    // What the store would put into the station's image for the current values, built into the given
    // image (cleared first) and nothing else changed. A configuration too large for the station is built
    // as far as it fits, as the image's appends allow.
    void build_image(Teeprom_configurer& image) const;

    // The OK store: the station's image and identification from the controls, in the fixed order. When
    // the configuration does not fit the 223 bytes nothing is changed and the result says so.
    Store_result store();

    // The store's steps, each building into the given buffer or image.
    void build_sequence(int page, Sequence_buffer& out) const; // page 0 slow, 1 fast
    void build_remote_sequence(Sequence_buffer& out) const;
    void store_sequence_record(Teeprom_configurer& image, uint8_t tag, const Sequence_buffer& sequence) const;
    void emit_vbat(Sequence_buffer& out, int check_box, int eol_box, int threshold_edit) const;
    void emit_fluo(Sequence_buffer& out, const Channel& channel, int check_box, int compare_list,
                   int threshold_edit) const;
    void emit_acq(Sequence_buffer& out, const Channel& channel, int check_box, int compare_list,
                  int threshold_edit) const;
    void emit_sms(Sequence_buffer& out, int check_box) const;
    void emit_action(Sequence_buffer& out, int check_box, const int output_lists[4]) const;
    void store_interval(Teeprom_configurer& image, int edit, uint8_t tag, double factor) const;

  private:
    void remember_loaded(int control, uint32_t bits);
    void keep_records();
    std::vector<Control> opened_form_;
    void show_vbat(int page, uint8_t threshold_byte);
    void show_action(int page, uint8_t and_mask, uint8_t or_mask);
};

// What the editor's edits and lists show for what an image holds: a time record in the edit's unit
// ("15.00 min", empty for another tag); a threshold as its edit shows it; the channel a sequence command
// acquires, as the load finds it (ACQ_FLUO by channel, ACQ by header), or null; the choice an output's
// list shows for an action's masks (Output_index).
std::string timing_text(uint8_t tag, int32_t seconds);
std::string threshold_text(const Channel& channel, const Sequence_command& command);
const Channel* command_channel(const Sequence_command& command);
int output_choice(uint8_t and_mask, uint8_t or_mask, int output);

// The display type that the editor stores into every station it edits.
extern const char ZEVO_4K_DISPLAY_TYPE[];
