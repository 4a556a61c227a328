// Station templates: the library file (missing, broken, saved and read back, names replaced or borne
// twice), the template made from a station, the nearest template of a station and its count of
// differing settings, and the changes that apply a template's pages.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <random>
#include <set>

#include "Bulk_edit.h"
#include "Compare.h"
#include "Lib_trace.h"
#include "Setup.h"
#include "Template_library.h"
#include "random_documents.h"
#include "temp_dir.h"

namespace {

const std::string example = VEMORA_EXAMPLES "/setup.xml";

void read_example(Tsetup& setup) {
    Trace_capture quiet;
    ASSERT_EQ(setup.read_file(example.c_str()), 0);
}

std::vector<const Tstation*> stations_of(Tsetup& setup) {
    std::vector<const Tstation*> out;
    for_each_item<Tstation>(setup.stations.list, [&](Tstation& s) { out.push_back(&s); });
    return out;
}

std::string written(const Tstation& s) {
    std::string text;
    {
        Text_out out(&text);
        s.write(&out);
    }
    return text;
}

// What the Compare window says of a station and a template: equal, or how many settings differ.
int compare_count(const Tstation& station, const Tstation& t) {
    Compare_options options;
    options.ignore_identity = true;
    const Station_comparison c = compare_stations(station, t, options);
    if (c.equal) return 0;
    return std::max<int>(1, static_cast<int>(c.rows.size()));
}

// Restores an environment variable when the test ends.
class Saved_env {
  public:
    explicit Saved_env(const char* name) : name_(name) {
        const char* value = std::getenv(name);
        had_ = value != nullptr;
        if (had_) value_ = value;
    }
    ~Saved_env() {
        if (had_)
            setenv(name_, value_.c_str(), 1);
        else
            unsetenv(name_);
    }

  private:
    const char* name_;
    bool had_ = false;
    std::string value_;
};

} // namespace

TEST(TemplateLibraryFile, AMissingFileIsAnEmptyLibraryAndASavedOneReadsBackTheSame) {
    Temp_dir dir;
    const std::string path = dir.file("templates.xml");
    Template_library library;
    std::string problem;
    bool missing = false;
    ASSERT_TRUE(library.read(path, &problem, &missing)) << problem;
    EXPECT_TRUE(missing);
    EXPECT_EQ(library.size(), 0u);

    Tsetup setup;
    read_example(setup);
    const auto stations = stations_of(setup);
    ASSERT_TRUE(library.put(*stations[0], "Karst 15/2", &problem)) << problem;
    ASSERT_TRUE(library.put(*stations[2], "Piezo \xe9t\xe9", &problem))
        << problem; // 8-bit, as descriptions are
    ASSERT_TRUE(library.write(path, &problem)) << problem;

    Template_library again;
    ASSERT_TRUE(again.read(path, &problem, &missing)) << problem;
    EXPECT_FALSE(missing);
    ASSERT_EQ(again.size(), 2u);
    EXPECT_EQ(again.name(0), "Karst 15/2");
    EXPECT_EQ(again.name(1), "Piezo \xe9t\xe9");
    for (size_t i = 0; i < 2; ++i)
        EXPECT_EQ(written(again.at(i)), written(library.at(i))) << "template " << i;
    // The library is an ordinary setup file: File > New's paths and ports, then the templates.
    Tsetup plain;
    Trace_capture quiet;
    ASSERT_EQ(plain.read_file(path.c_str()), 0);
    EXPECT_EQ(plain.stations.list.count(), 2);
    EXPECT_EQ(plain.comports.list.count(), 2);
}

