// Writing configuration images: exact line templates, and what reads back.
#include <gtest/gtest.h>

#include "Configuration_writer.h"
#include "Sequence_command.h"
#include "image_bytes.h"
#include "xml_fixture.h"

namespace {

std::string written(const Teeprom_configurer& image) {
    std::string text;
    Text_out out(&text);
    write_configuration(image, &out);
    return text;
}

// The lines between the CONFIGURATION start and end lines.
std::string body(const Teeprom_configurer& image) {
    const std::string text = written(image);
    const std::string start = "\t\t\t<CONFIGURATION>\r\n", end = "\t\t\t</CONFIGURATION>\r\n";
    EXPECT_EQ(text.compare(0, start.size(), start), 0);
    EXPECT_EQ(text.compare(text.size() - end.size(), end.size(), end), 0);
    return text.substr(start.size(), text.size() - start.size() - end.size());
}

std::string command_line(const std::string& hex) {
    return body(image_of("08 10 " + hex + " 00"));
}

const std::string slow_open =
    "\r\n\t\t\t\t<!-- ++++++++++++++++++++ SLOW SEQUENCE +++++++++++++++++++++++++++++ -->\r\n"
    "\t\t\t\t<ACQUISITION_SEQUENCE  value=\"0\">\r\n";
const std::string sequence_close = "\t\t\t\t</ACQUISITION_SEQUENCE>\r\n\r\n";

std::string in_slow(const std::string& lines) {
    return slow_open + lines + sequence_close;
}

} // namespace

TEST(WriteConfiguration, EmptyImage) {
    EXPECT_EQ(written(Teeprom_configurer()), "\t\t\t<CONFIGURATION>\r\n\t\t\t</CONFIGURATION>\r\n");
    Text_out* none = nullptr;
    write_configuration(Teeprom_configurer(), none);
}

TEST(WriteConfiguration, FixedRecords) {
    EXPECT_EQ(body(image_of("85 00 00 03 84")), "\t\t\t\t<ACQ_INTERVAL0 value=\"900\"/>\r\n");
    EXPECT_EQ(body(image_of("85 FF FF FF FF")), "\t\t\t\t<ACQ_INTERVAL0 value=\"-1\"/>\r\n");
    EXPECT_EQ(body(image_of("86 00 00 00 01 87 00 00 00 02 88 00 00 00 03 89 00 00 00 04 8A 00 00 00 05")),
              "\t\t\t\t<GSM_INTERVAL  value=\"1\"/>\r\n\t\t\t\t<GSM_DURATION  value=\"2\"/>\r\n"
              "\t\t\t\t<ACQ_INTERVAL1 value=\"3\"/>\r\n\t\t\t\t<LOCATION value=\"4\"/>\r\n"
              "\t\t\t\t<GSM_SMS_DURATION value=\"5\"/>\r\n");
    EXPECT_EQ(body(image_of("82 00 00 00 2A 83 31 32 33 34 80 00 00 00 00 BF 01 02 03 04")),
              "\t\t\t\t<STATION_ID/>\r\n\t\t\t\t<PIN_CODE/>\r\n");
    EXPECT_EQ(body(image_of("84 03 01 05 00")),
              "\t\t\t\t<SYSCTRL acq_enabled=\"on\" acq_automatic=\"on\" gsm_enabled=\"on\" gsm_call=\"off\" "
              "address=\"5\" />\r\n");
}

TEST(WriteConfiguration, SystemConfig) {
    EXPECT_EQ(body(image_of("07 00")), "\t\t\t\t<SYSTEM_CONFIG />\r\n");
    EXPECT_EQ(body(image_of("07 02 05 06")), "\t\t\t\t<SYSTEM_CONFIG  data0=\"5\" data1=\"6\"/>\r\n");
}

TEST(WriteConfiguration, TextRecordsAreEscapedAndWrittenWhole) {
    EXPECT_EQ(
        body(image_of("01 03 2B 34 31 02 01 22 03 01 26 04 02 E9 3C")),
        "\t\t\t\t<SMS_NUMBER    value=\"+41\"/>\r\n\t\t\t\t<PHONE_NUMBER    value=\"&quot;\"/>\r\n"
        "\t\t\t\t<SMS_TEXT_ACQ    value=\"&amp;\"/>\r\n\t\t\t\t<SMS_TEXT_EOL    value=\"&#xe9;&lt;\"/>\r\n");
    Teeprom_configurer image;
    image.add_byte(tag::SMS_TEXT_ACQ);
    image.add_byte(40);
    for (int i = 0; i < 40; ++i)
        image.add_byte(static_cast<uint8_t>('a' + i % 26));
    EXPECT_EQ(body(image),
              "\t\t\t\t<SMS_TEXT_ACQ    value=\"abcdefghijklmnopqrstuvwxyzabcdefghijklmn\"/>\r\n");
}

TEST(WriteConfiguration, OtherVariableTagsWriteNothingButAreSteppedOver) {
    EXPECT_EQ(body(image_of("05 02 AA BB 0B 00 7F 01 00 85 00 00 00 01")),
              "\t\t\t\t<ACQ_INTERVAL0 value=\"1\"/>\r\n");
}

TEST(WriteConfiguration, StopsAtZeroAndHighTags) {
    EXPECT_EQ(body(image_of("85 00 00 00 01 00 85 00 00 00 02")), "\t\t\t\t<ACQ_INTERVAL0 value=\"1\"/>\r\n");
    EXPECT_EQ(body(image_of("C0 85 00 00 00 01")), "");
}

