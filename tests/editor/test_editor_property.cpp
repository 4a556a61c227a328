// Property: an image that the store produced from values the controls show without loss comes back
// unchanged through load and store.
#include <random>

#include "Memory_listing.h"
#include "editor_fixture.h"

namespace {

// Random values of the kinds the controls show without loss: thresholds of at most two decimals, whole
// minutes and hours, battery thresholds of one decimal, pulse counts as integers.
void random_form(std::mt19937& rng, Editor_fixture& f) {
    std::uniform_int_distribution<int> coin(0, 1), pick(0, 2), cents(-99999, 99999), volts(1, 255);
    f.open();
    for (const char* p : {"s", "f"}) {
        const std::string page = p;
        if (coin(rng)) f.tick("cb_" + page + "_vbat");
        if (coin(rng)) f.tick("cb_" + page + "_vbat_eol");
        f.type("ed_" + page + "_vbat_threshold",
               std::to_string(volts(rng) / 10) + "." + std::to_string(volts(rng) % 10));
        for (const Channel& c : channel_table) {
            const std::string n = std::to_string(c.number);
            if (coin(rng) && coin(rng)) f.tick("cb_" + page + "_" + n);
            if (!c.has_threshold) continue;
            f.choose("cbb_" + page + "_" + n, pick(rng));
            const int v = cents(rng);
            char text[32];
            if (c.integer_threshold)
                std::snprintf(text, sizeof text, "%d", v);
            else
                std::snprintf(text, sizeof text, "%.2f", v / 100.0);
            f.type("ed_" + page + "_" + n, text);
        }
        if (coin(rng)) f.tick("cb_" + page + "_sms");
        for (const char* a : {"_out", "2_out"})
            if (coin(rng)) f.tick("cb_" + page + a);
        for (const char* a : {"_o", "2_o"})
            for (int k = 0; k < 4; ++k)
                f.choose("cbb_" + page + a + std::to_string(k), pick(rng));
    }
    f.tick("cb_r_vbat", coin(rng));
    for (const Channel& c : channel_table)
        f.tick("cb_r_" + std::to_string(c.number), coin(rng) && coin(rng));
    f.type("ed_acq_interval0", std::to_string(std::uniform_int_distribution<int>(1, 1440)(rng)));
    f.type("ed_acq_interval1", std::to_string(std::uniform_int_distribution<int>(1, 1440)(rng)));
    f.type("ed_gsm_duration", std::to_string(std::uniform_int_distribution<int>(1, 600)(rng)));
    f.type("ed_gsm_interval", std::to_string(std::uniform_int_distribution<int>(1, 168)(rng)));
    f.type("ed_sms", coin(rng) ? "+4179" + std::to_string(rng() % 10000000) : "");
}

} // namespace

TEST(EditorProperty, LoadThenStoreGivesTheSameImage) {
    int stored = 0;
    for (int seed = 0; seed < 500; ++seed) {
        std::mt19937 rng(static_cast<unsigned>(seed));
        Editor_fixture f;
        random_form(rng, f);
        if (!f.editor.store().stored) continue; // too large for the station: refused, nothing to compare
        ++stored;
        const Teeprom_configurer first = f.station.configuration;
        Editor_fixture again;
        again.station.configuration = first;
        again.open();
        ASSERT_TRUE(again.editor.store().stored);
        ASSERT_EQ(image_hex(again.station.configuration), image_hex(first)) << "seed " << seed;
    }
    EXPECT_GT(stored, 300);
}

TEST(EditorProperty, TheWouldBeImageIsWhatTheStoreWritesAndChangesNothing) {
    int fitting = 0;
    for (int seed = 0; seed < 300; ++seed) {
        std::mt19937 rng(static_cast<unsigned>(seed) + 7000);
        Editor_fixture f;
        random_form(rng, f);
        const Teeprom_configurer before = f.station.configuration;
        Teeprom_configurer would_be;
        would_be.add_byte(0x42); // built from scratch: what the image held before goes
        const Image_listing listing = would_be_listing(f.editor, &would_be);
        ASSERT_EQ(f.station.configuration, before) << seed;
        int lengths = 0, malformed = 0;
        for (const Image_entry& e : listing.entries) {
            lengths += e.length();
            malformed += e.kind == Entry_kind::NOT_A_RECORD;
        }
        EXPECT_EQ(lengths, would_be.cursor()) << seed;
        const int needed = f.editor.bytes_needed();
        if (needed > IMAGE_USABLE) {
            // Cut where the memory ends, as the store's appends would cut it: the listing says so.
            EXPECT_EQ(would_be.cursor(), IMAGE_USABLE) << seed;
            EXPECT_GT(malformed, 0) << seed;
            continue;
        }
        EXPECT_EQ(would_be.cursor(), needed) << seed;
        EXPECT_EQ(malformed, 0) << seed;
        if (!f.editor.store().stored) continue; // an SMS number too long: refused
        ++fitting;
        ASSERT_EQ(image_hex(f.station.configuration), image_hex(would_be)) << seed;
    }
    EXPECT_GT(fitting, 150);
}
