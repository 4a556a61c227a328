// A property over many generated setup files with faults in them: every station, COM port, record and
// command that the file holds and Save does not write back is named by a reading note.
#include <gtest/gtest.h>

#include <map>
#include <random>

#include "Reading_report.h"
#include "setup_fixture.h"

namespace {

// Element names per place, as the writer writes them back (or not, for the faulty ones).
const char* const record_elements[] = {"ACQ_INTERVAL0",    "ACQ_INTERVAL1", "GSM_INTERVAL", "GSM_DURATION",
                                       "GSM_SMS_DURATION", "LOCATION",      "PHONE_NUMBER", "SMS_NUMBER",
                                       "SMS_TEXT_ACQ",     "SMS_TEXT_EOL",  "STATION_ID",   "PIN_CODE",
                                       "SYSCTRL",          "SYSTEM_CONFIG"};
const char* const command_elements[] = {"SIMPLE_SENSOR_1", "SIMPLE_SENSOR_2",
                                        "CONDITIONAL_SMS", "CONDITIONAL_ACTION",
                                        "ACQ_VBAT",        "NOP",
                                        "PROBES_POWER",    "WAIT",
                                        "ACQ_FLUO",        "ACQ"};

class Generator {
  public:
    explicit Generator(unsigned seed) : rng_(seed) {}

    std::string document() {
        std::string xml = "<?xml version='1.0' encoding='utf-8' ?>\n<SETUP>";
        if (chance(10)) xml += "<PATH_DATA_BIN path='/a'/>";
        if (chance(10)) xml += "<PATHDATA_XML path='/b'/>"; // misspelled: ignored
        xml += comports();
        if (chance(10)) xml += comports(); // two: only the last counts
        if (chance(10)) xml += stations();
        xml += stations();
        if (chance(10)) xml += "<EXTRA/>";
        xml += "</SETUP>";
        if (chance(10)) xml += "<SETUP><STATIONS><STATION id='99'/></STATIONS></SETUP>"; // a second root
        return xml;
    }

  private:
    bool chance(int percent) { return static_cast<int>(rng_() % 100) < percent; }
    int pick(int n) { return static_cast<int>(rng_() % static_cast<unsigned>(n)); }

    std::string number() {
        switch (pick(12)) {
        case 0:
            return "x";
        case 1:
            return std::to_string(pick(100)) + "s";
        case 2:
            return "-" + std::to_string(pick(500));
        default:
            return std::to_string(pick(400));
        }
    }

    std::string comports() {
        std::string xml = "<COMPORTS>";
        for (int i = pick(4); i > 0; --i) {
            if (chance(10)) xml += "<COMPORTT/>";
            xml += "<COMPORT port='COM" + std::to_string(pick(9)) + "' rate='" + number() + "' type='" +
                   (chance(10) ? "gsm" : "modem") + "'/>";
        }
        return xml + "</COMPORTS>";
    }

    std::string stations() {
        std::string xml = "<STATIONS>";
        for (int i = pick(6); i > 0; --i) {
            if (chance(10)) xml += "<STATON id='1'/>";
            xml += "<STATION id='" + std::to_string(pick(20)) + "'>";
            if (chance(10)) xml += "<NOTE/>";
            if (chance(10)) xml += "<CONFIGURATION><GSM_INTERVAL value='1'/></CONFIGURATION>";
            xml += configuration() + "</STATION>";
        }
        return xml + "</STATIONS>";
    }

    std::string configuration() {
        std::string xml = "<CONFIGURATION>";
        for (int i = pick(40); i > 0; --i) {
            if (chance(20)) {
                xml += sequence();
                continue;
            }
            if (chance(5)) {
                xml += "<LOCATON value='1'/>"; // unknown
                continue;
            }
            const std::string name = record_elements[pick(14)];
            if (chance(10)) {
                xml += "<" + name + "/>"; // no value
            } else if (name.rfind("SMS", 0) == 0 || name == "PHONE_NUMBER" || name == "PIN_CODE") {
                xml += "<" + name + " value='" +
                       std::string(static_cast<size_t>(chance(10) ? 256 : pick(20)), 't') + "'/>";
            } else if (name == "SYSCTRL") {
                xml += "<SYSCTRL acq_enabled='on' address='" + number() + "'/>";
            } else if (name == "SYSTEM_CONFIG") {
                xml += "<SYSTEM_CONFIG data0='" + number() + "' data1='" + number() + "'/>";
            } else {
                xml += "<" + name + " value='" + number() + "'/>";
            }
        }
        return xml + "</CONFIGURATION>";
    }

    std::string sequence() {
        std::string xml = "<ACQUISITION_SEQUENCE value='" + std::to_string(chance(10) ? 5 : pick(3)) + "'>";
        for (int i = pick(12); i > 0; --i) {
            if (chance(5)) {
                xml += "<ACQ_FLUOR/>";
                continue;
            }
            const std::string name = command_elements[pick(10)];
            xml += "<" + name + " port='" + number() + "' channel='" + number() + "' timeout='" + number() +
                   "' threshold='" + (chance(10) ? std::string("2,5") : std::to_string(pick(30))) + "'/>";
        }
        return xml + "</ACQUISITION_SEQUENCE>";
    }

