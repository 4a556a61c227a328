// Duplicating a station: the copy's ID is unique and the smallest free above its source's, its identity
// is empty, and apart from its identity it is its source, byte for byte as Save writes it.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <random>

#include "Compare.h"
#include "Lib_trace.h"
#include "Setup.h"
#include "Station_duplicate.h"
#include "Station_facts.h"
#include "random_documents.h"
#include "temp_dir.h"

namespace {

const std::string example = VEMORA_EXAMPLES "/setup.xml";

Tstation* station_with_id(Tsetup& setup, int32_t id) {
    auto* s = new Tstation;
    s->id = id;
    setup.stations.append(s);
    return s;
}

std::vector<int32_t> ids_of(Tsetup& setup) {
    std::vector<int32_t> ids;
    for_each_item<Tstation>(setup.stations.list, [&](Tstation& s) { ids.push_back(s.id); });
    return ids;
}

} // namespace

TEST(StationDuplicate, TheCopyIsItsSourceWithoutItsIdentity) {
    Tsetup setup;
    {
        Trace_capture quiet;
        ASSERT_EQ(setup.read_file(example.c_str()), 0);
    }
    int position = 0;
    for_each_item<Tstation>(setup.stations.list, [&](Tstation& source) {
        ++position;
        const Station_copy copy = duplicate_station(source, 4000 + position);
        ASSERT_NE(copy.station, nullptr);
        const Tstation& c = *copy.station;
        EXPECT_EQ(c.id, 4000 + position);
        EXPECT_STREQ(c.phone_nbr, "");
        EXPECT_STREQ(c.pin, "");
        EXPECT_EQ(std::string(c.description), std::string(source.description) + " (copy)");
        EXPECT_FALSE(copy.description_shortened);
        EXPECT_STREQ(c.display_type, source.display_type);
        Compare_options ignore;
        ignore.ignore_identity = true;
        EXPECT_TRUE(compare_stations(source, c, ignore).equal) << "station " << position;
        EXPECT_FALSE(compare_stations(source, c).equal);
        // The records that carry the identity in the image say the copy's, as reading its file gives.
        int32_t id = 0, pin = -1;
        if (source.configuration.get_tag_long(tag::STATION_ID, nullptr)) {
            ASSERT_TRUE(c.configuration.get_tag_long(tag::STATION_ID, &id));
            EXPECT_EQ(id, c.id);
            ASSERT_TRUE(c.configuration.get_tag_long(tag::PIN_CODE, &pin));
            EXPECT_EQ(pin, 0);
        }
        EXPECT_EQ(c.configuration.cursor(), source.configuration.cursor());
    });
}

TEST(StationDuplicate, TheCopysRecordsAreThoseAReadOfItsSavedFileGives) {
    std::mt19937 rng(15);
    Temp_dir dir;
    for (int round = 0; round < 200; ++round) {
        Tsetup setup;
        random_document(rng, setup);
        Tlist::Tnode* node = setup.stations.list.head();
        if (node == nullptr) continue;
        const Tstation& source = *static_cast<Tstation*>(node->item);
        const Station_copy copy = duplicate_station(source, 77);
        Tsetup one, again;
        one.stations.append(new Tstation(*copy.station));
        const std::string path = dir.file("copy.xml");
        ASSERT_EQ(one.write_file(path.c_str()), 0);
        {
            Trace_capture quiet;
            ASSERT_EQ(again.read_file(path.c_str()), 0);
        }
        ASSERT_NE(again.stations.list.head(), nullptr);
        const Tstation& reread = *static_cast<Tstation*>(again.stations.list.head()->item);
        EXPECT_EQ(reread.configuration, copy.station->configuration) << "round " << round;
    }
}

TEST(StationDuplicate, ALongDescriptionLosesItsEndNotTheMark) {
    Tstation source;
    std::memset(source.description, 'd', 250);
    source.description[250] = '\0';
    const Station_copy copy = duplicate_station(source, 2);
    EXPECT_TRUE(copy.description_shortened);
    EXPECT_EQ(std::string(copy.station->description), std::string(248, 'd') + " (copy)");
    EXPECT_EQ(std::strlen(copy.station->description), 255u);
    source.description[248] = '\0'; // exactly fits
    const Station_copy fits = duplicate_station(source, 2);
    EXPECT_FALSE(fits.description_shortened);
    EXPECT_EQ(std::string(fits.station->description), std::string(248, 'd') + " (copy)");
}

TEST(StationDuplicate, TheSmallestFreeIdAboveTheSource) {
    Tsetup setup;
    for (int32_t id : {101, 102, 104, 50, -1, INT32_MAX - 1, INT32_MAX})
        station_with_id(setup, id);
    const Station_ids ids(setup);
    int32_t id = 0;
    ASSERT_TRUE(ids.free_above(101, &id));
    EXPECT_EQ(id, 103);
    ASSERT_TRUE(ids.free_above(-1, &id));
    EXPECT_EQ(id, 0);
    ASSERT_TRUE(ids.free_above(INT32_MIN, &id));
    EXPECT_EQ(id, INT32_MIN + 1);
    id = 7;
    EXPECT_FALSE(ids.free_above(INT32_MAX - 2, &id)); // never past the top of the range
    EXPECT_FALSE(ids.free_above(INT32_MAX, &id));
    EXPECT_EQ(id, 7);
    EXPECT_TRUE(ids.in_use(104));
    EXPECT_FALSE(ids.in_use(103));
}