TEST(TemplateLibraryFile, ABrokenFileIsAnErrorThatNamesItAndLeavesTheLibraryAsItWas) {
    Temp_dir dir;
    Tsetup setup;
    read_example(setup);
    Template_library library;
    std::string problem;
    ASSERT_TRUE(library.read(dir.file("none.xml"), &problem));
    ASSERT_TRUE(library.put(*stations_of(setup)[0], "Karst", &problem));

    const std::string broken = dir.write("broken.xml", "<SETUP><STATIONS><STATION id=\"1\"");
    EXPECT_FALSE(library.read(broken, &problem));
    EXPECT_NE(problem.find("cannot read the template library \"" + broken + "\": "), std::string::npos)
        << problem;
    ASSERT_EQ(library.size(), 1u);
    EXPECT_EQ(library.name(0), "Karst");

    // A folder is no file: an error too, not an empty library.
    EXPECT_FALSE(library.read(dir.path().string(), &problem));
    // A library in a folder that does not exist is not made there.
    const std::string nowhere = dir.file("no-folder/templates.xml");
    EXPECT_FALSE(library.write(nowhere, &problem));
    EXPECT_NE(problem.find("cannot write the template library"), std::string::npos) << problem;
}

TEST(TemplateLibraryNames, ASaveReplacesTheTemplateOfTheSameNameAndAddsOthersAtTheEnd) {
    Tsetup setup;
    read_example(setup);
    const auto stations = stations_of(setup);
    Template_library library;
    std::string problem;
    bool replaced = true;
    ASSERT_TRUE(library.put(*stations[0], "A", &problem, &replaced));
    EXPECT_FALSE(replaced);
    ASSERT_TRUE(library.put(*stations[2], "B", &problem, &replaced));
    ASSERT_TRUE(library.put(*stations[1], "A", &problem, &replaced));
    EXPECT_TRUE(replaced);
    ASSERT_EQ(library.size(), 2u);
    EXPECT_EQ(library.find("A", &problem), 0);
    EXPECT_EQ(library.find("B", &problem), 1);
    // A's configuration is now station 2's.
    EXPECT_EQ(written(library.at(0)), written(*make_template(*stations[1], "A")));
    EXPECT_NE(written(library.at(0)), written(*make_template(*stations[0], "A")));
}

TEST(TemplateLibraryNames, ANameBorneTwiceIsRefusedWithBothPositionsAndBadNamesChangeNothing) {
    Temp_dir dir;
    Tsetup setup;
    read_example(setup);
    const auto stations = stations_of(setup);
    // Two templates of one name, as a hand-edited library can have.
    Tsetup file;
    file.set_defaults();
    file.stations.append(make_template(*stations[0], "Karst").release());
    file.stations.append(make_template(*stations[1], "Other").release());
    file.stations.append(make_template(*stations[2], "Karst").release());
    const std::string path = dir.file("twice.xml");
    ASSERT_EQ(file.write_file(path.c_str()), 0);

    Template_library library;
    std::string problem;
    ASSERT_TRUE(library.read(path, &problem)) << problem;
    EXPECT_EQ(library.find("Karst", &problem), -1);
    EXPECT_EQ(problem, "templates 1 and 3 are both called \"Karst\"; rename one in the library");
    EXPECT_FALSE(library.put(*stations[3], "Karst", &problem));
    EXPECT_EQ(problem, "templates 1 and 3 are both called \"Karst\"; rename one in the library");
    EXPECT_EQ(library.find("karst", &problem), -1) << "names are compared as they stand";
    EXPECT_EQ(problem, "the library has no template \"karst\"");

    EXPECT_FALSE(library.put(*stations[3], "", &problem));
    EXPECT_EQ(problem, "a template needs a name");
    EXPECT_FALSE(library.put(*stations[3], std::string(256, 'n'), &problem));
    EXPECT_EQ(problem, "the name has 256 characters; a template's name holds at most 255");
    EXPECT_TRUE(library.put(*stations[3], std::string(255, 'n'), &problem)) << problem;
    EXPECT_EQ(library.size(), 4u);
}

