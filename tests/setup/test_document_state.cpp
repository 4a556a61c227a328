// The document state the main window keeps, without a window: the fingerprint behind the modified mark
// and the COM ports a new document starts with.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "Lib_text.h"
#include "Setup_fingerprint.h"
#include "setup_fixture.h"

namespace {

const std::string example = std::string(VEMORA_EXAMPLES) + "/setup.xml";

// The example: paths, both ports and stations whose images hold real records in every field Save writes.
void fill(Tsetup& setup) {
    ASSERT_EQ(setup.read_file(example.c_str()), 0) << example;
    ASSERT_GE(stations_of(setup).size(), 2u);
    ASSERT_EQ(comports_of(setup).size(), 2u);
}

Tstation& station(Tsetup& setup, int index) {
    return *stations_of(setup).at(index);
}

Tcomport& comport(Tsetup& setup, int index) {
    return *comports_of(setup).at(index);
}

// Sets one byte of a station's image, keeping every other byte and the cursor.
void set_image_byte(Tstation& s, int position, uint8_t value) {
    uint8_t bytes[IMAGE_SIZE];
    std::memcpy(bytes, s.configuration.data(), IMAGE_SIZE);
    bytes[position] = value;
    s.configuration.assign(bytes, s.configuration.cursor());
}

// The lowest byte of the first station's slow acquisition interval: a value byte inside a record.
void change_interval_byte(Tsetup& d) {
    Tstation& s = station(d, 0);
    const uint8_t pos = s.configuration.find_tag(tag::ACQ_INTERVAL0);
    ASSERT_NE(pos, 0xFF);
    set_image_byte(s, pos + 4, static_cast<uint8_t>(s.configuration.get_byte(pos + 4) ^ 0x01));
}

struct Change {
    const char* what;
    std::function<void(Tsetup&)> apply;
};

// One change per field that Save writes; each test document gets exactly one of them.
const std::vector<Change>& saved_field_changes() {
    static const std::vector<Change> changes = {
        {"path_data_bin", [](Tsetup& d) { copy_text(d.path_data_bin, "/data/bin", sizeof d.path_data_bin); }},
        {"path_data_xml", [](Tsetup& d) { copy_text(d.path_data_xml, "/data/xml", sizeof d.path_data_xml); }},
        {"path_data_bin emptied", [](Tsetup& d) { d.path_data_bin[0] = 0; }},
        {"comport type", [](Tsetup& d) { comport(d, 0).type = COMPORT_MODEM; }},
        {"comport rate", [](Tsetup& d) { comport(d, 1).rate = 19200; }},
        {"comport description", [](Tsetup& d) { comport(d, 0).description[0] = 'D'; }},
        {"comport port", [](Tsetup& d) { copy_text(comport(d, 1).port, "COM3", sizeof comport(d, 1).port); }},
        {"second station's id", [](Tsetup& d) { station(d, 1).id += 1; }},
        {"station phone number", [](Tsetup& d) { station(d, 0).phone_nbr[1] = '0'; }},
        {"station pin", [](Tsetup& d) { station(d, 0).pin[0] = 0; }},
        {"station description", [](Tsetup& d) { station(d, 1).description[0] = 's'; }},
        {"station display type", [](Tsetup& d) { station(d, 0).display_type[0] = 'Z'; }},
        {"an image byte inside a record", change_interval_byte},
        {"a station added", [](Tsetup& d) { d.stations.append(new_station(0)); }},
        {"a station removed", [](Tsetup& d) { d.stations.remove(&station(d, 1)); }},
        {"a comport removed",
         [](Tsetup& d) {
             Tcomport* modem = &comport(d, 1);
             d.comports.list.remove(modem); // unlinks only
             delete modem;
         }},
    };
    return changes;
}

// The image counts as a whole, as its equality does: bytes and cursor, also where the saved records do
// not show them, so an edit the station editor made is never taken for no change.
const std::vector<Change>& image_changes() {
    static const std::vector<Change> changes = {
        {"the image's first byte", [](Tsetup& d) { set_image_byte(station(d, 0), 0, 0x00); }},
        {"an image byte behind the end marker", [](Tsetup& d) { set_image_byte(station(d, 1), 230, 0x00); }},
        {"the image's last byte", [](Tsetup& d) { set_image_byte(station(d, 1), IMAGE_SIZE - 1, 0x00); }},
        {"the image's cursor",
         [](Tsetup& d) {
             Teeprom_configurer& image = station(d, 0).configuration;
             image.assign(image.data(), static_cast<uint8_t>(image.cursor() - 1));
         }},
    };
    return changes;
}

} // namespace

