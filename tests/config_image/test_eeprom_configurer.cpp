// The configuration image: appends stop at 223, records are found by tag, walks always end.
#include <gtest/gtest.h>

#include "Eeprom_configurer.h"
#include "image_bytes.h"

TEST(ImageNew, IsClearedAndHoldsNothing) {
    const Teeprom_configurer image;
    EXPECT_EQ(image.cursor(), 0);
    for (int i = 0; i < IMAGE_SIZE; ++i)
        ASSERT_EQ(image.get_byte(static_cast<uint8_t>(i)), 0xFF) << i;
    for (int t = 0; t < 0xFF; ++t)
        ASSERT_EQ(image.find_tag(static_cast<uint8_t>(t)), 0xFF) << t;
    EXPECT_EQ(image.get_sms_number(), "");
    int32_t value = 7;
    EXPECT_FALSE(image.get_tag_long(tag::STATION_ID, &value));
    EXPECT_EQ(value, 7);
}

TEST(ImageClear, LeavesByte255AndResetsTheCursor) {
    uint8_t bytes[IMAGE_SIZE];
    for (int i = 0; i < IMAGE_SIZE; ++i)
        bytes[i] = static_cast<uint8_t>(i);
    Teeprom_configurer image;
    image.assign(bytes, 40);
    image.clear();
    EXPECT_EQ(image.cursor(), 0);
    EXPECT_EQ(image.get_byte(254), 0xFF);
    EXPECT_EQ(image.get_byte(255), 255); // byte 255 is never cleared
    EXPECT_EQ(image.get_byte(0), 0xFF);
}

TEST(ImageAppend, StopsAtPosition223) {
    Teeprom_configurer image;
    for (int i = 0; i < 223; ++i)
        image.add_byte(0x11);
    EXPECT_EQ(image.cursor(), 223);
    image.add_byte(0x22);
    EXPECT_EQ(image.cursor(), 223);
    EXPECT_EQ(image.get_byte(223), 0xFF);
    EXPECT_EQ(image.get_byte(222), 0x11);
}

TEST(ImageAppend, LongIsStoredWholeOrNotAtAll) {
    Teeprom_configurer image;
    for (int i = 0; i < 219; ++i)
        image.add_byte(0);
    image.add_long(0x01020304);
    EXPECT_EQ(image.cursor(), 223);
    EXPECT_EQ(image_hex(image, 219, 4), "01 02 03 04");

    Teeprom_configurer other;
    for (int i = 0; i < 220; ++i)
        other.add_byte(0);
    other.add_long(0x01020304);
    EXPECT_EQ(other.cursor(), 220);
    EXPECT_EQ(image_hex(other, 220, 3), "FF FF FF");
}

TEST(ImageAppend, LongsAreBigEndianTwosComplement) {
    Teeprom_configurer image;
    image.add_long(258);
    image.add_long(-2);
    EXPECT_EQ(image_hex(image), "00 00 01 02 FF FF FF FE");
    EXPECT_EQ(image.get_long_at(0), 258);
    EXPECT_EQ(image.get_long_at(4), -2);
}

TEST(ImageAppend, TagLongAndItsRefusalNearTheEnd) {
    Teeprom_configurer image;
    image.add_tag_long(tag::ACQ_INTERVAL0, 900);
    EXPECT_EQ(image_hex(image), "85 00 00 03 84");

    Teeprom_configurer full;
    for (int i = 0; i < 219; ++i)
        full.add_byte(0);
    full.add_tag_long(tag::ACQ_INTERVAL0, 900); // the tag lands at 219: the value is refused
    EXPECT_EQ(full.cursor(), 220);
    EXPECT_EQ(image_hex(full, 219, 5), "85 FF FF FF FF");
}

TEST(ImageAppend, LongReadsWrapModulo256) {
    uint8_t bytes[IMAGE_SIZE];
    for (int i = 0; i < IMAGE_SIZE; ++i)
        bytes[i] = static_cast<uint8_t>(i);
    Teeprom_configurer image;
    image.assign(bytes, 0);
    EXPECT_EQ(static_cast<uint32_t>(image.get_long_at(254)), 0xFEFF0001u);
}

TEST(ImageSmsNumber, CutTo15AndEmptyAppendsNothing) {
    Teeprom_configurer image;
    image.add_sms_number("");
    image.add_sms_number(nullptr);
    EXPECT_EQ(image.cursor(), 0);
    image.add_sms_number("+417912345678901234");
    EXPECT_EQ(image.cursor(), 17);
    EXPECT_EQ(image.get_byte(1), 15);
    EXPECT_EQ(image.get_sms_number(), "+41791234567890");
}