TEST(WriteConfiguration, ATextOf254BytesIsWrittenAndTheWalkEnds) {
    const Teeprom_configurer image = read_config("<SMS_TEXT_ACQ value='" + std::string(254, 't') + "'/>");
    const std::string text = body(image);
    EXPECT_EQ(text.find("<SMS_TEXT_ACQ    value=\"" + std::string(221, 't')), 4u);
}

TEST(WriteSequence, SequenceRecord) {
    EXPECT_EQ(body(image_of("08 05 93 82 24 A3 00")),
              in_slow("\t\t\t\t\t<PROBES_POWER state=\"3\"/>\r\n\t\t\t\t\t<ACQ_VBAT channel=\"0\" "
                      "threshold=\"3.6\"/>\r\n"
                      "\t\t\t\t\t<WAIT timeout=\"3\"/>\r\n"));
    EXPECT_NE(body(image_of("09 01 00")).find("FAST SEQUENCE +++++++++++++++++++++++++++++ -->"),
              std::string::npos);
    EXPECT_NE(body(image_of("0A 01 00"))
                  .find("REMOTE SEQUENCE (HEALTH) ++++++++++++++++++ -->\r\n"
                        "\t\t\t\t<ACQUISITION_SEQUENCE  value=\"2\">"),
              std::string::npos);
}

TEST(WriteSequence, CommandLines) {
    EXPECT_EQ(
        command_line("D2 E1 71 40 80 00 00"),
        in_slow(
            "\t\t\t\t\t<ACQ      header=\"161\" port=\"2\" channel=\"1\" timeout=\"7\" threshold=\"4.00\" "
            "compare=\"lt\"/>\r\n"));
    EXPECT_EQ(
        command_line("D5 AC 7C 00 00 03 E8"),
        in_slow(
            "\t\t\t\t\t<ACQ      header=\"172\" port=\"5\" channel=\"12\" timeout=\"7\" threshold=\"1000\" "
            "compare=\"ge\"/>\r\n"));
    EXPECT_EQ(command_line("C4 02"),
              in_slow("\t\t\t\t\t<ACQ_FLUO type=\"0\" port=\"4\" channel=\"2\"/>\r\n"));
    EXPECT_EQ(command_line("C0 40"),
              in_slow("\t\t\t\t\t<ACQ_FLUO type=\"0\" port=\"0\" channel=\"0\"/>\r\n"));
    EXPECT_EQ(command_line("C4 39"),
              in_slow("\t\t\t\t\t<ACQ_FLUO type=\"3\" port=\"4\" channel=\"9\"/>\r\n"));
    EXPECT_EQ(command_line("C4 82 3F 9D F3 B6"),
              in_slow("\t\t\t\t\t<ACQ_FLUO type=\"0\" port=\"4\" channel=\"2\" threshold=\"1.23\" "
                      "compare=\"ge\"/>\r\n"));
    EXPECT_EQ(command_line("DB C6 40 00 00 00"),
              in_slow("\t\t\t\t\t<ACQ_INSTRUMENT type=\"1\" port=\"3\" channel=\"2\" threshold=\"2.00\" "
                      "compare=\"lt\"/>\r\n"));
    EXPECT_EQ(
        command_line("0D 0C 02 81 84 01 FF 02 03 90 82 00"),
        in_slow("\t\t\t\t\t<CONDITIONAL_ACTION port=\"5\" and=\"12\" or=\"2\"/>\r\n"
                "\t\t\t\t\t<CONDITIONAL_SMS/>\r\n\t\t\t\t\t<NOP/>\r\n"
                "\t\t\t\t\t<SIMPLE_SENSOR_1 channel_map=\"255\"/>\r\n"
                "\t\t\t\t\t<SIMPLE_SENSOR_2 channel_map=\"3\"/>\r\n\t\t\t\t\t<PROBES_POWER state=\"0\"/>\r\n"
                "\t\t\t\t\t<ACQ_VBAT channel=\"0\"/>\r\n"));
}

TEST(WriteSequence, ANonCommandEndsTheCommandsButNotTheRecords) {
    EXPECT_EQ(body(image_of("08 04 93 05 93 00 85 00 00 00 01")),
              in_slow("\t\t\t\t\t<PROBES_POWER state=\"3\"/>\r\n") +
                  "\t\t\t\t<ACQ_INTERVAL0 value=\"1\"/>\r\n");
}

TEST(WriteThenRead, GivesTheSameImageExceptTheListedDifferences) {
    Teeprom_configurer image;
    const uint8_t p = image.open_record(tag::SEQUENCE_SLOW);
    encode_probes_power(image, 3);
    encode_acq_vbat(image, 0, 3.6);
    encode_acq_fluo(image, 4, 0, 2, true, 1.5, false);
    encode_acq(image, 161, 2, 1, 7, true, 4.0, true);
    encode_acq(image, 172, 5, 12, 7, true, 1000, false);
    encode_conditional_sms(image);
    encode_conditional_action(image, 5, 12, 2);
    image.add_byte(0);
    image.close_record(p);
    image.add_sms_number("+41797654321");
    image.add_tag_long(tag::STATION_ID, 42);
    image.add_tag_long(tag::LOCATION, -5);
    image.add_byte(tag::SYSTEM_CONFIG), image.add_byte(3), image.add_byte(1), image.add_byte(2),
        image.add_byte(3);
    image.add_byte(tag::END);
    Xml_fixture f(written(image));
    Teeprom_configurer back;
    read_configuration(back, f.root, Station_defaults{42, ""});
    EXPECT_EQ(image_hex(back), image_hex(image));
    EXPECT_EQ(back, image);
}