TEST(SetupFingerprint, EqualDocumentsGiveEqualValues) {
    Tsetup a, b, empty_a, empty_b;
    fill(a);
    fill(b);
    EXPECT_EQ(setup_fingerprint(a), setup_fingerprint(b));
    EXPECT_EQ(setup_fingerprint(empty_a), setup_fingerprint(empty_b));
    EXPECT_NE(setup_fingerprint(a), setup_fingerprint(empty_a));
    // Taking it walks the lists; taking it again sees the same document.
    EXPECT_EQ(setup_fingerprint(a), setup_fingerprint(a));
}

TEST(SetupFingerprint, ADocumentReadBackFromItsSavedTextIsUnchanged) {
    Tsetup saved, reread;
    fill(saved);
    ASSERT_EQ(read_text(reread, written(saved)), 0);
    EXPECT_EQ(setup_fingerprint(reread), setup_fingerprint(saved));
}

TEST(SetupFingerprint, BytesBehindATextsEndAreNotPartOfTheDocument) {
    // Save writes a text up to its terminator, so what an earlier, longer text left behind it is no change.
    Tsetup a, b;
    fill(a);
    fill(b);
    char* description = station(a, 0).description;
    const std::string kept = description;
    copy_text(description, (kept + ", upper reach").c_str(), sizeof station(a, 0).description);
    copy_text(description, kept.c_str(), sizeof station(a, 0).description);
    const std::string path = a.path_data_bin;
    copy_text(a.path_data_bin, (path + "/much/longer").c_str(), sizeof a.path_data_bin);
    copy_text(a.path_data_bin, path.c_str(), sizeof a.path_data_bin);
    EXPECT_EQ(setup_fingerprint(a), setup_fingerprint(b));
}

TEST(SetupFingerprint, EachFieldThatSaveWritesChangesIt) {
    Tsetup original;
    fill(original);
    const uint64_t before = setup_fingerprint(original);
    for (const Change& c : saved_field_changes()) {
        Tsetup changed;
        fill(changed);
        const std::string text_before = written(changed);
        c.apply(changed);
        // Guards the table itself: a change that Save would not write proves nothing here.
        EXPECT_TRUE(written(changed) != text_before) << c.what;
        EXPECT_NE(setup_fingerprint(changed), before) << c.what;
    }
}

TEST(SetupFingerprint, AnyChangeOfAnImageChangesIt) {
    Tsetup original;
    fill(original);
    const uint64_t before = setup_fingerprint(original);
    for (const Change& c : image_changes()) {
        Tsetup changed;
        fill(changed);
        const Teeprom_configurer image_before = station(changed, 0).configuration;
        const Teeprom_configurer second_before = station(changed, 1).configuration;
        c.apply(changed);
        ASSERT_TRUE(station(changed, 0).configuration != image_before ||
                    station(changed, 1).configuration != second_before)
            << c.what;
        EXPECT_NE(setup_fingerprint(changed), before) << c.what;
    }
}

TEST(SetupFingerprint, ATextsBoundaryMovingChangesIt) {
    // "1234" + "5" and "123" + "45": the same bytes in a row, another document.
    Tsetup a, b;
    fill(a);
    fill(b);
    copy_text(station(a, 0).phone_nbr, "1234", sizeof station(a, 0).phone_nbr);
    copy_text(station(a, 0).pin, "5", sizeof station(a, 0).pin);
    copy_text(station(b, 0).phone_nbr, "123", sizeof station(b, 0).phone_nbr);
    copy_text(station(b, 0).pin, "45", sizeof station(b, 0).pin);
    EXPECT_NE(setup_fingerprint(a), setup_fingerprint(b));
}