TEST(TemplateLibraryNames, ATemplateHasNoIdentityAndReadsBackAsItWasMade) {
    Temp_dir dir;
    Tsetup setup;
    read_example(setup);
    const Tstation& station = *stations_of(setup)[0];
    ASSERT_NE(station.id, 0);
    ASSERT_NE(std::string(station.pin), "");
    const std::unique_ptr<Tstation> t = make_template(station, "Karst 15/2");
    EXPECT_EQ(t->id, 0);
    EXPECT_STREQ(t->phone_nbr, "");
    EXPECT_STREQ(t->pin, "");
    EXPECT_STREQ(t->description, "Karst 15/2");
    EXPECT_STREQ(t->display_type, station.display_type);
    int32_t id = -5;
    if (t->configuration.get_tag_long(tag::STATION_ID, &id)) {
        EXPECT_EQ(id, 0) << "the STATION_ID record as reading the library back gives it";
    }
    // Saved and read again, the template is the same record: nothing of the station's identity stays
    // behind in its configuration.
    Template_library library;
    std::string problem;
    ASSERT_TRUE(library.read(dir.file("l.xml"), &problem));
    ASSERT_TRUE(library.put(station, "Karst 15/2", &problem));
    ASSERT_TRUE(library.write(dir.file("l.xml"), &problem));
    Template_library again;
    ASSERT_TRUE(again.read(dir.file("l.xml"), &problem));
    EXPECT_EQ(written(again.at(0)), written(*t));
    EXPECT_EQ(std::memcmp(again.at(0).configuration.data(), t->configuration.data(), IMAGE_SIZE), 0);
}

TEST(TemplateLibraryFile, TheDefaultLibraryIsInTheUsersConfigurationFolder) {
    Saved_env xdg("XDG_CONFIG_HOME"), home("HOME");
    setenv("HOME", "/home/ana", 1);
    unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(default_library_path(), "/home/ana/.config/vemora/templates.xml");
    setenv("XDG_CONFIG_HOME", "/srv/conf", 1);
    EXPECT_EQ(default_library_path(), "/srv/conf/vemora/templates.xml");
    setenv("XDG_CONFIG_HOME", "relative/conf", 1); // not absolute: ignored
    EXPECT_EQ(default_library_path(), "/home/ana/.config/vemora/templates.xml");
    unsetenv("XDG_CONFIG_HOME");
    unsetenv("HOME");
    EXPECT_EQ(default_library_path(), "");

    // Saving the default library makes its folder; any other folder is left to the user.
    Temp_dir dir;
    setenv("XDG_CONFIG_HOME", dir.path().c_str(), 1);
    Tsetup setup;
    read_example(setup);
    Template_library library;
    std::string problem;
    ASSERT_TRUE(library.read(default_library_path(), &problem));
    ASSERT_TRUE(library.put(*stations_of(setup)[0], "Karst", &problem));
    ASSERT_TRUE(library.write(default_library_path(), &problem)) << problem;
    EXPECT_TRUE(std::filesystem::exists(dir.file("vemora/templates.xml")));
}