    std::mt19937 rng_;
};

// How many elements of each name a place holds.
using Names = std::map<std::string, int>;

void count_children(Xml_element parent, Names& names) {
    for (Xml_element c = xml_first_child_element(parent); c; c = xml_next_sibling_element(c))
        ++names[xml_element_name(c)];
}

// What a file holds, station by station: the records of its last CONFIGURATION and the commands of its
// sequences (by sequence number), under its last STATIONS; and how many stations and ports it holds in all.
struct Held {
    int stations = 0, comports = 0;
    std::vector<Names> records, commands;
};

Held held_by(const std::string& path, bool every_container) {
    Held held;
    myXMLdocument document;
    const Xml_element root = xml_load_file(path.c_str(), &document);
    Xml_element last_stations;
    for (Xml_element e = root; e; e = every_container ? xml_next_sibling_element(e) : Xml_element()) {
        for (Xml_element c = xml_first_child_element(e); c; c = xml_next_sibling_element(c)) {
            if (xml_element_is(c, "STATIONS") && e == root) last_stations = c;
            for (Xml_element s = xml_first_child_element(c); s; s = xml_next_sibling_element(s)) {
                held.stations += xml_element_is(c, "STATIONS") && xml_element_is(s, "STATION");
                held.comports += xml_element_is(c, "COMPORTS") && xml_element_is(s, "COMPORT");
            }
        }
    }
    for (Xml_element s = xml_first_child_element(last_stations); s; s = xml_next_sibling_element(s)) {
        if (!xml_element_is(s, "STATION")) continue;
        Xml_element configuration;
        for (Xml_element c = xml_first_child_element(s); c; c = xml_next_sibling_element(c))
            if (xml_element_is(c, "CONFIGURATION")) configuration = c;
        Names records, commands;
        count_children(configuration, records);
        for (Xml_element q = xml_first_child_element(configuration); q; q = xml_next_sibling_element(q))
            if (xml_element_is(q, "ACQUISITION_SEQUENCE")) count_children(q, commands);
        held.records.push_back(records);
        held.commands.push_back(commands);
    }
    return held;
}

} // namespace

TEST(ReadingNotesProperty, WhatSaveDoesNotWriteBackIsNamedByANote) {
    for (unsigned seed = 1; seed <= 300; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        Temp_dir dir;
        const std::string in = dir.write("in.xml", Generator(seed).document());
        Tsetup setup;
        Reading_collector notes;
        ASSERT_EQ(setup.read_file(in.c_str(), nullptr, &notes), 0);
        const std::string out = dir.file("out.xml");
        ASSERT_EQ(setup.write_file(out.c_str()), 0);
        const Held file = held_by(in, true), saved = held_by(out, false);

        const auto noted = [&](Note_kind kind, const std::string& element) {
            for (const Reading_note& n : notes.notes())
                if (n.kind == kind && (element.empty() || n.element == element)) return true;
            return false;
        };
        // Stations and ports the save lacks: in an earlier list, misspelled, or in a second root.
        if (saved.stations < file.stations) {
            EXPECT_TRUE(noted(Note_kind::ELEMENT_REPEATED, "STATIONS") || noted(Note_kind::AFTER_ROOT, ""));
        }
        if (saved.comports < file.comports) {
            EXPECT_TRUE(noted(Note_kind::ELEMENT_REPEATED, "COMPORTS"));
        }

        ASSERT_EQ(file.records.size(), saved.records.size());
        for (size_t p = 0; p < file.records.size(); ++p) {
            const int station = static_cast<int>(p) + 1;
            std::vector<const Reading_note*> own;
            bool full = false;
            for (const Reading_note& n : notes.notes()) {
                if (n.station != station && !(n.is_error() && n.station == 0)) continue;
                own.push_back(&n);
                full = full || n.kind == Note_kind::CONFIGURATION_FULL;
            }
            // Once the configuration did not fit, whatever followed is covered by that one note.
            if (full) continue;
            const auto named = [&](const std::string& element) {
                for (const Reading_note* n : own)
                    if (n->element == element) return true;
                return false;
            };
            for (const auto& [name, count] : file.records[p]) {
                const auto s = saved.records[p].find(name);
                if (count > (s == saved.records[p].end() ? 0 : s->second)) {
                    EXPECT_TRUE(named(name)) << "station " << station << " lost a " << name;
                }
            }
            // A sequence whose commands the save lacks: a command no reader knows, or a sequence skipped.
            for (const auto& [name, count] : file.commands[p]) {
                const auto s = saved.commands[p].find(name);
                if (count > (s == saved.commands[p].end() ? 0 : s->second)) {
                    EXPECT_TRUE(named(name) || named("ACQUISITION_SEQUENCE"))
                        << "station " << station << " lost a " << name;
                }
            }
        }
    }
}
