// The facts of one station read again after its edit: the same as a build of the whole fleet, shared IDs
// and phone numbers included.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <random>

#include "Setup.h"
#include "Station_facts.h"
#include "Station_order.h"
#include "Station_query.h"
#include "Template_library.h"
#include "random_documents.h"

namespace {

Tstation* station_at(Tsetup& setup, size_t i) {
    return static_cast<Tstation*>(setup.stations.list.node_at(static_cast<int>(i))->item);
}

void add_station(Tsetup& setup, int32_t id, const char* phone, const char* pin = "") {
    auto* s = new Tstation;
    s->id = id;
    std::snprintf(s->phone_nbr, sizeof s->phone_nbr, "%s", phone);
    std::snprintf(s->pin, sizeof s->pin, "%s", pin);
    setup.stations.append(s);
}

// Every fact the list and the query read, station by station, with the controls' values.
void expect_same_facts(const Fleet_facts& a, const Fleet_facts& b, const std::vector<std::string>& controls,
                       const std::string& when) {
    ASSERT_EQ(a.size(), b.size()) << when;
    for (size_t i = 0; i < a.size(); ++i) {
        const Station_facts &x = a.at(i), &y = b.at(i);
        EXPECT_EQ(x.id, y.id) << when << ", station " << i;
        EXPECT_EQ(x.text, y.text) << when << ", station " << i;
        EXPECT_EQ(x.sms, y.sms) << when << ", station " << i;
        EXPECT_EQ(x.pin, y.pin) << when << ", station " << i;
        EXPECT_EQ(x.bytes, y.bytes) << when << ", station " << i;
        EXPECT_EQ(x.duplicate_id, y.duplicate_id) << when << ", station " << i;
        EXPECT_EQ(x.duplicate_phone, y.duplicate_phone) << when << ", station " << i;
        EXPECT_EQ(x.duplicate, y.duplicate) << when << ", station " << i;
        EXPECT_EQ(x.problems, y.problems) << when << ", station " << i;
        EXPECT_EQ(x.template_index, y.template_index) << when << ", station " << i;
        EXPECT_EQ(x.template_differs, y.template_differs) << when << ", station " << i;
        for (int p = 0; p < PAGE_COUNT; ++p)
            EXPECT_EQ(x.measured[p], y.measured[p]) << when << ", station " << i << " page " << p;
        for (const std::string& c : controls)
            EXPECT_EQ(a.control_value(a.control_column(c), i), b.control_value(b.control_column(c), i))
                << when << ", station " << i << ", " << c;
    }
}

} // namespace

TEST(FleetUpdate, SharedIdsAndPhoneNumbersAreMarkedApart) {
    Tsetup setup;
    add_station(setup, 7, "+1");
    add_station(setup, 8, "+2");
    add_station(setup, 7, "+3");
    add_station(setup, 9, "+2");
    add_station(setup, 10, "");
    add_station(setup, 11, "");
    Fleet_facts facts;
    facts.build(setup, nullptr);
    const bool ids[] = {true, false, true, false, false, false};
    const bool phones[] = {false, true, false, true, false, false};
    for (size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(facts.at(i).duplicate_id, ids[i]) << i;
        EXPECT_EQ(facts.at(i).duplicate_phone, phones[i]) << i;
        EXPECT_EQ(facts.at(i).duplicate, ids[i] || phones[i]) << i;
    }
}

TEST(FleetUpdate, AnEditFreesTheOldIdAndSharesTheNewOne) {
    Tsetup setup;
    add_station(setup, 7, "+1");
    add_station(setup, 7, "+2");
    add_station(setup, 9, "+3");
    Fleet_facts facts;
    facts.build(setup, nullptr);
    // Station 2 takes station 3's id and station 1's phone number: 1 keeps a mark (by phone), 3 gets one.
    Tstation* second = station_at(setup, 1);
    second->id = 9;
    std::snprintf(second->phone_nbr, sizeof second->phone_nbr, "+1");
    facts.update(*second, 1);
    EXPECT_FALSE(facts.at(0).duplicate_id);
    EXPECT_TRUE(facts.at(0).duplicate_phone);
    EXPECT_TRUE(facts.at(1).duplicate_id && facts.at(1).duplicate_phone);
    EXPECT_TRUE(facts.at(2).duplicate_id);
    EXPECT_FALSE(facts.at(2).duplicate_phone);
    // A position past the end changes nothing.
    facts.update(*second, 3);
    EXPECT_EQ(facts.size(), 3u);
}