TEST(TemplateMatch, EachStationOfTheExampleFollowsItsNearestTemplateCountedAsCompareCounts) {
    Tsetup setup;
    read_example(setup);
    const auto stations = stations_of(setup);
    ASSERT_EQ(stations.size(), 5u);
    Template_library library;
    std::string problem;
    ASSERT_TRUE(library.put(*stations[0], "Karst", &problem));
    ASSERT_TRUE(library.put(*stations[2], "Piezo", &problem));
    ASSERT_TRUE(library.put(*stations[4], "Empty", &problem)); // a spare: never anyone's template
    Template_matcher matcher(library);

    // A station equals the template made of it, whatever its ID, phone number, PIN and description.
    EXPECT_EQ(matcher.match(*stations[0]).index, 0);
    EXPECT_EQ(matcher.match(*stations[0]).differs, 0);
    EXPECT_EQ(matcher.match(*stations[2]).index, 1);
    EXPECT_EQ(matcher.match(*stations[2]).differs, 0);
    for (const size_t s : {1u, 3u}) {
        const Template_match m = matcher.match(*stations[s]);
        ASSERT_GE(m.index, 0);
        const int to_karst = compare_count(*stations[s], library.at(0));
        const int to_piezo = compare_count(*stations[s], library.at(1));
        EXPECT_EQ(m.differs, std::min(to_karst, to_piezo)) << "station " << s + 1;
        EXPECT_EQ(m.index, to_karst <= to_piezo ? 0 : 1) << "station " << s + 1;
        EXPECT_GT(m.differs, 0);
    }
    EXPECT_EQ(matcher.match(*stations[4]).index, -1) << "a spare station follows no template";
    EXPECT_EQ(template_text("Karst", {0, 0}), "Karst");
    EXPECT_EQ(template_text("Karst", {0, 3}), "Karst +3");
    EXPECT_EQ(template_text("Karst", {-1, 0}), "");
}

TEST(TemplateMatch, AmongEquallyNearTemplatesTheFirstInTheLibraryWins) {
    Tsetup setup;
    read_example(setup);
    const auto stations = stations_of(setup);
    Template_library library;
    std::string problem;
    ASSERT_TRUE(library.put(*stations[2], "Piezo", &problem));
    ASSERT_TRUE(library.put(*stations[0], "Karst", &problem));
    ASSERT_TRUE(library.put(*stations[0], "Karst again", &problem));
    Template_matcher matcher(library);
    EXPECT_EQ(matcher.match(*stations[0]).index, 1);
    const Template_match near = matcher.match(*stations[1]);
    EXPECT_NE(near.index, 2) << "the second of two equal templates is never the nearest";
}

TEST(TemplateMatchProperty, TheCountIsCompareCountAndTheNearestHasTheFewest) {
    std::mt19937 rng(20240917);
    int matched = 0, equal_seen = 0;
    for (int round = 0; round < 60; ++round) {
        Tsetup fleet, templates;
        random_document(rng, fleet);
        random_document(rng, templates);
        Template_library library;
        std::string problem;
        for (const Tstation* t : stations_of(templates))
            ASSERT_TRUE(library.put(*t, "t" + std::to_string(library.size()), &problem)) << problem;
        // Now and then a template equal to a station of the fleet but for its identity.
        const auto stations = stations_of(fleet);
        if (!stations.empty() && rng() % 2 == 0) {
            ASSERT_TRUE(library.put(*stations[rng() % stations.size()], "copy", &problem));
        }
        Template_matcher matcher(library);
        for (const Tstation* s : stations) {
            const Template_match m = matcher.match(*s);
            if (is_spare(*s)) {
                EXPECT_EQ(m.index, -1);
                continue;
            }
            int best = -1, fewest = 0;
            for (size_t t = 0; t < library.size(); ++t) {
                if (is_spare(library.at(t))) continue;
                const int count = compare_count(*s, library.at(t));
                if (best < 0 || count < fewest) {
                    best = static_cast<int>(t);
                    fewest = count;
                }
            }
            ASSERT_EQ(m.index, best) << "round " << round;
            ASSERT_EQ(m.differs, fewest) << "round " << round;
            equal_seen += m.index >= 0 && m.differs == 0;
            ++matched;
        }
    }
    EXPECT_GT(matched, 50);
    EXPECT_GT(equal_seen, 5);
}

