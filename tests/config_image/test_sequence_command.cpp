// Sequence commands: encodings with masking, decoding, and the walk that never leaves the image.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "Sequence_command.h"
#include "image_bytes.h"

namespace {

std::vector<Sequence_command> walk(const Teeprom_configurer& image, uint8_t tag_position) {
    std::vector<Sequence_command> commands;
    Sequence_walk w(image, tag_position);
    Sequence_command c;
    while (w.next(&c))
        commands.push_back(c);
    return commands;
}

} // namespace

TEST(CommandTable, EveryByteIsAtMostOneCommand) {
    int commands = 0;
    for (int b = 0; b < 256; ++b) {
        const Command_info* info = command_info(static_cast<uint8_t>(b));
        if (info == nullptr) continue;
        ++commands;
        EXPECT_EQ(b & info->mask, info->value);
    }
    // 0, 1, 2, 8-15, 129, 130-131, 132, 144-159, 160-191, 192-199, 208-215, 216-223
    EXPECT_EQ(commands, 1 + 1 + 1 + 8 + 1 + 2 + 1 + 16 + 32 + 8 + 8 + 8);
    for (int b : {3, 7, 16, 128, 133, 143, 200, 207, 224, 255})
        EXPECT_EQ(command_info(static_cast<uint8_t>(b)), nullptr) << b;
}

TEST(EncodeVbat, ThresholdInTenthsOfAVoltWrapsAt25_6) {
    Teeprom_configurer image;
    encode_acq_vbat(image, 1, 3.6);
    encode_acq_vbat(image, 0, 0.0);
    encode_acq_vbat(image, 0, 25.6);
    encode_acq_vbat(image, 2, -1.0);
    EXPECT_EQ(image_hex(image), "83 24 82 00 82 00 82 F6");
    EXPECT_EQ(vbat_threshold_byte(1e30), 0);
    EXPECT_EQ(vbat_threshold_byte(std::nan("")), 0);
    EXPECT_EQ(vbat_threshold_byte(-HUGE_VAL), 0);
    Sequence_command c;
    ASSERT_TRUE(decode_command(image, 0, &c));
    EXPECT_EQ(c.kind, Command_kind::ACQ_VBAT);
    EXPECT_EQ(c.channel, 1);
    EXPECT_EQ(c.vbat_threshold, 36);
    EXPECT_EQ(c.length, 2);
}

TEST(EncodeFluo, WithAndWithoutThreshold) {
    Teeprom_configurer image;
    encode_acq_fluo(image, 4, 0, 2, true, 1.5, false);
    encode_acq_fluo(image, 4, 0, 2, false, 0, false);
    encode_acq_fluo(image, 0, 0, 0, false, 0, true); // lt without threshold keeps only the lt bit
    EXPECT_EQ(image_hex(image), "C4 82 3F C0 00 00 C4 02 C0 40");
    Sequence_command c;
    ASSERT_TRUE(decode_command(image, 0, &c));
    EXPECT_EQ(c.kind, Command_kind::ACQ_FLUO);
    EXPECT_EQ(c.length, 6);
    EXPECT_EQ(c.port, 4);
    EXPECT_EQ(c.channel, 2);
    EXPECT_TRUE(c.has_threshold);
    EXPECT_FALSE(c.lt);
    EXPECT_EQ(c.threshold_real(), 1.5f);
    ASSERT_TRUE(decode_command(image, 6, &c));
    EXPECT_EQ(c.length, 2);
    EXPECT_FALSE(c.has_threshold);
}

