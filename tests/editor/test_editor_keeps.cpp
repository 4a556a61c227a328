// OK changes nothing that the user did not change: records no control shows are kept, values left as
// loaded are stored as loaded, and what the store cannot write back is said before it is lost.
#include <random>

#include "Sequence_command.h"
#include "Setup.h"
#include "editor_fixture.h"

namespace {

// The image's records by tag, each the bytes of the record whole, in image order.
std::vector<std::pair<uint8_t, std::string>> records_of(const Teeprom_configurer& image) {
    std::vector<std::pair<uint8_t, std::string>> out;
    uint8_t position = 0;
    for (;;) {
        uint8_t next = 0;
        const bool more = next_record_position(image.data(), position, &next);
        if (!more) break;
        out.emplace_back(
            image.get_byte(position),
            std::string(reinterpret_cast<const char*>(image.data()) + position, next - position));
        position = next;
    }
    return out;
}

} // namespace

TEST(EditorKeeps, RecordsNoControlShowsAreKeptByteForByteBehindTheOthers) {
    Editor_fixture f;
    // SMS text on acquisition "flood", LOCATION 4711, a sequence, SMS text at end of life "bat", a phone
    // number record, SYSTEM_CONFIG 01 02, GSM_SMS_DURATION 300.
    f.open_image("03 05 66 6C 6F 6F 64 89 00 00 12 67 08 04 93 A3 90 00 04 03 62 61 74 02 02 2B 34 "
                 "07 02 01 02 8A 00 00 01 2C");
    EXPECT_EQ(f.editor.kept_lines(),
              (std::vector<std::string>{"SMS text on acquisition (5 characters)", "LOCATION 4711",
                                        "SMS text at end of life (3 characters)",
                                        "Phone number record (2 characters)",
                                        "System configuration (2 bytes)", "GSM SMS duration 300"}));
    const int with_kept = 53 + 7 + 5 + 5 + 4 + 4 + 5; // the editor's own 53 (no SMS number) and the kept
    EXPECT_EQ(f.editor.bytes_needed(), with_kept);
    ASSERT_TRUE(f.editor.store().stored);
    const std::string all = image_hex(f.station.configuration);
    EXPECT_EQ(all.substr(all.size() - (3 * 30 - 1)),
              "03 05 66 6C 6F 6F 64 89 00 00 12 67 04 03 62 61 74 02 02 2B 34 07 02 01 02 8A 00 00 01 2C");
    EXPECT_EQ(f.station.configuration.cursor(), with_kept);
}

TEST(EditorKeeps, ARecordCutAtTheEndOfTheImageIsNotKept) {
    Editor_fixture f;
    std::string hex = "03 FF";
    for (int i = 0; i < 221; ++i)
        hex += " 41";
    f.open_image(hex); // a text that claims 255 characters and holds 221
    EXPECT_TRUE(f.editor.kept.empty());
    EXPECT_TRUE(f.editor.kept_lines().empty());
}

TEST(EditorKeeps, KeptRecordsCountInTheRefusal) {
    Editor_fixture f;
    std::string hex = "03 A0";
    for (int i = 0; i < 160; ++i)
        hex += " 41";
    f.open_image(hex); // 162 bytes of SMS text kept: 53 + 162 = 215 fits, with an SMS number of 6 no more
    EXPECT_EQ(f.editor.bytes_needed(), 215);
    f.type("ed_sms", "+41791");
    EXPECT_EQ(f.editor.bytes_needed(), 223);
    EXPECT_TRUE(f.editor.store().stored);
    f.open_image(hex);
    f.type("ed_sms", "+417912");
    const Store_result r = f.editor.store();
    EXPECT_FALSE(r.stored);
    EXPECT_EQ(r.refusal, Store_refusal::TOO_LARGE);
    EXPECT_EQ(r.bytes_needed, 224);
}

