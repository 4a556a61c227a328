// Storing the editor into the station: the image rebuilt from scratch in a fixed order, then the texts.
#include <cstring>

#include "Edit_numbers.h"
#include "Lib_text.h"
#include "Sequence_command.h"
#include "Station_editor.h"

namespace {

constexpr uint8_t PROBES_ON = 3, PROBES_OFF = 0, WAIT_NO_VBAT = 3;
constexpr int FLUO_PORT = 4, PROBE_PORT = 2, COUNTER_PORT = 5, ACQ_TIMEOUT = 7, ACTION_PORT = 5;

// The seven fixed records: STATION_ID, SYSCTRL, four intervals and PIN_CODE, 5 bytes each.
constexpr int FIXED_RECORDS_BYTES = 7 * 5;
// SYSCTRL: acq_enabled and acq_automatic on, gsm_enabled on, gsm_call off, address 0.
constexpr int32_t SYSCTRL_VALUE = 0x03010000;

// What add_sms_number writes for the edit's text: a text loaded from a station's memory may hold a zero
// byte, where the record's text ends.
size_t sms_characters(const std::string& sms) {
    return std::strlen(sms.c_str());
}

int sms_record_bytes(const std::string& sms) {
    const size_t length = sms_characters(sms);
    if (length == 0) return 0;
    return 2 + static_cast<int>(length < SMS_NUMBER_MAX ? length : SMS_NUMBER_MAX);
}

} // namespace

void Station_editor::emit_vbat(Sequence_buffer& out, int check_box, int eol_box, int threshold_edit) const {
    if (!form.checked(check_box)) return;
    uint8_t threshold = 0;
    uint32_t loaded_byte = 0;
    // Multiplied by 10 in double precision: "11.9" gives 119, "3.65" gives 36. A threshold left as loaded
    // keeps its byte: "2.3" would give 22.999... and so 22.
    if (eol_box >= 0 && threshold_edit >= 0 && form.checked(eol_box))
        threshold =
            loaded_value(threshold_edit, &loaded_byte)
                ? static_cast<uint8_t>(loaded_byte)
                : static_cast<uint8_t>(truncated_low_bits(edit_real(form.text(threshold_edit)) * 10.0, 8));
    encode_acq_vbat_byte(out, 0, threshold);
}

// A channel's comparison as its list and edit give it. "No threshold", or no selection, uses no value;
// pulse counters read their edit as an integer, every other channel as a real.
struct Threshold_choice {
    bool has_threshold = false;
    bool lt = false;
    double value = 0;
};

// A threshold left as loaded gives the loaded value itself: a float's own single, which converts back to
// the same 32 bits, or the counter's integer.
Threshold_choice threshold_choice(const Station_editor& editor, const Channel& channel, int compare_list,
                                  int threshold_edit) {
    const Form_model& form = editor.form;
    Threshold_choice t;
    if (compare_list < 0 || threshold_edit < 0) return t;
    const int index = form.index(compare_list);
    t.has_threshold = index == COMPARE_GE || index == COMPARE_LT;
    t.lt = index == COMPARE_LT;
    if (!t.has_threshold) return t;
    uint32_t bits = 0;
    if (editor.loaded_value(threshold_edit, &bits))
        t.value = channel.integer_threshold ? static_cast<double>(static_cast<int32_t>(bits))
                                            : static_cast<double>(single_from_bits(bits));
    else
        t.value = channel.integer_threshold ? static_cast<double>(edit_integer(form.text(threshold_edit)))
                                            : edit_real(form.text(threshold_edit));
    return t;
}

void Station_editor::emit_fluo(Sequence_buffer& out, const Channel& channel, int check_box, int compare_list,
                               int threshold_edit) const {
    if (!form.checked(check_box)) return;
    const Threshold_choice t = threshold_choice(*this, channel, compare_list, threshold_edit);
    encode_acq_fluo(out, FLUO_PORT, 0, channel.number, t.has_threshold, t.value, t.lt);
}

void Station_editor::emit_acq(Sequence_buffer& out, const Channel& channel, int check_box, int compare_list,
                              int threshold_edit) const {
    if (!form.checked(check_box)) return;
    const Threshold_choice t = threshold_choice(*this, channel, compare_list, threshold_edit);
    const int port = channel.integer_threshold ? COUNTER_PORT : PROBE_PORT;
    encode_acq(out, channel.number, port, channel.number & 0x0F, ACQ_TIMEOUT, t.has_threshold, t.value, t.lt);
}

void Station_editor::emit_sms(Sequence_buffer& out, int check_box) const {
    if (form.checked(check_box)) encode_conditional_sms(out);
}

void Station_editor::emit_action(Sequence_buffer& out, int check_box, const int output_lists[4]) const {
    if (!form.checked(check_box)) return;
    int and_mask = 0, or_mask = 0;
    for (int k = 0; k < 4; ++k) {
        const int index = form.index(output_lists[k]);
        if (index == OUTPUT_KEEP) and_mask |= 1 << k;
        if (index == OUTPUT_FORCE_1) or_mask |= 1 << k;
    }
    encode_conditional_action(out, ACTION_PORT, and_mask, or_mask);
}