TEST(FleetUpdate, RandomEditsGiveWhatABuildGives) {
    std::mt19937 rng(20261215);
    const std::vector<std::string> controls = {"ed_acq_interval0", "cbb_s_1"};
    int updates = 0;
    for (int round = 0; round < 40; ++round) {
        Tsetup setup;
        random_document(rng, setup);
        const size_t n = static_cast<size_t>(setup.stations.list.count());
        if (n == 0) continue;
        // Few ids and phone numbers, so that edits make and break shared ones.
        for (size_t i = 0; i < n; ++i) {
            Tstation* s = station_at(setup, i);
            s->id = static_cast<int32_t>(rng() % 3);
            std::snprintf(s->phone_nbr, sizeof s->phone_nbr, "%s",
                          rng() % 3 == 0 ? ""
                          : rng() % 2    ? "+A"
                                         : "+b");
        }
        Fleet_facts facts;
        facts.build(setup, nullptr, controls);
        for (int edit = 0; edit < 5; ++edit) {
            const size_t i = rng() % n;
            Tstation* s = station_at(setup, i);
            s->id = static_cast<int32_t>(rng() % 3);
            std::snprintf(s->phone_nbr, sizeof s->phone_nbr, "%s", rng() % 2 ? "+a" : "+B");
            std::snprintf(s->pin, sizeof s->pin, "%u", static_cast<unsigned>(rng() % 10000));
            s->configuration.clear();
            random_image(rng, *s);
            facts.update(*s, i);
            Fleet_facts built;
            built.build(setup, nullptr, controls);
            expect_same_facts(facts, built, controls,
                              "round " + std::to_string(round) + " edit " + std::to_string(edit));
            ++updates;
        }
    }
    EXPECT_GT(updates, 100);
}

TEST(FleetUpdate, PinCodesSortInNaturalOrder) {
    Tsetup setup;
    add_station(setup, 1, "", "12");
    add_station(setup, 2, "", "9");
    add_station(setup, 3, "", "");
    add_station(setup, 4, "", "9");
    Fleet_facts facts;
    facts.build(setup, nullptr);
    EXPECT_EQ(sorted_stations(facts, {0, 1, 2, 3}, Sort_key::PIN), (std::vector<size_t>{2, 1, 3, 0}));
    EXPECT_EQ(sorted_stations(facts, {0, 1, 2, 3}, Sort_key::PIN, true), (std::vector<size_t>{0, 1, 3, 2}));
    // The command line names no PIN key: it prints no PIN.
    Sort_key key = Sort_key::ID;
    EXPECT_FALSE(sort_key_of("pin", &key));
    EXPECT_STREQ(sort_key_name(Sort_key::PIN), "pin");
}

TEST(Fleet_channels, ReadOnlyWhenAskedAndThenTheSameAsAFullBuild) {
    // Without channels a build skips the costly opening of each station; added later, or kept on through
    // an update, they are what a full build reads.
    Tsetup setup;
    std::string reason;
    ASSERT_EQ(setup.read_file(VEMORA_EXAMPLES "/setup.xml", &reason), 0) << reason;
    Fleet_facts full;
    full.build(setup, nullptr);
    ASSERT_TRUE(full.has_channels());
    Station_query uses;
    ASSERT_TRUE(uses.parse("uses:161", &reason)) << reason;
    EXPECT_TRUE(uses.names_channels());
    const std::vector<size_t> expected = filter_stations(uses, full);
    ASSERT_FALSE(expected.empty());

    Fleet_facts lazy;
    lazy.set_reading_channels(false);
    lazy.build(setup, nullptr);
    EXPECT_FALSE(lazy.has_channels());
    EXPECT_TRUE(filter_stations(uses, lazy).empty()); // nothing read: nothing claimed
    Station_query words;
    ASSERT_TRUE(words.parse("boudry -spare", &reason)) << reason;
    EXPECT_FALSE(words.names_channels());
    EXPECT_EQ(filter_stations(words, lazy), filter_stations(words, full));
    lazy.add_channels(setup);
    EXPECT_TRUE(lazy.has_channels());
    EXPECT_EQ(filter_stations(uses, lazy), expected);
    for (size_t i = 0; i < full.size(); ++i)
        for (int p = 0; p < PAGE_COUNT; ++p)
            EXPECT_EQ(lazy.at(i).measured[p], full.at(i).measured[p]) << i << " page " << p;
    // An update of a fleet read without channels reads none for that station either.
    Fleet_facts plain;
    plain.set_reading_channels(false);
    plain.build(setup, nullptr);
    plain.update(*static_cast<Tstation*>(setup.stations.list.node_at(0)->item), 0);
    EXPECT_FALSE(plain.has_channels());
    EXPECT_EQ(plain.at(0).measured[0], 0u);
}

