// The image in the editor's words: captions and units of the channel table, outputs as their lists say,
// times in the units of their edits.
#include <gtest/gtest.h>

#include "Memory_listing.h"
#include "image_bytes.h"

TEST(MemoryListing, SpeaksTheEditorsWords) {
    const Teeprom_configurer image =
        image_of("85 00 00 03 84 86 00 01 51 80 87 00 00 00 14 " // 900 s, 24 h, 20 s
                 "08 18 C4 81 3F C0 00 00 D5 EC 7C 00 00 03 E8 0D 0C 02 C4 0C C4 20 D2 29 79 00 "
                 "FF");
    const Image_listing listing = editor_listing(image);
    std::vector<std::string> meanings;
    for (const Image_entry& e : listing.entries)
        meanings.push_back(e.meaning);
    const std::vector<std::string> expected = {
        "900 s = 15.00 min",
        "86400 s = 24.000 h",
        "20 s = 0.33 min",
        "24 bytes of commands",
        "port 4, type 0, channel 1: Uranine delta (on-off), >= 1.50 [mv]",
        "header 172, port 5, channel 12, timeout 7: Pulse counter 12 (input #0, abs), < 1000 [pulse]",
        "port 5, and 0x0C, or 0x02: output 0 Force 0, output 1 Force 1, output 2 Keep, output 3 Keep",
        // A fluorometer channel the editor has no box for; the load finds channel 0 by its channel
        // whatever the type says, and so does the listing.
        "port 4, type 0, channel 12, no threshold",
        "port 4, type 2, channel 0: Temperature, no threshold",
        "header 169, port 2, channel 9, timeout 7: 0-3 V signal C, no threshold",
        "end of sequence",
        "end of the image",
    };
    EXPECT_EQ(meanings, expected);
    EXPECT_NE(listing_line(listing.entries[0]).find("0x85 ACQ_INTERVAL0"), std::string::npos);
}

TEST(MemoryListing, ThresholdsAsTheirEditsShowThem) {
    // A pulse counter's threshold is an integer, whatever its header says about its port; a single
    // beyond range shows as the 1e39 that a save writes.
    const Teeprom_configurer image = image_of("09 0E D2 AD 70 FF FF FF FF C4 C9 7F 80 00 00 00");
    const Image_listing listing = editor_listing(image);
    ASSERT_EQ(listing.entries.size(), 4u);
    EXPECT_EQ(
        listing.entries[1].meaning,
        "header 173, port 2, channel 0, timeout 7: Pulse counter 13 (input #0, rel), >= 4294967295 [pulse]");
    EXPECT_EQ(listing.entries[2].meaning,
              "port 4, type 0, channel 9: Conductivity, < 1e39 [-] (m1/m0 ratio)");
}