TEST(TemplateChanges, EachPageGivesItsOwnControlsAndNoneOfTheStationsIdentity) {
    Tsetup setup;
    read_example(setup);
    const Tstation& t = *stations_of(setup)[0];
    const Form_model form;
    const std::vector<Control_change> sms = template_changes(t, PAGE_SMS);
    ASSERT_EQ(sms.size(), 1u);
    EXPECT_EQ(sms[0].name, "ed_sms");
    EXPECT_EQ(sms[0].value, "+41797654321");

    const std::vector<Control_change> gsm = template_changes(t, PAGE_GSM);
    std::set<std::string> gsm_names;
    for (const Control_change& c : gsm)
        gsm_names.insert(c.name);
    EXPECT_EQ(gsm_names, (std::set<std::string>{"ed_gsm_interval", "ed_gsm_duration"}));

    std::set<std::string> seen;
    size_t total = 0;
    for (const unsigned page : {PAGE_GSM, PAGE_ACQ, PAGE_SLOW, PAGE_FAST, PAGE_REMOTE, PAGE_SMS}) {
        for (const Control_change& c : template_changes(t, page)) {
            EXPECT_TRUE(seen.insert(c.name).second) << c.name << " on two pages";
            EXPECT_FALSE(is_identity_control(form, form.find(c.name))) << c.name;
            ++total;
        }
    }
    const std::vector<Control_change> all = template_changes(t, ALL_TEMPLATE_PAGES);
    EXPECT_EQ(all.size(), total);
    EXPECT_EQ(all.size(), form.controls().size() - 4) << "every control but ID, phone, PIN and description";
    // A box comes before the list and the edit it enables.
    const auto at = [&](const std::string& name) {
        return std::find_if(all.begin(), all.end(), [&](const Control_change& c) { return c.name == name; }) -
               all.begin();
    };
    const Page_controls& slow = form.page(0);
    EXPECT_LT(at(form.at(slow.check[0]).name), at(form.at(slow.compare[0]).name));
    EXPECT_LT(at(form.at(slow.compare[0]).name), at(form.at(slow.threshold[0]).name));

    unsigned pages = 0;
    std::string problem;
    ASSERT_TRUE(parse_template_pages("slow,sms", &pages, &problem));
    EXPECT_EQ(pages, PAGE_SLOW | PAGE_SMS);
    ASSERT_TRUE(parse_template_pages("all", &pages, &problem));
    EXPECT_EQ(pages, static_cast<unsigned>(ALL_TEMPLATE_PAGES));
    EXPECT_FALSE(parse_template_pages("slow,,sms", &pages, &problem));
    EXPECT_NE(problem.find("an empty page"), std::string::npos) << problem;
    EXPECT_FALSE(parse_template_pages("General", &pages, &problem));
    EXPECT_NE(problem.find("\"General\""), std::string::npos) << problem;
}

TEST(TemplateChanges, EveryPageAppliedMakesAStationEqualToTheTemplate) {
    Tsetup setup;
    read_example(setup);
    const auto stations = stations_of(setup);
    Template_library library;
    std::string problem;
    ASSERT_TRUE(library.put(*stations[0], "Karst", &problem));
    Template_matcher matcher(library);
    ASSERT_GT(matcher.match(*stations[1]).differs, 0);

    const Bulk_plan slow_only = plan_bulk_edit(setup, {1}, template_changes(library.at(0), PAGE_SLOW));
    ASSERT_FALSE(slow_only.refused());
    ASSERT_EQ(slow_only.after.size(), 1u);
    const Template_match partly = matcher.match(slow_only.after[0]);
    EXPECT_EQ(partly.index, 0);
    EXPECT_GT(partly.differs, 0) << "the other pages still differ";
    EXPECT_LT(partly.differs, matcher.match(*stations[1]).differs);

    const Bulk_plan plan = plan_bulk_edit(setup, {1}, template_changes(library.at(0), ALL_TEMPLATE_PAGES));
    ASSERT_FALSE(plan.refused());
    ASSERT_EQ(plan.after.size(), 1u);
    EXPECT_EQ(matcher.match(plan.after[0]).differs, 0);
    EXPECT_EQ(plan.after[0].id, stations[1]->id) << "the station keeps its identity";
    EXPECT_STREQ(plan.after[0].description, stations[1]->description);
}
