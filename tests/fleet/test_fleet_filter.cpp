// Filtering stations by the query over the facts of a fleet: the example's stations, reading notes and
// shared identities, and random documents against a straightforward reference.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "Lib_trace.h"
#include "Reading_report.h"
#include "Setup.h"
#include "Station_facts.h"
#include "Station_query.h"
#include "query_reference.h"
#include "random_documents.h"
#include "temp_dir.h"

namespace {

const std::string example = VEMORA_EXAMPLES "/setup.xml";

struct Fleet {
    Tsetup setup;
    Reading_collector notes;
    Fleet_facts facts;

    explicit Fleet(const std::string& path) {
        Trace_capture quiet;
        if (setup.read_file(path.c_str(), nullptr, &notes) != 0) ADD_FAILURE() << "cannot read " << path;
    }

    // Positions from 1 of the stations the query matches; {-1} for a query that does not parse.
    std::vector<int> matching(const std::string& text) {
        Station_query q;
        std::string error;
        if (!q.parse(text, &error)) {
            ADD_FAILURE() << text << ": " << error;
            return {-1};
        }
        facts.build(setup, &notes, q.controls());
        std::vector<int> out;
        for (size_t i : filter_stations(q, facts))
            out.push_back(static_cast<int>(i) + 1);
        return out;
    }
};

using Positions = std::vector<int>;

} // namespace