TEST(EditorKeeps, ThresholdsLeftAsLoadedAreStoredAsLoaded) {
    Editor_fixture f;
    // Battery 2.3 V (23, which "2.3" times 10 would truncate to 22), a probe threshold of 1.23456 (shown
    // as 1.23), a float beyond single precision (shown as 1e39), a pulse count.
    f.open_image("08 18 93 82 17 C4 80 3F 9E 06 10 C4 81 7F 80 00 00 D5 EC 7C 00 00 03 E8 90 00");
    EXPECT_EQ(f.text("ed_s_vbat_threshold"), "2.3");
    EXPECT_EQ(f.text("ed_s_0"), "1.23");
    EXPECT_EQ(f.text("ed_s_1"), "1e39");
    EXPECT_EQ(f.text("ed_s_172"), "1000");
    ASSERT_TRUE(f.editor.store().stored);
    EXPECT_EQ(image_hex(f.station.configuration, 0, 26),
              "08 18 93 82 17 C4 80 3F 9E 06 10 C4 81 7F 80 00 00 D5 EC 7C 00 00 03 E8 90 00");
    // Changed by the user, the text counts: 1.23 is stored as 1.23.
    f.open_image("08 18 93 82 17 C4 80 3F 9E 06 10 C4 81 7F 80 00 00 D5 EC 7C 00 00 03 E8 90 00");
    f.type("ed_s_0", "1.230");
    f.type("ed_s_vbat_threshold", "2.3");
    ASSERT_TRUE(f.editor.store().stored);
    EXPECT_EQ(image_hex(f.station.configuration, 0, 11), "08 18 93 82 17 C4 80 3F 9D 70 A4");
}

TEST(EditorKeeps, OkWithoutAChangeChangesNothingAtAll) {
    Editor_fixture f;
    f.open_image("84 01 01 2C 00 08 05 93 84 A3 90 00 82 00 00 00 07");
    const std::string before = image_hex(f.station.configuration);
    EXPECT_TRUE(f.editor.unchanged());
    EXPECT_TRUE(f.editor.ok().stored);
    EXPECT_EQ(image_hex(f.station.configuration), before); // the NOP and the SYSCTRL address stay
    f.tick("cb_s_0");
    EXPECT_FALSE(f.editor.unchanged());
    f.tick("cb_s_0", false);
    EXPECT_TRUE(f.editor.unchanged()); // back to what was opened
    // A new station is stored as shown, changed or not.
    Tstation fresh;
    f.editor.open(&fresh, true);
    EXPECT_TRUE(f.editor.ok().stored);
    EXPECT_EQ(fresh.configuration.cursor(), 53);
}

TEST(EditorKeeps, WhatTheStoreCannotWriteBackIsSaidPageByPage) {
    Editor_fixture f;
    // Slow: an instrument command, a NOP, a WAIT of 9, a fluorometer on port 3; fast: a sensor command and
    // what follows it; remote: a battery threshold and a conditional SMS.
    f.open_image("08 0C 93 D9 00 84 A9 C3 01 90 00 00 00 00 09 06 93 01 05 C4 00 00 0A 05 93 82 24 81 00");
    EXPECT_EQ(
        f.editor.dropped_notices(),
        (std::vector<std::string>{
            "OK will drop 4 commands of the Slow Sequence that this editor does not show: ACQ_INSTRUMENT, "
            "NOP, WAIT, ACQ_FLUO",
            "OK will drop 2 commands of the Fast Sequence that this editor does not show: SIMPLE_SENSOR_1, "
            "ACQ_FLUO",
            "OK will drop 2 commands of the Remote sequence that this editor does not show: ACQ_VBAT "
            "threshold, CONDITIONAL_SMS"}));
    f.open_image("08 04 93 A3 90 00");
    EXPECT_TRUE(f.editor.dropped_notices().empty());
}