TEST(SetupFingerprint, OrderMatters) {
    Tsetup a, b;
    fill(a);
    fill(b);
    Tstation* first = &station(b, 0);
    b.stations.list.remove(first); // unlinks only; appended again behind the last station
    b.stations.append(first);
    ASSERT_TRUE(written(a) != written(b));
    EXPECT_NE(setup_fingerprint(a), setup_fingerprint(b));

    Tsetup ports_a, ports_b;
    ports_a.set_defaults();
    ports_b.set_defaults();
    Tcomport* direct = ports_b.comports.find_by_type(COMPORT_DIRECT);
    ports_b.comports.list.remove(direct); // unlinks only; appended again behind the modem port
    ports_b.comports.append(direct);
    ASSERT_TRUE(written(ports_a) != written(ports_b));
    EXPECT_NE(setup_fingerprint(ports_a), setup_fingerprint(ports_b));
}

namespace {

struct Port {
    uint8_t type;
    int32_t rate;
    std::string description;
    std::string port;
    bool operator==(const Port& o) const {
        return type == o.type && rate == o.rate && description == o.description && port == o.port;
    }
};

std::ostream& operator<<(std::ostream& out, const Port& p) {
    return out << "{type " << int(p.type) << ", " << p.rate << ", \"" << p.description << "\", \"" << p.port
               << "\"}";
}

Port port_of(const Tcomport& c) {
    return {c.type, c.rate, c.description, c.port};
}

std::vector<Port> ports_of(Tsetup& setup) {
    std::vector<Port> out;
    for (Tcomport* c : comports_of(setup))
        out.push_back(port_of(*c));
    return out;
}

// Owns what new_default_comport returns, so a failed expectation leaks nothing.
struct Owned_port {
    explicit Owned_port(Tcomport* c) : comport(c) {}
    ~Owned_port() { delete comport; }
    Owned_port(const Owned_port&) = delete;
    Owned_port& operator=(const Owned_port&) = delete;
    Tcomport* comport;
};

} // namespace

TEST(DefaultComports, EachTypeGetsItsRateAndDescription) {
    const Owned_port direct(new_default_comport(COMPORT_DIRECT, "/dev/ttyUSB0"));
    const Owned_port modem(new_default_comport(COMPORT_MODEM, "COM7"));
    ASSERT_NE(direct.comport, nullptr);
    ASSERT_NE(modem.comport, nullptr);
    EXPECT_EQ(port_of(*direct.comport), (Port{COMPORT_DIRECT, 38400, "direct connection", "/dev/ttyUSB0"}));
    EXPECT_EQ(port_of(*modem.comport), (Port{COMPORT_MODEM, 9600, "standard analog modem", "COM7"}));
}

TEST(DefaultComports, APortNameIsKeptWholeAndNoneGivesAnEmptyOne) {
    const std::string longest(sizeof(Tcomport::port) - 1, 'p');
    const Owned_port c(new_default_comport(COMPORT_MODEM, longest.c_str()));
    ASSERT_NE(c.comport, nullptr);
    EXPECT_EQ(std::string(c.comport->port), longest);
    const Owned_port none(new_default_comport(COMPORT_DIRECT, nullptr));
    ASSERT_NE(none.comport, nullptr);
    EXPECT_STREQ(none.comport->port, "");
    EXPECT_EQ(none.comport->rate, 38400);
}

TEST(DefaultComports, NewDocumentHasExactlyTheDefaultPorts) {
    Tsetup fresh;
    fresh.set_defaults();
    EXPECT_EQ(ports_of(fresh), (std::vector<Port>{{COMPORT_DIRECT, 38400, "direct connection", "COM1"},
                                                  {COMPORT_MODEM, 9600, "standard analog modem", "COM2"}}));

    // New on an open document: cleared, then the defaults; nothing of the old ports or stations stays.
    Tsetup renewed;
    fill(renewed);
    renewed.clear();
    renewed.set_defaults();
    EXPECT_TRUE(written(renewed) == written(fresh));
    EXPECT_EQ(setup_fingerprint(renewed), setup_fingerprint(fresh));
}