TEST(Fleet_channels, ReadInSlicesWithAnEditBetweenTheyEqualAFullBuild) {
    Tsetup setup;
    std::string reason;
    ASSERT_EQ(setup.read_file(VEMORA_EXAMPLES "/setup.xml", &reason), 0) << reason;
    std::vector<Tstation*> stations;
    for_each_item<Tstation>(setup.stations.list, [&stations](Tstation& s) { stations.push_back(&s); });
    ASSERT_GE(stations.size(), 4u);
    Fleet_facts sliced;
    sliced.set_reading_channels(false);
    sliced.build(setup, nullptr);
    EXPECT_FALSE(sliced.add_channels_of(stations, 2));
    // An edit of a station already read and of one not read yet, between two slices.
    Fleet_facts full;
    full.build(setup, nullptr);
    const Fleet_facts before = full;
    std::snprintf(stations[0]->description, sizeof stations[0]->description, "changed first");
    std::snprintf(stations[3]->description, sizeof stations[3]->description, "changed fourth");
    sliced.update(*stations[0], 0);
    sliced.update(*stations[3], 3);
    EXPECT_FALSE(sliced.has_channels());
    EXPECT_TRUE(sliced.add_channels_of(stations, 100));
    full.build(setup, nullptr);
    ASSERT_EQ(sliced.size(), full.size());
    for (size_t i = 0; i < full.size(); ++i) {
        EXPECT_EQ(sliced.at(i).text, full.at(i).text) << i;
        for (int p = 0; p < PAGE_COUNT; ++p)
            EXPECT_EQ(sliced.at(i).measured[p], full.at(i).measured[p]) << i << " page " << p;
    }
    EXPECT_NE(before.at(0).text, full.at(0).text); // the edits were seen
}

namespace {

std::vector<Tstation*> stations_of(Tsetup& setup) {
    std::vector<Tstation*> out;
    for_each_item<Tstation>(setup.stations.list, [&out](Tstation& s) { out.push_back(&s); });
    return out;
}

// Few IDs and phone numbers, so that inserts, erases and edits make and break shared ones.
void crowd(std::mt19937& rng, Tstation& s) {
    s.id = static_cast<int32_t>(rng() % 4);
    static const char* const phones[] = {"", "+A", "+a", "+b"};
    std::snprintf(s.phone_nbr, sizeof s.phone_nbr, "%s", phones[rng() % 4]);
}

struct Marks {
    bool id, phone;
    bool operator!=(const Marks& o) const { return id != o.id || phone != o.phone; }
};

std::map<const Tstation*, Marks> marks_of(const Fleet_facts& facts, const std::vector<Tstation*>& stations) {
    std::map<const Tstation*, Marks> out;
    for (size_t i = 0; i < stations.size(); ++i)
        out[stations[i]] = {facts.at(i).duplicate_id, facts.at(i).duplicate_phone};
    return out;
}

} // namespace

