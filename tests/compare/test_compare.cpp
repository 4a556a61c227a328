// The comparison engine: stations and documents, the verdict, and the lines the settings do not explain.
#include <gtest/gtest.h>

#include <cstring>

#include "Compare.h"
#include "Lib_text.h"
#include "Setup.h"
#include "Station_editor.h"
#include "Station_settings.h"
#include "image_bytes.h"

namespace {

// A station as the editor stores it, from an image whose slow sequence measures uranine >= 5.5.
Tstation stored_station(int32_t id) {
    Tstation s;
    s.id = id;
    copy_text(s.pin, "1234", sizeof s.pin);
    s.configuration = image_of("08 0b 93 82 77 c4 81 40 b0 00 00 90 00 ff");
    Station_editor editor;
    editor.open(&s, true);
    EXPECT_TRUE(editor.store().stored);
    return s;
}

// The station with one control set as a user would, then OK.
Tstation edited(const Tstation& s, const std::string& name, const std::string& text) {
    Tstation copy = s;
    Station_editor editor;
    editor.open(&copy);
    const int c = editor.form.find(name);
    EXPECT_GE(c, 0) << name;
    const Control& control = editor.form.at(c);
    if (control.kind == Control_kind::CHECK_BOX)
        editor.set_checked(c, text == "1");
    else if (control.kind == Control_kind::CHOICE_LIST)
        editor.set_index(c, std::stoi(text));
    else
        editor.set_text(c, text);
    EXPECT_TRUE(editor.ok().stored);
    return copy;
}

} // namespace

TEST(CompareStations, AStationEqualsItselfAndAllRowsShowEverySettingUnchanged) {
    const Tstation s = stored_station(7);
    EXPECT_TRUE(compare_stations(s, s).equal);
    EXPECT_TRUE(compare_stations(s, s).rows.empty());
    Compare_options all;
    all.all_rows = true;
    const Station_comparison c = compare_stations(s, s, all);
    Settings_reader reader;
    EXPECT_EQ(c.rows.size(), reader.read(s).size());
    for (const Setting_row& r : c.rows) {
        EXPECT_FALSE(r.differs) << r.label;
        EXPECT_TRUE(r.in_a && r.in_b) << r.label;
    }
}

TEST(CompareStations, OneChangedThresholdIsOneRowWithBothValues) {
    const Tstation a = stored_station(7);
    const Tstation b = edited(a, "ed_s_1", "6.25");
    const Station_comparison c = compare_stations(a, b);
    EXPECT_FALSE(c.equal);
    ASSERT_EQ(c.rows.size(), 1u);
    EXPECT_EQ(c.rows[0].label, "Slow Sequence / Uranine delta (on-off) / threshold");
    EXPECT_EQ(c.rows[0].name, "ed_s_1");
    EXPECT_EQ(c.rows[0].a, "5.50 [mv]");
    EXPECT_EQ(c.rows[0].b, "6.25 [mv]");
    EXPECT_TRUE(c.raw.empty()); // the setting explains the whole difference
}

TEST(CompareStations, TickingAChannelAlsoBringsItsComparisonWhichOneSideDoesNotStore) {
    const Tstation a = stored_station(7);
    const Tstation b = edited(a, "cb_s_2", "1");
    const Station_comparison c = compare_stations(a, b);
    ASSERT_EQ(c.rows.size(), 2u);
    EXPECT_EQ(c.rows[0].name, "cb_s_2");
    EXPECT_EQ(c.rows[0].a + " " + c.rows[0].b, "no yes");
    EXPECT_EQ(c.rows[1].name, "cbb_s_2");
    EXPECT_FALSE(c.rows[1].in_a);
    EXPECT_TRUE(c.rows[1].in_b);
    EXPECT_EQ(c.rows[1].b, "No threshold");
}

TEST(CompareStations, TheSameSettingsInAnotherRecordOrderAreNotEqualAndShowTheirLines) {
    Tstation a, b;
    a.configuration = image_of("85 00 00 03 84 88 00 00 01 2c ff");
    b.configuration = image_of("88 00 00 01 2c 85 00 00 03 84 ff");
    const Station_comparison c = compare_stations(a, b);
    EXPECT_FALSE(c.equal);
    EXPECT_TRUE(c.rows.empty());
    ASSERT_FALSE(c.raw.empty());
    bool a_side = false, b_side = false;
    for (const Raw_line& l : c.raw) {
        a_side = a_side || l.side == 'a';
        b_side = b_side || l.side == 'b';
        EXPECT_NE(l.text.find("ACQ_INTERVAL"), std::string::npos) << l.text;
    }
    EXPECT_TRUE(a_side && b_side);
}

TEST(CompareStations, ThresholdsThatSaveWritesAlikeAreEqualAndTheirTextsDifferOtherwise) {
    Tstation a, b, c;
    // 1.5 and the next single above it are both saved as 1.50; 1.51 is not.
    a.configuration = image_of("08 08 93 c4 81 3f c0 00 00 00 ff");
    b.configuration = image_of("08 08 93 c4 81 3f c0 00 01 00 ff");
    c.configuration = image_of("08 08 93 c4 81 3f c1 47 ae 00 ff");
    EXPECT_TRUE(compare_stations(a, b).equal);
    const Station_comparison d = compare_stations(a, c);
    EXPECT_FALSE(d.equal);
    ASSERT_EQ(d.rows.size(), 1u);
    EXPECT_EQ(d.rows[0].a + " -> " + d.rows[0].b, "1.50 [mv] -> 1.51 [mv]");
}