namespace {

// A station the editor shows whole: its image made by the store from random choices, then every value
// the controls show turned into a value of any precision (any interval, battery byte, threshold bits), and
// records that no control shows added.
Teeprom_configurer random_station(std::mt19937& rng) {
    Editor_fixture f;
    f.open();
    std::uniform_int_distribution<int> coin(0, 1), pick(1, 2);
    for (const char* p : {"s", "f", "r"}) {
        const std::string page = p;
        for (const Channel& c : channel_table) {
            if (!(coin(rng) && coin(rng))) continue;
            f.tick("cb_" + page + "_" + std::to_string(c.number));
            if (page != "r" && c.has_threshold)
                f.choose("cbb_" + page + "_" + std::to_string(c.number), pick(rng));
        }
        if (page != "r" && coin(rng)) {
            f.tick("cb_" + page + "_vbat");
            f.tick("cb_" + page + "_vbat_eol");
        }
    }
    f.type("ed_sms", coin(rng) ? "+4179" + std::to_string(rng() % 1000000) : "");
    Teeprom_configurer image;
    if (!f.editor.store().stored) return image;
    image = f.station.configuration;
    // Values of any precision where the store put values.
    std::vector<uint8_t> bytes(image.data(), image.data() + IMAGE_SIZE);
    uint8_t position = 0;
    for (;;) {
        const uint8_t t = bytes[position];
        uint8_t next = 0;
        if (!next_record_position(bytes.data(), position, &next)) break;
        if (t >= tag::ACQ_INTERVAL0 && t <= tag::ACQ_INTERVAL1)
            for (int i = 1; i < 5; ++i)
                bytes[position + i] = static_cast<uint8_t>(rng() | (i == 4 ? 1 : 0));
        if (t == tag::SEQUENCE_SLOW || t == tag::SEQUENCE_FAST) {
            Teeprom_configurer walk;
            walk.assign(bytes.data(), image.cursor());
            Sequence_walk commands(walk, position);
            Sequence_command c;
            while (commands.next(&c)) {
                if (c.kind == Command_kind::ACQ_VBAT && c.vbat_threshold != 0)
                    bytes[c.position + 1] = static_cast<uint8_t>(1 + rng() % 255);
                if (!c.has_threshold) continue;
                uint32_t bits;
                do
                    bits = static_cast<uint32_t>(rng());
                while (std::isnan(single_from_bits(bits)));
                for (int i = 0; i < 4; ++i)
                    bytes[c.position + c.length - 4 + i] = static_cast<uint8_t>(bits >> (24 - 8 * i));
            }
        }
        position = next;
    }
    Teeprom_configurer out;
    out.assign(bytes.data(), image.cursor());
    // Records no control shows, where they fit.
    const std::string kept[] = {"03 04 61 62 63 64", "89 00 01 E2 40", "07 01 09", "8A 00 00 00 1E",
                                "02 02 2B 34"};
    for (const std::string& k : kept) {
        const std::vector<uint8_t> r = hex_bytes(k);
        if (!coin(rng) || out.cursor() + r.size() > IMAGE_USABLE) continue;
        for (uint8_t b : r)
            out.add_byte(b);
    }
    return out;
}

} // namespace

// Opening a station and pressing OK keeps the value of every record (the editor's fixed STATION_ID,
// SYSCTRL and PIN_CODE aside); a second OK changes no byte.
TEST(EditorKeeps, OpenAndStoreKeepsEveryValueAndASecondStoreChangesNoByte) {
    int compared = 0;
    for (unsigned seed = 0; seed < 400; ++seed) {
        std::mt19937 rng(seed);
        const Teeprom_configurer image = random_station(rng);
        if (image.cursor() == 0) continue;
        Editor_fixture f;
        f.open_image(image_hex(image));
        ASSERT_TRUE(f.editor.dropped_notices().empty()) << "seed " << seed;
        ASSERT_TRUE(f.editor.store().stored) << "seed " << seed;
        auto before = records_of(image), after = records_of(f.station.configuration);
        const auto fixed = [](const std::pair<uint8_t, std::string>& r) {
            return r.first == tag::STATION_ID || r.first == tag::SYSCTRL || r.first == tag::PIN_CODE;
        };
        before.erase(std::remove_if(before.begin(), before.end(), fixed), before.end());
        after.erase(std::remove_if(after.begin(), after.end(), fixed), after.end());
        std::sort(before.begin(), before.end());
        std::sort(after.begin(), after.end());
        ASSERT_EQ(after, before) << "seed " << seed << "\n"
                                 << image_hex(image) << "\n"
                                 << image_hex(f.station.configuration);
        const std::string first = image_hex(f.station.configuration);
        f.open();
        ASSERT_TRUE(f.editor.store().stored);
        ASSERT_EQ(image_hex(f.station.configuration), first) << "seed " << seed;
        ++compared;
    }
    EXPECT_GT(compared, 300);
}