TEST(EncodeFluo, TheTypeTakesBitsFourAndFive) {
    // Types 0 to 3 beside channel 9 with and without the threshold and lt bits; a type of 6 keeps its
    // low two bits and never reaches the channel or the comparison bits.
    Teeprom_configurer image;
    for (int type = 0; type < 4; ++type)
        encode_acq_fluo(image, 4, type, 9, false, 0, false);
    encode_acq_fluo(image, 4, 3, 15, true, 2.0, true);
    encode_acq_fluo(image, 4, 6, 0, false, 0, false);
    EXPECT_EQ(image_hex(image), "C4 09 C4 19 C4 29 C4 39 C4 FF 40 00 00 00 C4 20");
    Sequence_command c;
    for (int type = 0; type < 4; ++type) {
        ASSERT_TRUE(decode_command(image, static_cast<uint8_t>(2 * type), &c));
        EXPECT_EQ(c.type, type);
        EXPECT_EQ(c.channel, 9);
        EXPECT_FALSE(c.has_threshold);
    }
    ASSERT_TRUE(decode_command(image, 8, &c));
    EXPECT_EQ(c.type, 3);
    EXPECT_EQ(c.channel, 15);
    EXPECT_TRUE(c.has_threshold);
    EXPECT_TRUE(c.lt);
    EXPECT_EQ(c.threshold_real(), 2.0f);
}

TEST(EncodeAcq, FloatAndIntegerThresholdHeaders) {
    Teeprom_configurer image;
    encode_acq(image, 161, 2, 1, 7, true, 4.0, true);
    encode_acq(image, 172, 5, 12, 7, true, 1000.0, false);
    EXPECT_EQ(image_hex(image), "D2 E1 71 40 80 00 00 D5 AC 7C 00 00 03 E8");
    Sequence_command c;
    ASSERT_TRUE(decode_command(image, 0, &c));
    EXPECT_EQ(c.kind, Command_kind::ACQ);
    EXPECT_EQ(c.header, 161);
    EXPECT_EQ(c.port, 2);
    EXPECT_EQ(c.channel, 1);
    EXPECT_EQ(c.timeout, 7);
    EXPECT_TRUE(c.lt);
    EXPECT_EQ(c.threshold_real(), 4.0f);
    EXPECT_EQ(c.length, 7);
    ASSERT_TRUE(decode_command(image, 7, &c));
    EXPECT_EQ(c.header, 172);
    EXPECT_EQ(c.threshold_int(), 1000);
    EXPECT_TRUE(is_integer_threshold_header(c.header));
}

TEST(EncodeAcq, HeaderKeepsItsLowSixBitsAndIntegerThresholdsTruncate) {
    Teeprom_configurer a, b;
    encode_acq(a, 33, 2, 1, 7, false, 0, false);
    encode_acq(b, 161, 2, 1, 7, false, 0, false);
    EXPECT_EQ(a, b);
    // 33 OR 0x80 = 161 is a float header; 44 OR 0x80 = 172 an integer one.
    Teeprom_configurer c;
    encode_acq(c, 44, 5, 12, 7, true, -2.9, false);
    EXPECT_EQ(image_hex(c), "D5 AC 7C FF FF FF FE");
    EXPECT_EQ(truncate_to_int32(1e12), INT32_MAX);
    EXPECT_EQ(truncate_to_int32(-1e12), INT32_MIN);
    EXPECT_EQ(truncate_to_int32(std::nan("")), 0);
}

TEST(EncodeFields, AreMaskedNotRangeChecked) {
    Teeprom_configurer image;
    encode_conditional_action(image, 5, 0x0C, 0x02);
    encode_conditional_action(image, 9, 0x1FF, -1);
    encode_wait(image, 40);
    encode_probes_power(image, 19);
    encode_simple_sensor(image, 2, 0x1AB);
    encode_acq_instrument(image, 11, 17, 6, true, 2.0, true);
    encode_conditional_sms(image);
    encode_nop(image);
    EXPECT_EQ(image_hex(image), "0D 0C 02 09 FF FF A8 93 02 AB DB C6 40 00 00 00 81 84");
}

