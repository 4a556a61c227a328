// Sorting the station list: IDs as numbers, texts in natural order, ties in file order either way.
#include <gtest/gtest.h>

#include <cstdio>

#include "Fleet_text.h"
#include "Setup.h"
#include "Station_facts.h"
#include "Station_order.h"

namespace {

// A document of stations with these ids and descriptions, and its facts.
struct Fleet {
    Tsetup setup;
    Fleet_facts facts;
    Fleet(const std::vector<std::pair<int32_t, std::string>>& stations) {
        for (const auto& [id, description] : stations) {
            auto* s = new Tstation;
            s->id = id;
            std::snprintf(s->description, sizeof s->description, "%s", description.c_str());
            std::snprintf(s->phone_nbr, sizeof s->phone_nbr, "+41 %s", description.c_str());
            setup.stations.append(s);
        }
        facts.build(setup, nullptr);
    }
    std::vector<size_t> all() const {
        std::vector<size_t> v(facts.size());
        for (size_t i = 0; i < v.size(); ++i)
            v[i] = i;
        return v;
    }
};

} // namespace

TEST(NaturalOrder, DigitRunsCompareAsNumbers) {
    const char* const ordered[] = {"",      "a",     "st1",    "st2", "st02", "st10",
                                   "st10a", "st10b", "st011x", "stb", "t"};
    for (size_t i = 0; i < std::size(ordered); ++i)
        for (size_t j = 0; j < std::size(ordered); ++j) {
            const int c = natural_compare(ordered[i], ordered[j]);
            EXPECT_EQ(c < 0, i < j) << ordered[i] << " / " << ordered[j];
            EXPECT_EQ(c == 0, i == j) << ordered[i] << " / " << ordered[j];
        }
    // Runs longer than any integer type still compare by their digits.
    EXPECT_LT(natural_compare("x99999999999999999999999", "x100000000000000000000000"), 0);
}

TEST(StationOrder, ByIdAsNumbersAndTextsInNaturalOrder) {
    Fleet f({{10, "St10"}, {-3, "st2"}, {2, "ST1"}, {100, "st2"}});
    EXPECT_EQ(sorted_stations(f.facts, f.all(), Sort_key::ID), (std::vector<size_t>{1, 2, 0, 3}));
    EXPECT_EQ(sorted_stations(f.facts, f.all(), Sort_key::ID, true), (std::vector<size_t>{3, 0, 2, 1}));
    // Equal descriptions (1 and 3) stay in file order, descending too.
    EXPECT_EQ(sorted_stations(f.facts, f.all(), Sort_key::DESCRIPTION), (std::vector<size_t>{2, 1, 3, 0}));
    EXPECT_EQ(sorted_stations(f.facts, f.all(), Sort_key::DESCRIPTION, true),
              (std::vector<size_t>{0, 1, 3, 2}));
    EXPECT_EQ(sorted_stations(f.facts, f.all(), Sort_key::PHONE), (std::vector<size_t>{2, 1, 3, 0}));
    // Only the stations given are ordered.
    EXPECT_EQ(sorted_stations(f.facts, {3, 0}, Sort_key::ID), (std::vector<size_t>{0, 3}));
}

TEST(StationOrder, ByBytesAndProblemsWithTiesInFileOrder) {
    Fleet f({{1, "a"}, {2, "b"}, {3, "c"}});
    // Only the first station is configured; the others are spares of 0 bytes.
    Tstation* first = static_cast<Tstation*>(f.setup.stations.list.head()->item);
    first->configuration.add_tag_long(tag::ACQ_INTERVAL0, 900);
    f.facts.build(f.setup, nullptr);
    EXPECT_EQ(sorted_stations(f.facts, f.all(), Sort_key::BYTES), (std::vector<size_t>{1, 2, 0}));
    EXPECT_EQ(sorted_stations(f.facts, f.all(), Sort_key::BYTES, true), (std::vector<size_t>{0, 1, 2}));
    EXPECT_EQ(sorted_stations(f.facts, f.all(), Sort_key::PROBLEMS), (std::vector<size_t>{0, 1, 2}));
}

TEST(StationOrder, KeysByTheirColumnNames) {
    for (const char* name : {"id", "phone", "desc", "sms", "bytes", "problems"}) {
        Sort_key key = Sort_key::ID;
        ASSERT_TRUE(sort_key_of(name, &key)) << name;
        EXPECT_STREQ(sort_key_name(key), name);
    }
    Sort_key key = Sort_key::BYTES;
    EXPECT_FALSE(sort_key_of("description", &key));
    EXPECT_EQ(key, Sort_key::BYTES);
}