TEST(EditorKeeps, ANumberReadOnlyUpToABadCharacterIsSaid) {
    Editor_fixture f;
    f.open();
    EXPECT_EQ(f.editor.number_hint(f.control("ed_s_vbat_threshold")), "");
    f.type("ed_s_vbat_threshold", "7,25");
    EXPECT_EQ(f.editor.number_hint(f.control("ed_s_vbat_threshold")),
              "7,25 is read as 7: the decimal point is a point");
    f.type("ed_s_172", "12abc");
    EXPECT_EQ(f.editor.number_hint(f.control("ed_s_172")), "12abc is read as 12");
    f.type("ed_s_172", "1.5");
    EXPECT_EQ(f.editor.number_hint(f.control("ed_s_172")),
              "1.5 is read as 1: this field takes whole numbers");
    f.type("ed_ID", " 42x");
    EXPECT_EQ(f.editor.number_hint(f.control("ed_ID")), " 42x is read as 42");
    f.type("ed_acq_interval0", "abc");
    EXPECT_EQ(f.editor.number_hint(f.control("ed_acq_interval0")), "abc is read as 0");
    // Whole numbers, blanks around them, an exponent, an empty text: nothing to say; texts are no numbers.
    for (const char* whole : {" 15 ", "1e3", "-0.5", "", "+7"}) {
        f.type("ed_acq_interval0", whole);
        EXPECT_EQ(f.editor.number_hint(f.control("ed_acq_interval0")), "") << whole;
    }
    f.type("ed_description", "7,25");
    EXPECT_EQ(f.editor.number_hint(f.control("ed_description")), "");
}

TEST(EditorKeeps, ASecondRecordOfAKindTheEditorShowsOnceIsSaid) {
    Editor_fixture f;
    f.open_image("85 00 00 00 3C 85 00 00 00 78 01 02 2B 34 01 02 2B 35");
    EXPECT_EQ(f.text("ed_acq_interval0"), "1.00"); // the first one
    EXPECT_EQ(f.editor.dropped_notices(),
              (std::vector<std::string>{"OK will drop 2 records that this editor shows only once: a second "
                                        "ACQ_INTERVAL0, a second SMS_NUMBER"}));
}

// The example's stations were written by the editor: stored again, each gives the very same bytes but
// for the editor's fixed STATION_ID and PIN_CODE of 0 (the example's own come from its STATION elements).
TEST(EditorKeeps, TheExampleStationsStoreToTheSameBytes) {
    Tsetup setup;
    ASSERT_EQ(setup.read_file(VEMORA_EXAMPLES "/setup.xml"), 0);
    int stations = 0;
    for_each_item<Tstation>(setup.stations.list, [&](Tstation& s) {
        if (s.configuration.cursor() <= 1) return; // the unconfigured spare holds no image to store
        const Teeprom_configurer before = s.configuration;
        Station_editor editor;
        editor.open(&s);
        EXPECT_TRUE(editor.dropped_notices().empty()) << s.id;
        ASSERT_TRUE(editor.store().stored) << s.id;
        std::vector<uint8_t> bytes(before.data(), before.data() + IMAGE_SIZE);
        for (uint8_t t : {tag::STATION_ID, tag::PIN_CODE}) {
            const uint8_t at = before.find_tag(t);
            ASSERT_NE(at, 0xFF);
            for (int i = 1; i < 5; ++i)
                bytes[static_cast<size_t>(at + i)] = 0;
        }
        Teeprom_configurer expected;
        expected.assign(bytes.data(), before.cursor());
        // The reader's end marker is not written by the store: the image's own 0xFF ends it.
        EXPECT_EQ(image_hex(s.configuration), image_hex(expected, 0, expected.cursor() - 1)) << s.id;
        ++stations;
    });
    EXPECT_EQ(stations, 4);
}
