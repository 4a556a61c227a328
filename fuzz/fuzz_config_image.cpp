// The configuration image: 256 arbitrary bytes and a cursor, as a station's memory or a damaged file could
// hold them. Every walk over it (find_tag, get_sms_number, get_tag_long, the sequence walk, the writer
// and the editor's load of the three sequences) must end and stay inside the image; what the writer
// writes must be XML that the reader reads back, and from there on a save must normalize to itself.
#include <cstdint>
#include <cstring>
#include <set>
#include <string>

#include <pugixml.hpp>

#include "Configuration_reader.h"
#include "Configuration_writer.h"
#include "Eeprom_configurer.h"
#include "Lib_trace.h"
#include "Sequence_command.h"
#include "Station_editor.h"
#include "fuzz_support.h"

namespace {

void drop_line(const char*, void*) {}

std::string written(const Teeprom_configurer& image) {
    std::string text;
    Text_out out(&text);
    write_configuration(image, &out);
    return text;
}

// Reads a CONFIGURATION element from text as the setup file's reader would; false when it is no XML.
bool read_back(const std::string& text, Teeprom_configurer* image) {
    pugi::xml_document document;
    if (!document.load_buffer(text.data(), text.size(), pugi::parse_minimal, pugi::encoding_utf8))
        return false;
    read_configuration(*image, document.document_element(), Station_defaults{});
    return true;
}

// The positions of the records, walked from 0 as every reader of the image walks them.
std::set<int> record_positions(const Teeprom_configurer& image) {
    std::set<int> positions;
    uint8_t pos = 0;
    for (;;) {
        FUZZ_CHECK(positions.insert(pos).second, "the record walk came back to %d", pos);
        uint8_t next;
        if (!next_record_position(image.data(), pos, &next)) break;
        FUZZ_CHECK(next > pos && next < IMAGE_USABLE, "the record walk went from %d to %d", pos, next);
        pos = next;
    }
    return positions;
}

void check_lookups(const Teeprom_configurer& image) {
    const std::set<int> positions = record_positions(image);
    // find_tag answers only positions that hold the tag: values the image holds nowhere need one check.
    bool held[256] = {};
    for (int k = 0; k < IMAGE_SIZE; ++k)
        held[image.get_byte(static_cast<uint8_t>(k))] = true;
    bool absent_checked = false;
    for (int t = 0; t < 256; ++t) {
        if (!held[t] && absent_checked) continue;
        absent_checked |= !held[t];
        const uint8_t tag_byte = static_cast<uint8_t>(t);
        const uint8_t pos = image.find_tag(tag_byte);
        if (pos != 0xFF) {
            FUZZ_CHECK(image.get_byte(pos) == tag_byte, "find_tag(%d) gave %d, which holds %d", t, pos,
                       image.get_byte(pos));
            FUZZ_CHECK(positions.count(pos) == 1, "find_tag(%d) gave %d, where no record starts", t, pos);
        }
        int32_t value = 0;
        const bool found = image.get_tag_long(tag_byte, &value);
        FUZZ_CHECK(found == (pos != 0xFF), "get_tag_long(%d) and find_tag disagree", t);
        if (found)
            FUZZ_CHECK(value == image.get_long_at(static_cast<uint8_t>(pos + 1)), "get_tag_long(%d)", t);
    }
    const std::string sms = image.get_sms_number();
    const uint8_t sms_pos = image.find_tag(tag::SMS_NUMBER);
    if (sms_pos == 0xFF) {
        FUZZ_CHECK(sms.empty(), "an SMS number without its record");
    } else {
        const uint8_t length = image.get_byte(static_cast<uint8_t>(sms_pos + 1));
        FUZZ_CHECK(sms.size() == length, "the SMS number has %zu characters, its record says %d", sms.size(),
                   length);
        for (size_t i = 0; i < sms.size(); ++i)
            FUZZ_CHECK(static_cast<uint8_t>(sms[i]) == image.get_byte(static_cast<uint8_t>(sms_pos + 2 + i)),
                       "SMS byte %zu", i);
    }
}

// The sequence walk from every record and from every byte that holds a sequence tag: each command lies
// further on than the one before, inside the usable area, so no walk yields more than 223 commands.
void check_sequence_walks(const Teeprom_configurer& image) {
    std::set<int> starts = record_positions(image);
    for (int k = 0; k < IMAGE_SIZE; ++k) {
        const uint8_t t = image.get_byte(static_cast<uint8_t>(k));
        if (t == tag::SEQUENCE_SLOW || t == tag::SEQUENCE_FAST || t == tag::SEQUENCE_REMOTE) starts.insert(k);
    }
    for (const int start : starts) {
        Sequence_walk walk(image, static_cast<uint8_t>(start));
        Sequence_command command;
        int count = 0, previous = -1;
        while (walk.next(&command)) {
            FUZZ_CHECK(++count <= IMAGE_USABLE, "the walk from %d does not end", start);
            FUZZ_CHECK(command.position > previous && command.position < IMAGE_USABLE,
                       "the walk from %d yielded a command at %d after %d", start, command.position,
                       previous);
            previous = command.position;
        }
    }
}

void check_writer(const Teeprom_configurer& image) {
    const std::string text = written(image);
    Teeprom_configurer second;
    FUZZ_CHECK(read_back(text, &second), "the writer wrote no XML:\n%s", text.c_str());
    // An image the reader built normalizes to itself from here on.
    const std::string text2 = written(second);
    Teeprom_configurer third;
    FUZZ_CHECK(read_back(text2, &third), "the writer wrote no XML:\n%s", text2.c_str());
    const std::string text3 = written(third);
    const size_t at = first_difference(text2, text3);
    FUZZ_CHECK(text2 == text3, "a written configuration does not normalize to itself:\n%s\nagainst\n%s",
               around(text2, at).c_str(), around(text3, at).c_str());
}

void check_editor(const Teeprom_configurer& image) {
    Tstation station;
    station.configuration = image;
    // One editor for every input, as one window serves every station: opening resets every control.
    static Station_editor editor;
    editor.open(&station); // loads the three sequences
    FUZZ_CHECK(station.configuration == image, "opening the editor changed the image");
    const int needed = editor.bytes_needed();
    const Store_result result = editor.store();
    // Stored exactly when it fits and the SMS number is no longer than the station keeps.
    const bool storable = needed <= IMAGE_USABLE && editor.sms_number_fits();
    FUZZ_CHECK(result.bytes_needed == needed && result.stored == storable, "store: needed %d, result %d/%d",
               needed, result.stored, result.bytes_needed);
    if (result.stored)
        FUZZ_CHECK(station.configuration.cursor() == needed, "stored %d bytes, needed %d",
                   station.configuration.cursor(), needed);
    else
        FUZZ_CHECK(station.configuration == image, "a refused store changed the image");
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    set_trace_sink(&drop_line, nullptr);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    uint8_t bytes[IMAGE_SIZE];
    std::memset(bytes, 0xFF, sizeof bytes);
    std::memcpy(bytes, data, size < IMAGE_SIZE ? size : IMAGE_SIZE);
    const uint8_t cursor = size > IMAGE_SIZE ? data[IMAGE_SIZE] : 0;
    Teeprom_configurer image;
    image.assign(bytes, cursor);
    FUZZ_CHECK(image.cursor() <= IMAGE_USABLE, "cursor %d", image.cursor());

    check_lookups(image);
    check_sequence_walks(image);
    check_writer(image);
    check_editor(image);
    return 0;
}
