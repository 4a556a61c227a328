// The image listed record by record: lengths that add up to the cursor, decoded fields that encode back
// to the same bytes, and hostile images listed without a byte skipped or read out of bounds.
#include <gtest/gtest.h>

#include <random>

#include "Image_listing.h"
#include "image_bytes.h"
#include "random_documents.h"

namespace {

// The decoded fields encoded again with the image's own encoders; bytes no record holds are copied.
Teeprom_configurer encoded_again(const Image_listing& listing) {
    Teeprom_configurer out;
    for (const Image_entry& e : listing.entries) {
        const Sequence_command& c = e.command;
        switch (e.kind) {
        case Entry_kind::RECORD:
            if (is_fixed_tag(e.tag)) {
                out.add_tag_long(e.tag, e.value);
                break;
            }
            out.add_byte(e.tag);
            out.add_byte(static_cast<uint8_t>(e.length() - 2));
            for (size_t i = 2; i < e.bytes.size(); ++i)
                out.add_byte(static_cast<uint8_t>(e.bytes[i]));
            break;
        case Entry_kind::SEQUENCE:
            out.add_byte(e.tag);
            out.add_byte(static_cast<uint8_t>(e.bytes[1]));
            break;
        case Entry_kind::END_MARKER:
            out.add_byte(tag::END);
            break;
        case Entry_kind::NOT_A_RECORD:
            for (char b : e.bytes)
                out.add_byte(static_cast<uint8_t>(b));
            break;
        case Entry_kind::COMMAND: {
            const double real = static_cast<double>(c.threshold_real());
            switch (c.kind) {
            case Command_kind::END:
                encode_end(out);
                break;
            case Command_kind::SIMPLE_SENSOR_1:
            case Command_kind::SIMPLE_SENSOR_2:
                encode_simple_sensor(out, c.kind == Command_kind::SIMPLE_SENSOR_1 ? 1 : 2, c.channel_map);
                break;
            case Command_kind::CONDITIONAL_ACTION:
                encode_conditional_action(out, c.port, c.and_mask, c.or_mask);
                break;
            case Command_kind::CONDITIONAL_SMS:
                encode_conditional_sms(out);
                break;
            case Command_kind::ACQ_VBAT:
                encode_acq_vbat_byte(out, c.channel, c.vbat_threshold);
                break;
            case Command_kind::NOP:
                encode_nop(out);
                break;
            case Command_kind::PROBES_POWER:
                encode_probes_power(out, c.state);
                break;
            case Command_kind::WAIT:
                encode_wait(out, c.timeout);
                break;
            case Command_kind::ACQ_FLUO:
                encode_acq_fluo(out, c.port, c.type, c.channel, c.has_threshold, real, c.lt);
                break;
            case Command_kind::ACQ_INSTRUMENT:
                encode_acq_instrument(out, c.port, c.type, c.channel, c.has_threshold, real, c.lt);
                break;
            case Command_kind::ACQ:
                encode_acq(out, c.header, c.port, c.channel, c.timeout, c.has_threshold,
                           is_integer_threshold_header(c.header) ? c.threshold_int() : real, c.lt);
                break;
            }
            break;
        }
        }
    }
    return out;
}

// The same content: the same cursor and the same bytes before it.
void expect_same_content(const Teeprom_configurer& a, const Teeprom_configurer& b, const std::string& what) {
    EXPECT_EQ(a.cursor(), b.cursor()) << what;
    EXPECT_EQ(image_hex(a), image_hex(b)) << what;
}

// What every listing must be: entries that follow each other without a gap from 0 to the cursor, each
// holding the image's own bytes.
void expect_whole(const Teeprom_configurer& image, const Image_listing& listing, const std::string& what) {
    int position = 0;
    for (const Image_entry& e : listing.entries) {
        ASSERT_EQ(e.offset, position) << what;
        ASSERT_GT(e.length(), 0) << what;
        for (int i = 0; i < e.length(); ++i)
            ASSERT_EQ(static_cast<uint8_t>(e.bytes[i]), image.get_byte(static_cast<uint8_t>(position + i)))
                << what << " at " << position + i;
        position += e.length();
    }
    EXPECT_EQ(position, image.cursor()) << what;
    EXPECT_EQ(listing.cursor, image.cursor()) << what;
    EXPECT_EQ(listing.free, IMAGE_USABLE - image.cursor()) << what;
}

std::vector<std::string> lines(const Image_listing& listing) {
    std::vector<std::string> out;
    for (const Image_entry& e : listing.entries)
        out.push_back(listing_line(e));
    out.push_back(listing_summary(listing));
    return out;
}

int not_a_record_count(const Image_listing& listing) {
    int n = 0;
    for (const Image_entry& e : listing.entries)
        n += e.kind == Entry_kind::NOT_A_RECORD;
    return n;
}

} // namespace