TEST(ImageFindTag, ComparesTagBytesOnly) {
    const Teeprom_configurer image = image_of("01 03 33 34 35 85 00 00 03 84");
    EXPECT_EQ(image.find_tag(133), 5);
    EXPECT_EQ(image.find_tag(0x33), 0xFF);
    EXPECT_EQ(image.get_sms_number(), "345");
}

TEST(ImageFindTag, ExampleImage) {
    const Teeprom_configurer image = image_of("01 03 2B 34 31 84 03 01 00 00 85 00 00 03 84 08 02 93 00 FF");
    EXPECT_EQ(image.find_tag(tag::SEQUENCE_SLOW), 15);
    EXPECT_EQ(image.find_tag(tag::SYSCTRL), 5);
    EXPECT_EQ(image.find_tag(tag::END), 19);
    EXPECT_EQ(image.get_sms_number(), "+41");
    int32_t interval = 0;
    EXPECT_TRUE(image.get_tag_long(tag::ACQ_INTERVAL0, &interval));
    EXPECT_EQ(interval, 900);
}

TEST(ImageFindTag, FirstOccurrenceWins) {
    const Teeprom_configurer image = image_of("82 00 00 00 01 82 00 00 00 02");
    int32_t id = 0;
    EXPECT_TRUE(image.get_tag_long(tag::STATION_ID, &id));
    EXPECT_EQ(id, 1);
}

TEST(ImageFindTag, StopsAtHighTagsAndAtTheUsableEnd) {
    EXPECT_EQ(image_of("C0 85 00 00 00 00").find_tag(133), 0xFF);
    // A zero tag is stepped over like a variable record.
    EXPECT_EQ(image_of("00 01 AA 85 00 00 00 00").find_tag(133), 3);
    // A variable record whose length reaches past 222 ends the walk.
    Teeprom_configurer image;
    image.add_byte(2);
    image.add_byte(230);
    EXPECT_EQ(image.find_tag(133), 0xFF);
}

TEST(ImageFindTag, ARecordOfLength254DoesNotHang) {
    // position + 254 + 2 wraps back onto the same position: the walk must end, not loop.
    Teeprom_configurer image;
    image.add_byte(tag::SMS_TEXT_ACQ);
    image.add_byte(254);
    for (int i = 0; i < 221; ++i)
        image.add_byte('t');
    EXPECT_EQ(image.find_tag(133), 0xFF);
    EXPECT_EQ(image.find_tag(tag::SMS_NUMBER), 0xFF);
    EXPECT_EQ(image.get_sms_number(), "");
    uint8_t next = 0;
    EXPECT_FALSE(next_record_position(image.data(), 0, &next));
}

TEST(ImageFindTag, EveryLengthByteEndsTheWalk) {
    // Whatever the bytes, the walk over records ends: try every length at every early position.
    for (int length = 0; length < 256; ++length) {
        for (int at = 0; at < 8; ++at) {
            Teeprom_configurer image;
            for (int i = 0; i < at; ++i)
                image.add_byte(0x84), image.add_long(0);
            image.add_byte(tag::SMS_TEXT_EOL);
            image.add_byte(static_cast<uint8_t>(length));
            EXPECT_EQ(image.find_tag(0x7E), 0xFF);
        }
    }
}

TEST(ImageBackPatch, CountsThePayloadReallyStored) {
    Teeprom_configurer image;
    const uint8_t p = image.open_record(tag::SYSTEM_CONFIG);
    image.close_record(p);
    EXPECT_EQ(image_hex(image), "07 00");

    Teeprom_configurer full;
    for (int i = 0; i < 218; ++i)
        full.add_byte(0x84);
    const uint8_t q = full.open_record(tag::SEQUENCE_SLOW); // tag 218, length 219, room for 3 bytes
    for (int i = 0; i < 10; ++i)
        full.add_byte(0x93);
    full.close_record(q);
    EXPECT_EQ(full.get_byte(219), 3);

    Teeprom_configurer no_room;
    for (int i = 0; i < 222; ++i)
        no_room.add_byte(0x84);
    const uint8_t r = no_room.open_record(tag::SEQUENCE_SLOW); // the placeholder is refused: P is 223
    EXPECT_EQ(r, 223);
    no_room.close_record(r);
    EXPECT_EQ(no_room.get_byte(223), 0xFF);
}

TEST(ImageCompare, BytesAndCursorDecideEquality) {
    Teeprom_configurer a = image_of("85 00 00 03 84");
    Teeprom_configurer b = image_of("85 00 00 03 84");
    EXPECT_EQ(a, b);
    b.add_byte(0xFF);
    EXPECT_NE(a, b); // same bytes, other cursor
}