TEST(CompareStations, TheDisplayTypeAndACommandNoControlShowsAreRawDifferences) {
    Tstation a = stored_station(7);
    Tstation b = a;
    copy_text(b.display_type, "other", sizeof b.display_type);
    Station_comparison c = compare_stations(a, b);
    EXPECT_FALSE(c.equal);
    EXPECT_TRUE(c.rows.empty());
    ASSERT_EQ(c.raw.size(), 2u);
    EXPECT_NE(c.raw[1].text.find("display_type=\"other\""), std::string::npos) << c.raw[1].text;

    Tstation nop;
    nop.configuration = image_of("08 03 93 84 00 ff");
    Tstation plain;
    plain.configuration = image_of("08 02 93 00 ff");
    c = compare_stations(nop, plain);
    EXPECT_FALSE(c.equal);
    ASSERT_EQ(c.raw.size(), 1u);
    EXPECT_EQ(c.raw[0].side, 'a');
    EXPECT_EQ(c.raw[0].text, "<NOP/>");
}

TEST(CompareStations, IgnoringIdentityLeavesOnlyTheConfiguration) {
    const Tstation a = stored_station(7);
    Tstation b = edited(a, "ed_phone_nbr", "+41000");
    b.id = 8;
    Compare_options options;
    options.ignore_identity = true;
    EXPECT_TRUE(compare_stations(a, b, options).equal);
    const Station_comparison c = compare_stations(a, b);
    EXPECT_FALSE(c.equal);
    ASSERT_EQ(c.rows.size(), 2u);
    EXPECT_EQ(c.rows[0].label, "General / Station ID");
    EXPECT_EQ(c.rows[1].b, "\"+41000\"");
}

namespace {

void add(Tsetup& setup, const Tstation& s) {
    setup.stations.append(new Tstation(s));
}

} // namespace

TEST(CompareDocuments, StationsAreMatchedByIdWhereverTheyStand) {
    Tsetup a, b;
    a.set_defaults();
    b.set_defaults();
    add(a, stored_station(1));
    add(a, stored_station(2));
    add(a, stored_station(3));
    add(b, stored_station(3));
    add(b, edited(stored_station(2), "ed_s_1", "1"));
    add(b, stored_station(4));
    const Document_comparison d = compare_documents(a, b);
    EXPECT_FALSE(d.equal);
    EXPECT_TRUE(d.order_differs);
    EXPECT_EQ(d.matched, 2);
    ASSERT_EQ(d.pairs.size(), 1u);
    EXPECT_EQ(d.pairs[0].a.position, 2);
    EXPECT_EQ(d.pairs[0].b.position, 2);
    EXPECT_EQ(d.pairs[0].comparison.rows.at(0).name, "ed_s_1");
    ASSERT_EQ(d.only_a.size(), 1u);
    EXPECT_EQ(d.only_a[0].id, 1);
    ASSERT_EQ(d.only_b.size(), 1u);
    EXPECT_EQ(d.only_b[0].position, 3);
}

TEST(CompareDocuments, ReorderedStationsAloneAreADifference) {
    Tsetup a, b;
    add(a, stored_station(1));
    add(a, stored_station(2));
    add(b, stored_station(2));
    add(b, stored_station(1));
    const Document_comparison d = compare_documents(a, b);
    EXPECT_FALSE(d.equal);
    EXPECT_TRUE(d.order_differs);
    EXPECT_TRUE(d.pairs.empty());
}

TEST(CompareDocuments, RepeatedIdsAreMatchedByPositionAmongThemAndSaidSo) {
    Tsetup a, b;
    add(a, stored_station(5));
    add(a, stored_station(5));
    add(b, stored_station(5));
    add(b, edited(stored_station(5), "cb_r_0", "1"));
    const Document_comparison d = compare_documents(a, b);
    EXPECT_TRUE(d.ids_repeat);
    ASSERT_EQ(d.pairs.size(), 1u);
    EXPECT_TRUE(d.pairs[0].by_position);
    EXPECT_EQ(d.pairs[0].a.position, 2);
    EXPECT_EQ(d.pairs[0].b.position, 2);
    EXPECT_FALSE(d.order_differs);
}

TEST(CompareDocuments, PathsAndComPortsAreFieldsOfTheDocument) {
    Tsetup a, b;
    a.set_defaults();
    b.set_defaults();
    EXPECT_TRUE(compare_documents(a, b).equal);
    copy_text(b.path_data_xml, "/data/xml", sizeof b.path_data_xml);
    b.comports.set_port_by_type(COMPORT_MODEM, "/dev/ttyS9");
    const Document_comparison d = compare_documents(a, b);
    EXPECT_FALSE(d.equal);
    ASSERT_EQ(d.fields.size(), 2u);
    EXPECT_EQ(d.fields[0].name, "PATH_DATA_XML");
    EXPECT_EQ(d.fields[0].b, "\"/data/xml\"");
    EXPECT_EQ(d.fields[1].label, "COM port 2");
    EXPECT_NE(d.fields[1].b.find("/dev/ttyS9"), std::string::npos) << d.fields[1].b;
}
