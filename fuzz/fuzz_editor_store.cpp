// The station editor's store: random control values, set as a user would (or refused as the window
// refuses them), then OK. A configuration that needs more than 223 bytes is refused and changes nothing;
// one that fits is stored in exactly the bytes the editor said it needs, and the stored image never
// claims a byte it does not hold.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

#include <fuzzer/FuzzedDataProvider.h>

#include "Eeprom_configurer.h"
#include "Lib_text.h"
#include "Sequence_command.h"
#include "Station_editor.h"
#include "fuzz_support.h"

namespace {

struct Station_snapshot {
    Teeprom_configurer image;
    int32_t id;
    std::string phone_nbr, pin, description, display_type;
    explicit Station_snapshot(const Tstation& s)
        : image(s.configuration), id(s.id), phone_nbr(s.phone_nbr), pin(s.pin), description(s.description),
          display_type(s.display_type) {}
    bool operator==(const Station_snapshot& o) const {
        return image == o.image && image.refused() == o.image.refused() && id == o.id &&
               phone_nbr == o.phone_nbr && pin == o.pin && description == o.description &&
               display_type == o.display_type;
    }
};

// Texts of the kinds users type: numbers with signs, points, commas and exponents, blanks, any byte.
std::string typed_text(FuzzedDataProvider& in) {
    static const char pieces[] = "0123456789.,-+eE \tx";
    std::string text;
    const size_t length = in.ConsumeIntegralInRange<size_t>(0, 40);
    for (size_t i = 0; i < length && in.remaining_bytes() > 0; ++i) {
        const uint8_t b = in.ConsumeIntegral<uint8_t>();
        text += b < 200 ? pieces[b % (sizeof pieces - 1)] : static_cast<char>(b);
    }
    return text;
}

void set_controls(FuzzedDataProvider& in, Station_editor& editor) {
    const int count = static_cast<int>(editor.form.controls().size());
    while (in.remaining_bytes() > 0) {
        const int i = in.ConsumeIntegralInRange<int>(0, count - 1);
        const Control before = editor.form.at(i);
        switch (in.ConsumeIntegralInRange<int>(0, 2)) {
        case 0: {
            const bool on = in.ConsumeBool();
            const bool taken = editor.set_checked(i, on);
            FUZZ_CHECK(taken == (before.kind == Control_kind::CHECK_BOX), "set_checked on %s",
                       before.name.c_str());
            if (taken) FUZZ_CHECK(editor.form.at(i).checked == on, "%s not ticked", before.name.c_str());
            break;
        }
        case 1: {
            const int index = in.ConsumeIntegralInRange<int>(-3, 4);
            const bool taken = editor.set_index(i, index);
            FUZZ_CHECK(taken == (before.kind == Control_kind::CHOICE_LIST && index >= -1 && index <= 2),
                       "set_index(%d) on %s", index, before.name.c_str());
            FUZZ_CHECK(editor.form.at(i).index == (taken ? index : before.index), "index of %s",
                       before.name.c_str());
            break;
        }
        default: {
            std::string text = typed_text(in);
            if (in.ConsumeBool())
                text.append(in.ConsumeIntegralInRange<size_t>(0, 300), 'z'); // too long for most
            // An edit takes up to its maximum length, or up to the longer text it holds (loaded from the
            // image).
            const int longest = std::max(before.max_length, static_cast<int>(before.text.size()));
            const bool taken = editor.set_text(i, text);
            FUZZ_CHECK(taken ==
                           (before.kind == Control_kind::EDIT && static_cast<int>(text.size()) <= longest),
                       "set_text of %zu characters on %s", text.size(), before.name.c_str());
            FUZZ_CHECK(editor.form.at(i).text == (taken ? text : before.text), "text of %s",
                       before.name.c_str());
            break;
        }
        }
    }
}

// Every record of a stored image lies whole inside its cursor, the records follow one another up to the
// cursor exactly, and each sequence record's commands end with the end of sequence at its last byte.
void check_stored_image(const Teeprom_configurer& image) {
    const int cursor = image.cursor();
    // Clearing leaves byte 255 as it was; 223 to 254 keep the 0xFF of clearing.
    for (int k = cursor; k < IMAGE_SIZE - 1; ++k)
        FUZZ_CHECK(image.get_byte(static_cast<uint8_t>(k)) == 0xFF,
                   "byte %d behind the cursor %d is not 0xFF", k, cursor);
    int pos = 0;
    while (pos < cursor) {
        const uint8_t t = image.get_byte(static_cast<uint8_t>(pos));
        int end;
        if (is_variable_tag(t))
            end = pos + 2 + image.get_byte(static_cast<uint8_t>(pos + 1));
        else if (is_fixed_tag(t))
            end = pos + 5;
        else
            end = IMAGE_SIZE + 1;
        FUZZ_CHECK(end <= cursor, "the record with tag %d at %d claims bytes up to %d, the image holds %d", t,
                   pos, end, cursor);
        if (t == tag::SEQUENCE_SLOW || t == tag::SEQUENCE_FAST || t == tag::SEQUENCE_REMOTE) {
            Sequence_walk walk(image, static_cast<uint8_t>(pos));
            Sequence_command c;
            int last_end = pos + 2;
            Command_kind last = Command_kind::NOP;
            while (walk.next(&c)) {
                last_end = c.position + c.length;
                last = c.kind;
                FUZZ_CHECK(last_end <= end, "a command at %d runs past its record's end %d", c.position, end);
            }
            FUZZ_CHECK(last == Command_kind::END && last_end == end,
                       "the sequence at %d does not end at its last byte", pos);
        }
        pos = end;
    }
    FUZZ_CHECK(pos == cursor, "the records end at %d, the cursor is %d", pos, cursor);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    Tstation station;
    station.id = in.ConsumeIntegral<int32_t>();
    copy_text(station.description, "before", sizeof station.description);
    if (in.ConsumeBool()) { // a station whose memory holds anything
        uint8_t bytes[IMAGE_SIZE];
        std::memset(bytes, 0xFF, sizeof bytes);
        const std::string image = in.ConsumeBytesAsString(IMAGE_SIZE);
        std::memcpy(bytes, image.data(), image.size());
        station.configuration.assign(bytes, in.ConsumeIntegral<uint8_t>());
    }
    // One editor for every input, as one window serves every station: opening resets every control.
    static Station_editor editor;
    editor.open(&station);
    set_controls(in, editor);

    const Station_snapshot before(station);
    const int needed = editor.bytes_needed();
    const Store_result result = editor.store();
    FUZZ_CHECK(result.bytes_needed == needed, "store needed %d, bytes_needed said %d", result.bytes_needed,
               needed);
    // Stored exactly when it fits and the SMS number (which a loaded image may hold longer than the edit
    // takes) is no longer than the station keeps.
    const bool storable = needed <= IMAGE_USABLE && editor.sms_number_fits();
    FUZZ_CHECK(result.stored == storable, "%d bytes were %s", needed, result.stored ? "stored" : "refused");
    if (!result.stored) {
        FUZZ_CHECK(Station_snapshot(station) == before, "a refused store of %d bytes changed the station",
                   needed);
        return 0;
    }
    const Teeprom_configurer& image = station.configuration;
    FUZZ_CHECK(image.cursor() == needed && image.refused() == 0, "stored %d bytes (refused %d), needed %d",
               image.cursor(), image.refused(), needed);
    check_stored_image(image);

    // Opening the stored station shows every command the store wrote: OK again needs as many bytes.
    static Station_editor reopened;
    reopened.open(&station);
    FUZZ_CHECK(reopened.bytes_needed() == needed, "reopened, the station needs %d bytes instead of %d",
               reopened.bytes_needed(), needed);
    return 0;
}
