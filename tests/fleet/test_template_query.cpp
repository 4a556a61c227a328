// The query's template terms: template:NAME (the station's template, equal or nearest) and drift, with a
// library and without one, and the column's text, kept right after one station's edit.
#include <gtest/gtest.h>

#include "Bulk_edit.h"
#include "Lib_trace.h"
#include "Setup.h"
#include "Station_facts.h"
#include "Station_query.h"
#include "Template_library.h"

namespace {

const std::string example = VEMORA_EXAMPLES "/setup.xml";

// The example with a library of two templates: station 1's as "Karst 15/2", station 3's as "Piezo".
struct Templated_fleet {
    Tsetup setup;
    Template_library library;
    Fleet_facts facts;

    Templated_fleet() {
        Trace_capture quiet;
        if (setup.read_file(example.c_str()) != 0) ADD_FAILURE() << "cannot read the example";
        std::vector<Tstation*> s;
        for_each_item<Tstation>(setup.stations.list, [&](Tstation& t) { s.push_back(&t); });
        std::string problem;
        if (!library.put(*s[0], "Karst 15/2", &problem) || !library.put(*s[2], "Piezo", &problem))
            ADD_FAILURE() << problem;
    }

    // Positions from 1 of the stations the query matches, the facts built with or without the library.
    std::vector<int> matching(const std::string& text, bool with_library = true) {
        Station_query q;
        std::string error;
        if (!q.parse(text, &error)) {
            ADD_FAILURE() << text << ": " << error;
            return {-1};
        }
        facts.build(setup, nullptr, q.controls(), with_library ? &library : nullptr);
        std::vector<int> out;
        for (size_t i : filter_stations(q, facts))
            out.push_back(static_cast<int>(i) + 1);
        return out;
    }
};

using Positions = std::vector<int>;

} // namespace

TEST(TemplateQuery, TheTermsParseIntoTheirOwnNodes) {
    const struct {
        const char* query;
        const char* tree;
    } cases[] = {
        {"template:\"Karst 15/2\"", "(template \"karst 15/2\")"},
        {"template:karst*", "(template \"karst*\")"},
        {"drift", "drift"},
        {"-drift template:piezo", "(and (not drift) (template \"piezo\"))"},
        {"\"drift\"", "(word \"drift\")"}, // in quotes it is a word to look for
    };
    for (const auto& c : cases) {
        Station_query q;
        std::string error;
        ASSERT_TRUE(q.parse(c.query, &error)) << c.query << ": " << error;
        EXPECT_EQ(q.tree_text(), c.tree) << c.query;
        EXPECT_EQ(q.uses_templates(), std::string(c.query) != "\"drift\"") << c.query;
    }
    Station_query q;
    std::string error;
    EXPECT_FALSE(q.parse("template:", &error));
    EXPECT_EQ(error, "template: needs a value at character 1");
}

TEST(TemplateQuery, StationsByTheirTemplateAndTheirDrift) {
    Templated_fleet f;
    const struct {
        const char* query;
        Positions stations;
    } cases[] = {
        {"template:\"Karst 15/2\"", {1, 2}}, // station 1 equals it; station 2 is nearest to it
        {"template:\"karst 15/2\" -drift", {1}},
        {"template:\"Karst 15/2\" drift", {2}},
        {"template:piezo", {3, 4}},
        {"template:*", {1, 2, 3, 4}}, // the spare station 5 follows no template
        {"drift", {2, 4}},
        {"-drift", {1, 3, 5}},
        {"template:Karst", {}}, // a name is whole, unless a glob says otherwise
        {"template:Karst*", {1, 2}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(f.matching(c.query), c.stations) << c.query;
    EXPECT_EQ(f.facts.template_column(0), "Karst 15/2");
    EXPECT_EQ(f.facts.template_column(4), "");
    const std::string second = f.facts.template_column(1);
    EXPECT_EQ(second.rfind("Karst 15/2 +", 0), 0u) << second;
}

TEST(TemplateQuery, WithoutALibraryTheTermsMatchNoStation) {
    Templated_fleet f;
    EXPECT_EQ(f.matching("template:*", false), Positions{});
    EXPECT_EQ(f.matching("drift", false), Positions{});
    EXPECT_EQ(f.matching("-drift", false), (Positions{1, 2, 3, 4, 5}));
    EXPECT_FALSE(f.facts.has_library());
    EXPECT_EQ(f.facts.template_column(0), "");
}

TEST(TemplateQuery, AStationEditedIsMatchedAgainByTheUpdate) {
    Templated_fleet f;
    ASSERT_EQ(f.matching("drift"), (Positions{2, 4}));
    // Station 2 made equal to its template, as Apply Template does: only its facts are read again.
    const Bulk_plan plan =
        plan_bulk_edit(f.setup, {1}, template_changes(f.library.at(0), ALL_TEMPLATE_PAGES));
    ASSERT_EQ(plan.after.size(), 1u);
    f.facts.update(plan.after[0], 1);
    Station_query drift;
    std::string error;
    ASSERT_TRUE(drift.parse("drift", &error));
    EXPECT_EQ(filter_stations(drift, f.facts), (std::vector<size_t>{3}));
    EXPECT_EQ(f.facts.template_column(1), "Karst 15/2");
}