TEST(DecodeInstrument, TypeAndChannelFields) {
    const Teeprom_configurer image = image_of("DB C6 40 00 00 00");
    Sequence_command c;
    ASSERT_TRUE(decode_command(image, 0, &c));
    EXPECT_EQ(c.kind, Command_kind::ACQ_INSTRUMENT);
    EXPECT_EQ(c.port, 3);
    EXPECT_EQ(c.type, 1);
    EXPECT_EQ(c.channel, 2);
    EXPECT_TRUE(c.lt);
    EXPECT_EQ(c.length, 6);
    EXPECT_EQ(c.threshold_real(), 2.0f);
}

TEST(SequenceWalk, StepsCommandByCommandToTheEnd) {
    const Teeprom_configurer image = image_of("08 05 93 C4 00 A3 00 85 00 00 00 01");
    const auto commands = walk(image, 0);
    ASSERT_EQ(commands.size(), 4u);
    EXPECT_EQ(commands[0].kind, Command_kind::PROBES_POWER);
    EXPECT_EQ(commands[0].state, 3);
    EXPECT_EQ(commands[1].kind, Command_kind::ACQ_FLUO);
    EXPECT_EQ(commands[1].port, 4);
    EXPECT_EQ(commands[1].channel, 0);
    EXPECT_EQ(commands[2].kind, Command_kind::WAIT);
    EXPECT_EQ(commands[2].timeout, 3);
    EXPECT_EQ(commands[3].kind, Command_kind::END);
    EXPECT_EQ(commands[3].position, 6);
}

TEST(SequenceWalk, ANonCommandEndsItAtOnce) {
    EXPECT_TRUE(walk(image_of("08 03 05 93 00"), 0).empty());
    const auto commands = walk(image_of("08 04 93 E0 93 00"), 0);
    ASSERT_EQ(commands.size(), 1u);
}

TEST(SequenceWalk, EndsAtTheUsableAreaWithoutAnEndCommand) {
    Teeprom_configurer image;
    image.add_byte(tag::SEQUENCE_SLOW);
    image.add_byte(221);
    for (int i = 0; i < 221; ++i)
        image.add_byte(0x84);
    EXPECT_EQ(walk(image, 0).size(), 221u);
}

TEST(SequenceWalk, NeverLoopsWhateverTheBytes) {
    // Every start position over images made of repeated byte patterns: the walk must end within the
    // 223 usable positions, one command at a time, each position strictly after the last.
    for (int pattern = 0; pattern < 256; ++pattern) {
        uint8_t bytes[IMAGE_SIZE];
        for (int i = 0; i < IMAGE_SIZE; ++i)
            bytes[i] = static_cast<uint8_t>(pattern ^ (i * 37));
        Teeprom_configurer image;
        image.assign(bytes, 223);
        for (int start = 0; start < 256; start += 5) {
            Sequence_walk w(image, static_cast<uint8_t>(start));
            Sequence_command c;
            int steps = 0, last = -1;
            while (w.next(&c)) {
                ASSERT_GT(static_cast<int>(c.position), last);
                ASSERT_LT(c.position, IMAGE_USABLE);
                last = c.position;
                ASSERT_LE(++steps, IMAGE_USABLE);
            }
        }
    }
}

TEST(SequenceThreshold, IsNeverStoredInPart) {
    Teeprom_configurer image;
    for (int i = 0; i < 219; ++i)
        image.add_byte(0x84);
    encode_acq_fluo(image, 4, 0, 1, true, 1.5, false); // opcode and byte 1 fit, the threshold does not
    EXPECT_EQ(image.cursor(), 221);
    EXPECT_EQ(image_hex(image, 219, 4), "C4 81 FF FF");
    Teeprom_configurer room;
    for (int i = 0; i < 217; ++i)
        room.add_byte(0x84);
    encode_acq_fluo(room, 4, 0, 1, true, 1.5, false); // exactly fills the usable area
    EXPECT_EQ(room.cursor(), 223);
    EXPECT_EQ(image_hex(room, 217, 6), "C4 81 3F C0 00 00");
}