void Station_editor::build_sequence(int page, Sequence_buffer& out) const {
    const Page_controls& c = form.page(page);
    encode_probes_power(out, PROBES_ON);
    emit_vbat(out, c.vbat, c.vbat_eol, c.vbat_threshold);
    if (!form.checked(c.vbat)) encode_wait(out, WAIT_NO_VBAT);
    for (int n = 0; n < CHANNEL_COUNT; ++n) {
        const Channel& channel = channel_table[n];
        if (channel.command == Channel_command::FLUO)
            emit_fluo(out, channel, c.check[n], c.compare[n], c.threshold[n]);
        else
            emit_acq(out, channel, c.check[n], c.compare[n], c.threshold[n]);
    }
    encode_probes_power(out, PROBES_OFF);
    if (c.sms >= 0) emit_sms(out, c.sms);
    for (int a = 0; a < 2; ++a)
        if (c.action[a] >= 0) emit_action(out, c.action[a], c.output[a]);
    encode_end(out);
}

void Station_editor::build_remote_sequence(Sequence_buffer& out) const {
    // The remote page has check boxes only: no battery threshold, no SMS, no output action.
    build_sequence(2, out);
}

void Station_editor::store_sequence_record(Teeprom_configurer& image, uint8_t tag_byte,
                                           const Sequence_buffer& sequence) const {
    // The length is written before the payload; the store refuses beforehand what would not fit, so it
    // always counts bytes that are really there.
    image.add_byte(tag_byte);
    image.add_byte(sequence.length);
    for (int i = 0; i < sequence.length; ++i)
        image.add_byte(sequence.bytes[i]);
}

void Station_editor::store_interval(Teeprom_configurer& image, int edit, uint8_t tag_byte,
                                    double factor) const {
    uint32_t loaded_seconds = 0;
    if (loaded_value(edit, &loaded_seconds)) {
        image.add_tag_long(tag_byte, static_cast<int32_t>(loaded_seconds));
        return;
    }
    image.add_tag_long(tag_byte,
                       static_cast<int32_t>(truncated_low_bits(edit_real(form.text(edit)) * factor, 32)));
}

int Station_editor::bytes_needed() const {
    int bytes = 0;
    for (int p = 0; p < PAGE_COUNT; ++p) {
        Sequence_buffer sequence;
        if (sequence_pages[p].full)
            build_sequence(p, sequence);
        else
            build_remote_sequence(sequence);
        bytes += 2 + sequence.length;
    }
    for (const Kept_record& r : kept)
        bytes += static_cast<int>(r.bytes.size());
    return bytes + sms_record_bytes(form.text(form.general().sms)) + FIXED_RECORDS_BYTES;
}

bool Station_editor::sms_number_fits() const {
    return sms_characters(form.text(form.general().sms)) <= static_cast<size_t>(SMS_NUMBER_MAX);
}

std::string refusal_text(const Store_result& result, const std::string& sms_number) {
    switch (result.refusal) {
    case Store_refusal::TOO_LARGE:
        return "This configuration needs " + std::to_string(result.bytes_needed) +
               " bytes, but the station's memory holds " + std::to_string(IMAGE_USABLE) + ".";
    case Store_refusal::SMS_NUMBER_TOO_LONG:
        return "The SMS number has " + std::to_string(sms_characters(sms_number)) +
               " characters, but the station keeps at most " + std::to_string(SMS_NUMBER_MAX) + ".";
    case Store_refusal::NONE:
        break;
    }
    return std::string();
}

void Station_editor::build_image(Teeprom_configurer& image) const {
    const General_controls& g = form.general();
    image.clear();
    Sequence_buffer sequence;
    for (int p = 0; p < PAGE_COUNT; ++p) {
        sequence.length = 0;
        if (sequence_pages[p].full)
            build_sequence(p, sequence);
        else
            build_remote_sequence(sequence);
        store_sequence_record(image, sequence_pages[p].tag, sequence);
    }
    image.add_sms_number(form.text(g.sms).c_str());
    image.add_tag_long(tag::STATION_ID, 0);
    image.add_tag_long(tag::SYSCTRL, SYSCTRL_VALUE);
    store_interval(image, g.acq_interval0, tag::ACQ_INTERVAL0, 60);
    store_interval(image, g.acq_interval1, tag::ACQ_INTERVAL1, 60);
    store_interval(image, g.gsm_duration, tag::GSM_DURATION, 60);
    store_interval(image, g.gsm_interval, tag::GSM_INTERVAL, 3600);
    image.add_tag_long(tag::PIN_CODE, 0);
    // The records no control shows, byte for byte and in the order the image held them.
    for (const Kept_record& r : kept)
        for (char b : r.bytes)
            image.add_byte(static_cast<uint8_t>(b));
}

Store_result Station_editor::store() {
    const int needed = bytes_needed();
    if (station == nullptr) return {false, needed};
    if (needed > IMAGE_USABLE) return {false, needed, Store_refusal::TOO_LARGE};
    if (!sms_number_fits()) return {false, needed, Store_refusal::SMS_NUMBER_TOO_LONG};
    const General_controls& g = form.general();
    build_image(station->configuration);
    copy_text(station->phone_nbr, form.text(g.phone_nbr).c_str(), sizeof station->phone_nbr);
    copy_text(station->pin, form.text(g.pin).c_str(), sizeof station->pin);
    copy_text(station->description, form.text(g.description).c_str(), sizeof station->description);
    copy_text(station->display_type, ZEVO_4K_DISPLAY_TYPE, sizeof station->display_type);
    station->id = edit_integer(form.text(g.id));
    return {true, needed};
}