TEST(FleetUpdate, InsertsErasesAndEditsInAnyOrderGiveWhatABuildGives) {
    Tsetup example;
    std::string reason;
    ASSERT_EQ(example.read_file(VEMORA_EXAMPLES "/setup.xml", &reason), 0) << reason;
    const std::vector<Tstation*> models = stations_of(example);
    ASSERT_GE(models.size(), 3u);
    Template_library library;
    ASSERT_TRUE(library.put(*models[0], "first", &reason)) << reason;
    ASSERT_TRUE(library.put(*models[1], "second", &reason)) << reason;
    const std::vector<std::string> controls = {"ed_acq_interval0", "cbb_s_1"};

    std::mt19937 rng(20261216);
    int turned = 0; // marks of other stations that an operation changed
    for (int round = 0; round < 16; ++round) {
        Tsetup setup;
        for (int i = 0; i < 8; ++i) {
            auto* s = new Tstation(rng() % 2 ? *models[rng() % models.size()] : random_station(rng));
            crowd(rng, *s);
            setup.stations.append(s);
        }
        // Every other round the channels are read a slice at a time between the operations, as the window
        // reads them while it waits for the user.
        const bool sliced = round % 2 == 1;
        Fleet_facts facts;
        facts.set_reading_channels(!sliced);
        facts.build(setup, nullptr, controls, &library);
        for (int op = 0; op < 25; ++op) {
            std::vector<Tstation*> stations = stations_of(setup);
            const auto before = marks_of(facts, stations);
            const int n = static_cast<int>(stations.size());
            const int what = static_cast<int>(rng() % 3);
            const Tstation* own = nullptr;
            std::string when = "round " + std::to_string(round) + ", op " + std::to_string(op);
            if (what == 0 || n < 2) {
                auto* s = new Tstation(rng() % 2 ? *models[rng() % models.size()] : random_station(rng));
                crowd(rng, *s);
                s->reading_notes = static_cast<int>(rng() % 3);
                int at = static_cast<int>(rng() % static_cast<unsigned>(n + 1));
                void* item = s;
                ASSERT_TRUE(setup.stations.list.insert_at(&at, &item, 1));
                facts.insert(static_cast<size_t>(at), *s);
                own = s;
                when += ", insert at " + std::to_string(at);
            } else if (what == 1) {
                std::vector<int> at;
                for (int i = 0; i < n; ++i)
                    if (rng() % 4 == 0) at.push_back(i);
                if (at.empty()) at.push_back(static_cast<int>(rng() % static_cast<unsigned>(n)));
                std::vector<void*> items(at.size());
                ASSERT_TRUE(
                    setup.stations.list.unlink_at(at.data(), items.data(), static_cast<int>(at.size())));
                facts.erase(at);
                for (void* item : items)
                    delete static_cast<Tstation*>(item);
                when += ", erase " + std::to_string(at.size());
            } else {
                const size_t at = rng() % static_cast<size_t>(n);
                if (rng() % 2) *stations[at] = *models[rng() % models.size()];
                crowd(rng, *stations[at]);
                facts.update(*stations[at], at);
                own = stations[at];
                when += ", update " + std::to_string(at);
            }
            stations = stations_of(setup);
            if (sliced) facts.add_channels_of(stations, 3);
            // Every station whose marks changed, other than the one inserted or edited, is told.
            for (size_t i = 0; i < stations.size(); ++i) {
                const auto was = before.find(stations[i]);
                if (stations[i] == own || was == before.end()) continue;
                const Marks now{facts.at(i).duplicate_id, facts.at(i).duplicate_phone};
                if (!(now != was->second)) continue;
                ++turned;
                const std::vector<size_t>& told = facts.marks_changed();
                EXPECT_NE(std::find(told.begin(), told.end(), i), told.end()) << when << ", station " << i;
            }
            if (sliced) {
                Fleet_facts whole = facts; // the rest of the channels read, on a copy
                whole.add_channels_of(stations, stations.size());
                Fleet_facts fresh;
                fresh.build(setup, nullptr, controls, &library);
                expect_same_facts(whole, fresh, controls, when);
            } else {
                Fleet_facts fresh;
                fresh.build(setup, nullptr, controls, &library);
                expect_same_facts(facts, fresh, controls, when);
            }
            if (HasFailure()) return;
        }
    }
    EXPECT_GT(turned, 20); // the marks of others did turn, often
}