TEST(FleetFilter, TheExampleStationsByEachField) {
    Fleet f(example);
    const struct {
        const char* query;
        Positions stations;
    } cases[] = {
        {"", {1, 2, 3, 4, 5}},
        {"areuse", {1}},
        {"AREUSE boudry", {1}},
        {"boudry areuse", {1}},
        {"areuse OR orbe", {1, 2}},
        {"+4179111010", {1, 2}},  // part of the phone number
        {"203", {3}},             // part of the ID (and of the phone number)
        {"\"les pr\xe9s\"", {3}}, // a quoted word with its blank, Latin-1 as in the file
        {"PR\xc9S", {3}},         // Latin-1 capitals find small letters
        {"id:-1", {5}},
        {"id:100-199", {1, 2}},
        {"id>200", {3, 4}},
        {"id!=101", {2, 3, 4, 5}},
        {"phone:+41791110*", {1, 2, 3, 4}},
        {"phone:+417911101?2", {2}},
        {"phone:+4179111010", {}}, // a glob matches the whole number
        {"desc:\"areuse boudry\"", {1}},
        {"desc:\"boudry orbe\"", {}},
        {"sms:+41797654321", {1, 2, 3, 4}},
        {"sms:*4321", {1, 2, 3, 4}},
        {"uses:161", {3}},
        {"uses:uranine", {1}},
        {"uses:162", {1, 2, 3, 4}}, // on the remote page
        {"slow:162", {}},
        {"remote:162 -uses:161", {1, 2, 4}},
        {"fast:rhodamine", {2}},
        {"uses:pulse", {3, 4}},
        {"slow:vbat fast:vbat", {}},
        {"uses:vbat", {1, 2, 3, 4}},
        {"spare", {5}},
        {"-spare", {1, 2, 3, 4}},
        {"bytes=0", {5}},
        {"bytes>0 bytes<=105", {1, 2}},
        {"bytes:106", {3, 4}},
        {"ed_acq_interval0=15.00", {1, 3, 5}}, // the spare shows the value before loading, 15
        {"ed_acq_interval0=15.00 -spare", {1, 3}},
        {"ed_acq_interval0>=60", {4}},
        {"cbb_s_1!=0", {1}},
        {"cbb_f_1=2", {1}}, // < Less Than
        {"ed_description=\"rain gauge, pulse counters\"", {4}},
        {"(uses:161 OR uses:uranine) -id:203", {1}},
        {"problem OR dup", {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(f.matching(c.query), c.stations) << c.query;
}

TEST(FleetFilter, FactsHoldWhatTheListShows) {
    Fleet f(example);
    f.facts.build(f.setup, &f.notes);
    ASSERT_EQ(f.facts.size(), 5u);
    EXPECT_EQ(f.facts.at(0).bytes, 105); // the end marker behind the last record is no data
    EXPECT_EQ(f.facts.at(2).bytes, 106);
    EXPECT_EQ(f.facts.at(4).bytes, 0);
    EXPECT_EQ(f.facts.at(1).phone(), "+41791110102");
    EXPECT_EQ(f.facts.at(1).description(), "source de l'orbe, fluorescence & turbidity");
    EXPECT_EQ(f.facts.at(4).phone(), "");
    // A control not asked for is not held; asked for later it is read for every station.
    EXPECT_EQ(f.facts.control_column("ed_acq_interval0"), -1);
    f.facts.add_controls(f.setup, {"ed_acq_interval0", "no_such_control"});
    const int column = f.facts.control_column("ed_acq_interval0");
    ASSERT_GE(column, 0);
    EXPECT_EQ(f.facts.control_value(column, 3), "60.00");
    EXPECT_EQ(f.facts.control_column("no_such_control"), -1);
}

TEST(FleetFilter, ProblemsAndSharedIdsOrPhoneNumbers) {
    Temp_dir dir;
    // Station 2's id is no clean number (a reading note); 1 and 3 share an id (a note for 3, the second),
    // 2 and 4 a phone number; 5 and 6 have no phone number, which they do not share.
    const std::string path = dir.write(
        "fleet.xml", "<SETUP><STATIONS><STATION id='7' phone_nbr='+1'/><STATION id='8x' phone_nbr='+2'/>"
                     "<STATION id='7' phone_nbr='+3'/><STATION id='9' phone_nbr='+2'/><STATION id='10'/>"
                     "<STATION id='11'/></STATIONS></SETUP>");
    Fleet f(path);
    EXPECT_EQ(f.matching("problem"), (Positions{2, 3}));
    EXPECT_EQ(f.matching("dup"), (Positions{1, 2, 3, 4}));
    EXPECT_EQ(f.matching("-dup -problem"), (Positions{5, 6}));
    EXPECT_EQ(f.matching("dup phone:+2"), (Positions{2, 4}));
}

TEST(FleetFilter, AControlTheFactsDoNotHoldMatchesNothing) {
    Fleet f(example);
    Station_query q;
    ASSERT_TRUE(q.parse("ed_acq_interval0=15.00 OR id:102", nullptr));
    f.facts.build(f.setup, &f.notes); // without the query's controls
    EXPECT_EQ(filter_stations(q, f.facts), (std::vector<size_t>{1}));
    EXPECT_TRUE(station_matches(q, f.facts, 1));
    EXPECT_FALSE(station_matches(q, f.facts, 0));
}

TEST(FleetFilter, RandomDocumentsMatchTheReference) {
    std::mt19937 rng(20261208);
    Temp_dir dir;
    int compared = 0, nonempty = 0;
    for (int round = 0; round < 150; ++round) {
        Tsetup generated;
        random_document(rng, generated);
        // Some stations share an id or a phone number with the first.
        Tlist::Tnode* first = generated.stations.list.head();
        for (Tlist::Tnode* n = first ? first->next : nullptr; n != nullptr; n = n->next) {
            Tstation* s = static_cast<Tstation*>(n->item);
            const Tstation* f0 = static_cast<Tstation*>(first->item);
            if (rng() % 4 == 0) s->id = f0->id;
            if (rng() % 4 == 0) std::copy(std::begin(f0->phone_nbr), std::end(f0->phone_nbr), s->phone_nbr);
        }
        const std::string path = dir.file("random.xml");
        ASSERT_EQ(generated.write_file(path.c_str()), 0);
        Fleet f(path);
        const std::vector<Reference_station> stations = reference_stations(f.setup, &f.notes);
        for (int k = 0; k < 12; ++k) {
            const Reference_query q = random_query(rng, stations);
            const std::vector<int> expected = reference_positions(q, stations);
            EXPECT_EQ(f.matching(q.text), expected) << q.text;
            ++compared;
            nonempty += !expected.empty();
        }
    }
    // The comparison means something only when queries match some stations and not all.
    EXPECT_GT(nonempty, compared / 4);
}