TEST(StationDuplicate, AddProposesTheNextFreeId) {
    Tsetup setup;
    EXPECT_EQ(next_free_id(setup), 1);
    station_with_id(setup, -1);
    EXPECT_EQ(next_free_id(setup), 1);
    station_with_id(setup, 304);
    station_with_id(setup, 101);
    EXPECT_EQ(next_free_id(setup), 305);
    station_with_id(setup, INT32_MAX);
    station_with_id(setup, 1);
    EXPECT_EQ(next_free_id(setup), 2); // no room above the highest: the smallest free from 1
}

TEST(StationDuplicate, ACopyGoesRightBehindItsSource) {
    Tsetup setup;
    Tstation* a = station_with_id(setup, 1);
    station_with_id(setup, 2);
    Tstation* c = station_with_id(setup, 3);
    Station_ids ids(setup);
    for (Tstation* source : {a, c, a}) {
        int32_t id = 0;
        ASSERT_TRUE(ids.free_above(source->id, &id));
        ids.take(id);
        Station_copy copy = duplicate_station(*source, id);
        ASSERT_TRUE(insert_station_after(setup, source, copy.station.get()));
        copy.station.release();
    }
    // 1's first copy took 4, 3's took 5, 1's second 6; each stands right behind its source.
    EXPECT_EQ(ids_of(setup), (std::vector<int32_t>{1, 6, 4, 2, 3, 5}));
    // A station not in the document is linked at the end.
    Tstation outside;
    Station_copy copy = duplicate_station(outside, 9);
    ASSERT_TRUE(insert_station_after(setup, &outside, copy.station.get()));
    copy.station.release();
    EXPECT_EQ(ids_of(setup).back(), 9);
    // Appending after an insertion still links at the end.
    station_with_id(setup, 10);
    EXPECT_EQ(ids_of(setup), (std::vector<int32_t>{1, 6, 4, 2, 3, 5, 9, 10}));
}

// The window asks the grid's facts which IDs are in use instead of passing over the stations: after
// inserts, erases and edits the facts must answer as the document does, the free ID above any source
// included (the facts find it from runs of IDs in use, which every change joins or splits).
TEST(StationDuplicate, TheFactsKnowTheSameIdsAsTheDocumentThroughInsertsAndErases) {
    std::mt19937 rng(91);
    Tsetup setup;
    Fleet_facts facts;
    facts.build(setup, nullptr);
    std::vector<Tstation*> stations;
    for (int step = 0; step < 400; ++step) {
        // Few IDs: many shared, some negative, runs that grow and break; now and then the ends of the range.
        const auto some_id = [&rng] {
            const int32_t edges[] = {INT32_MIN, INT32_MAX - 1, INT32_MAX};
            return rng() % 20 == 0 ? edges[rng() % 3] : static_cast<int32_t>(rng() % 50) - 5;
        };
        if (stations.empty() || rng() % 3 == 0) {
            auto* s = new Tstation;
            s->id = some_id();
            const size_t at = rng() % (stations.size() + 1);
            stations.insert(stations.begin() + static_cast<long>(at), s);
            facts.insert(at, *s);
        } else if (rng() % 2 == 0) { // an edit of the ID
            const size_t at = rng() % stations.size();
            stations[at]->id = some_id();
            facts.update(*stations[at], at);
        } else {
            const size_t at = rng() % stations.size();
            facts.erase({static_cast<int>(at)});
            delete stations[at];
            stations.erase(stations.begin() + static_cast<long>(at));
        }
        Tsetup document;
        for (Tstation* s : stations)
            document.stations.append(new Tstation(*s));
        const Station_ids from_document(document), from_facts(facts);
        for (int32_t id = -6; id <= 46; ++id)
            ASSERT_EQ(from_facts.in_use(id), from_document.in_use(id)) << "step " << step << " id " << id;
        ASSERT_EQ(from_facts.next_free(), from_document.next_free()) << "step " << step;
        for (int32_t above : {INT32_MIN, -7, -6, -1, 0, 3, 17, 44, 45, 46, INT32_MAX - 3, INT32_MAX - 2,
                              INT32_MAX - 1, INT32_MAX}) {
            int32_t a = 0, b = 0;
            ASSERT_EQ(from_facts.free_above(above, &a), from_document.free_above(above, &b))
                << "step " << step << " above " << above;
            ASSERT_EQ(a, b) << "step " << step << " above " << above;
        }
        for (int32_t above = -6; above <= 46; ++above) {
            int32_t a = 0, b = 0;
            ASSERT_TRUE(from_facts.free_above(above, &a));
            ASSERT_TRUE(from_document.free_above(above, &b));
            ASSERT_EQ(a, b) << "step " << step << " above " << above;
        }
    }
    for (Tstation* s : stations)
        delete s;
}