TEST(ImageListing, ListsEveryRecordAndCommandWithItsBytesAndMeaning) {
    const Teeprom_configurer image = image_of("01 03 2B 34 31 84 03 01 00 00 85 00 00 03 84 08 02 93 00 FF");
    const Image_listing listing = list_image(image);
    expect_whole(image, listing, "example");
    const std::vector<std::string> expected = {
        "  0  0x01 SMS_NUMBER             5  01 03 2B 34 31        \"+41\"",
        "  5  0x84 SYSCTRL                5  84 03 01 00 00        acq_enabled on, acq_automatic on, "
        "gsm_enabled on, gsm_call off, address 0",
        " 10  0x85 ACQ_INTERVAL0          5  85 00 00 03 84        900 s",
        " 15  0x08 SEQUENCE_SLOW          2  08 02                 2 bytes of commands",
        " 17  0x93   PROBES_POWER         1  93                    state 3",
        " 18  0x00   END                  1  00                    end of sequence",
        " 19  0xFF END                    1  FF                    end of the image",
        "cursor 20, 203 bytes free",
    };
    EXPECT_EQ(lines(listing), expected);
}

TEST(ImageListing, CommandsInTheirOwnWords) {
    // Threshold ge and lt, integer and float, without threshold, the battery, an action, unknown kinds.
    const Teeprom_configurer image = image_of("08 29 C4 82 3F C0 00 00 C4 02 D2 E1 71 40 80 00 00 "
                                              "D5 EC 7C 00 00 03 E8 83 24 82 00 0D 0C 02 81 84 A3 01 05 "
                                              "DA 8D 3F C0 00 00 00");
    const Image_listing listing = list_image(image);
    expect_whole(image, listing, "commands");
    ASSERT_EQ(listing.entries.size(), 14u);
    const auto meaning = [&](size_t i) { return listing.entries[i].meaning; };
    EXPECT_EQ(meaning(1), "port 4, type 0, channel 2, >= 1.50");
    EXPECT_EQ(meaning(2), "port 4, type 0, channel 2, no threshold");
    EXPECT_EQ(meaning(3), "header 161, port 2, channel 1, timeout 7, < 4.00");
    EXPECT_EQ(meaning(4), "header 172, port 5, channel 12, timeout 7, < 1000");
    EXPECT_EQ(meaning(5), "battery, channel 1, threshold 3.6 V");
    EXPECT_EQ(meaning(6), "battery, channel 0, no threshold");
    EXPECT_EQ(meaning(7), "port 5, and 0x0C, or 0x02");
    EXPECT_EQ(listing.entries[8].name, "CONDITIONAL_SMS");
    EXPECT_EQ(listing.entries[9].name, "NOP");
    EXPECT_EQ(meaning(10), "timeout 3");
    EXPECT_EQ(meaning(11), "channel map 0x05");
    EXPECT_EQ(meaning(12), "port 2, type 3, channel 1, >= 1.50");
    EXPECT_EQ(listing.entries[13].name, "END");
}

TEST(ImageListing, TheCallersWordsNameChannelsOutputsAndTimes) {
    struct Words : Listing_words {
        bool channel(const Sequence_command& c, std::string* caption, std::string* threshold,
                     std::string* unit) const override {
            if (c.kind != Command_kind::ACQ_FLUO) return false;
            *caption = "Temperature";
            *threshold = "1.5";
            *unit = "[C]";
            return true;
        }
        std::string outputs(const Sequence_command& c) const override {
            return "or " + std::to_string(c.or_mask);
        }
        std::string time(uint8_t t, int32_t seconds) const override {
            return t == tag::ACQ_INTERVAL0 ? std::to_string(seconds / 60) + " min" : "";
        }
    } words;
    const Teeprom_configurer image =
        image_of("85 00 00 03 84 86 00 00 00 10 08 09 C4 80 3F C0 00 00 0D 0C 02");
    const Image_listing listing = list_image(image, &words);
    ASSERT_EQ(listing.entries.size(), 5u);
    EXPECT_EQ(listing.entries[0].meaning, "900 s = 15 min");
    EXPECT_EQ(listing.entries[1].meaning, "16 s");
    EXPECT_EQ(listing.entries[3].meaning, "port 4, type 0, channel 0: Temperature, >= 1.5 [C]");
    EXPECT_EQ(listing.entries[4].meaning, "port 5, and 0x0C, or 0x02: or 2");
}

TEST(ImageListing, BytesThatAreNoRecordAreListedNotSkipped) {
    struct Case {
        const char* hex;
        const char* last_meaning; // of the entry that is no record
    };
    const Case cases[] = {
        // A text whose length runs past the cursor.
        {"85 00 00 00 01 01 09 2B 34", "a record of length 9 runs past the cursor at 9"},
        // A tag alone at the cursor, without its length byte.
        {"85 00 00 00 01 03", "a record without its length byte runs past the cursor at 6"},
        // A fixed record cut by the cursor.
        {"01 00 86 00 00", "a fixed record of 5 bytes runs past the cursor at 5"},
        // A byte that is no tag: everything up to the cursor.
        {"01 00 C5 01 02 03", "0xC5 is no tag: the rest up to the cursor"},
        // A tag of 0, stepped over by its length as find_tag does.
        {"00 01 AA", "0x00 is no tag; stepped over by its length byte"},
        // A sequence whose command is no command.
        {"08 04 93 05 00 00", "0x05 is no command: the rest of the sequence"},
        // A sequence cut in the middle of a threshold.
        {"09 03 C4 82 3F", "ACQ_FLUO of 6 bytes runs past the end of its sequence"},
        // Bytes behind the end of the sequence, inside its record.
        {"0A 03 00 93 93", "after the end of the sequence, inside its record"},
    };
    for (const Case& c : cases) {
        const Teeprom_configurer image = image_of(c.hex);
        const Image_listing listing = list_image(image);
        expect_whole(image, listing, c.hex);
        ASSERT_FALSE(listing.entries.empty()) << c.hex;
        const Image_entry& last = listing.entries.back();
        EXPECT_EQ(last.kind, Entry_kind::NOT_A_RECORD) << c.hex;
        EXPECT_EQ(last.meaning, c.last_meaning) << c.hex;
        EXPECT_NE(listing_line(last).find("not a record: "), std::string::npos) << c.hex;
        // The bytes that are no record are given back as they stand.
        expect_same_content(encoded_again(listing), image, c.hex);
    }
}

TEST(ImageListing, AnEndMarkerBeforeTheCursorHidesNothingBehindIt) {
    const Teeprom_configurer image = image_of("FF 85 00 00 00 3C FF");
    const Image_listing listing = list_image(image);
    expect_whole(image, listing, "end marker first");
    ASSERT_EQ(listing.entries.size(), 3u);
    EXPECT_EQ(listing.entries[1].name, "ACQ_INTERVAL0");
    EXPECT_EQ(listing.entries[1].value, 60);
}

TEST(ImageListing, EmptyAndFullImages) {
    const Teeprom_configurer empty;
    const Image_listing none = list_image(empty);
    EXPECT_TRUE(none.entries.empty());
    EXPECT_EQ(listing_summary(none), "cursor 0, 223 bytes free");

    // A text record whose length byte says 254 and that the full image cut: never read past position 255.
    Teeprom_configurer full;
    full.add_byte(tag::SMS_TEXT_ACQ);
    full.add_byte(254);
    while (full.cursor() < IMAGE_USABLE)
        full.add_byte('x');
    const Image_listing cut = list_image(full);
    expect_whole(full, cut, "full");
    ASSERT_EQ(cut.entries.size(), 1u);
    EXPECT_EQ(cut.entries[0].kind, Entry_kind::NOT_A_RECORD);
    EXPECT_EQ(listing_summary(cut), "cursor 223, 0 bytes free");
}

TEST(ImageListing, RandomBytesAreListedWholeAndEncodeBackTheSame) {
    // Any 256 bytes and any cursor: entries cover 0 to the cursor exactly (run under the sanitizer build
    // too, where a read outside the image would stop the test).
    std::mt19937 rng(14);
    for (int round = 0; round < 5000; ++round) {
        uint8_t bytes[IMAGE_SIZE];
        const int bias = round % 3; // plain noise, then bytes weighted to tags and commands
        for (uint8_t& b : bytes) {
            const uint8_t r = static_cast<uint8_t>(rng());
            b = bias == 0   ? r
                : bias == 1 ? static_cast<uint8_t>(r % 12)
                            : static_cast<uint8_t>(0x80 + r % 0x60);
        }
        Teeprom_configurer image;
        image.assign(bytes, static_cast<uint8_t>(rng() % 256));
        const Image_listing listing = list_image(image);
        expect_whole(image, listing, "round " + std::to_string(round));
        expect_same_content(encoded_again(listing), image, "round " + std::to_string(round));
        for (const Image_entry& e : listing.entries)
            ASSERT_FALSE(listing_line(e).empty());
        if (HasFailure()) return;
    }
}

TEST(ImageListing, GeneratedDocumentsEncodeBackFromTheirDecodedFields) {
    int stations = 0, records = 0;
    for (int seed = 0; seed < 400; ++seed) {
        std::mt19937 rng(static_cast<unsigned>(seed));
        Tsetup setup;
        random_document(rng, setup);
        for_each_item<Tstation>(setup.stations.list, [&](Tstation& s) {
            const Teeprom_configurer& image = s.configuration;
            const Image_listing listing = list_image(image);
            expect_whole(image, listing, "seed " + std::to_string(seed));
            expect_same_content(encoded_again(listing), image, "seed " + std::to_string(seed));
            // An image that nothing cut holds only well-formed records.
            if (image.refused() == 0) {
                EXPECT_EQ(not_a_record_count(listing), 0) << seed;
            }
            ++stations;
            records += static_cast<int>(listing.entries.size());
        });
        if (HasFailure()) return;
    }
    EXPECT_GT(stations, 500);
    EXPECT_GT(records, 5000);
}
