// vemora-cli template: list, save, apply and drift with their exits and messages, list's template column
// and terms, and applying a template to a selection giving the bytes of `edit` station by station.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <sstream>

#include "Bulk_edit.h"
#include "Lib_trace.h"
#include "Setup.h"
#include "Template_library.h"
#include "cli_fixture.h"
#include "random_documents.h"
#include "temp_dir.h"

namespace {

const std::string example = VEMORA_EXAMPLES "/setup.xml";

// A library of the example's station 1 as "Karst 15/2" and station 3 as "Piezo", made by the command.
std::string example_library(const Temp_dir& dir) {
    const std::string lib = dir.file("templates.xml");
    const Cli_result a = cli({"template", "save", example, "1", lib, "Karst 15/2"});
    const Cli_result b = cli({"template", "save", example, "id=203", lib, "Piezo"});
    EXPECT_EQ(a.code, 0) << a.err;
    EXPECT_EQ(b.code, 0) << b.err;
    EXPECT_EQ(a.out, "added template 1 \"Karst 15/2\"\n");
    EXPECT_EQ(b.out, "added template 2 \"Piezo\"\n");
    return lib;
}

std::string written(Tsetup& setup) {
    std::string text;
    {
        Text_out out(&text);
        setup.write(&out);
    }
    return text;
}

} // namespace

TEST(CliTemplate, ListSaysWhatTheLibraryHoldsAndAMissingOneIsEmpty) {
    Temp_dir dir;
    const Cli_result none = cli({"template", "list", dir.file("none.xml")});
    EXPECT_EQ(none.code, 0);
    EXPECT_EQ(none.out, "");
    EXPECT_NE(none.err.find("does not exist yet: no templates"), std::string::npos) << none.err;

    const std::string lib = example_library(dir);
    const Cli_result list = cli({"template", "list", lib});
    EXPECT_EQ(list.code, 0) << list.err;
    const Cli_result bytes = cli({"list", example, "--columns", "bytes", "--where", "id:101 OR id:203"});
    // Position, name, and the bytes its configuration takes: those of the stations they were made of.
    std::string expected;
    std::istringstream lines(bytes.out);
    int position = 0;
    for (std::string line; std::getline(lines, line);) {
        ++position;
        expected += std::to_string(position) + "\t" + (position == 1 ? "Karst 15/2" : "Piezo") + "\t" +
                    line.substr(line.find('\t') + 1) + "\n";
    }
    EXPECT_EQ(list.out, expected);

    const std::string broken = dir.write("broken.xml", "<SETUP><STATIONS>");
    const Cli_result bad = cli({"template", "list", broken});
    EXPECT_EQ(bad.code, 1);
    EXPECT_NE(bad.err.find("cannot read the template library \"" + broken + "\""), std::string::npos)
        << bad.err;
}

TEST(CliTemplate, SaveReplacesByNameAndRefusesSparesAndNamesBorneTwice) {
    Temp_dir dir;
    const std::string lib = example_library(dir);
    const std::string before = read_bytes(lib);
    const Cli_result again = cli({"template", "save", example, "2", lib, "Karst 15/2"});
    EXPECT_EQ(again.code, 0) << again.err;
    EXPECT_EQ(again.out, "replaced template 1 \"Karst 15/2\"\n");
    EXPECT_NE(read_bytes(lib), before);
    const std::string listed = cli({"template", "list", lib}).out;
    EXPECT_EQ(std::count(listed.begin(), listed.end(), '\n'), 2);

    const std::string replaced = read_bytes(lib);
    const Cli_result spare = cli({"template", "save", example, "5", lib, "Spare"});
    EXPECT_EQ(spare.code, 2);
    EXPECT_NE(spare.err.find("station 5 has nothing configured"), std::string::npos) << spare.err;
    const Cli_result zero = cli({"template", "save", example, "0", lib, "New"});
    EXPECT_EQ(zero.code, 2);
    const Cli_result far = cli({"template", "save", example, "9", lib, "Far"});
    EXPECT_EQ(far.code, 2);
    EXPECT_NE(far.err.find("there is no station 9"), std::string::npos) << far.err;
    const Cli_result unnamed = cli({"template", "save", example, "1", lib, ""});
    EXPECT_EQ(unnamed.code, 2);
    EXPECT_NE(unnamed.err.find("a template needs a name"), std::string::npos) << unnamed.err;
    EXPECT_EQ(read_bytes(lib), replaced) << "nothing refused reaches the library";

    // A hand-edited library with one name twice: applying or replacing it by name is refused.
    std::string text = replaced;
    text.replace(text.find("description=\"Piezo\""), 19, "description=\"Karst 15/2\"");
    const std::string twice = dir.write("twice.xml", text);
    const Cli_result list = cli({"template", "list", twice});
    EXPECT_EQ(list.code, 0);
    EXPECT_NE(list.err.find("templates 1 and 2 are both called \"Karst 15/2\""), std::string::npos)
        << list.err;
    const Cli_result save = cli({"template", "save", example, "1", twice, "Karst 15/2"});
    EXPECT_EQ(save.code, 2);
    EXPECT_NE(save.err.find("templates 1 and 2 are both called"), std::string::npos) << save.err;
    const Cli_result apply =
        cli({"template", "apply", example, "2", twice, "Karst 15/2", dir.file("out.xml")});
    EXPECT_EQ(apply.code, 2);
    EXPECT_NE(apply.err.find("templates 1 and 2 are both called"), std::string::npos) << apply.err;
    EXPECT_FALSE(std::filesystem::exists(dir.file("out.xml")));
}

TEST(CliTemplate, DriftSaysEachStationsTemplateAndExitsFiveWhenOneDiffers) {
    Temp_dir dir;
    const std::string lib = example_library(dir);
    const Cli_result drift = cli({"template", "drift", example, lib});
    EXPECT_EQ(drift.code, 5) << drift.err;
    std::istringstream lines(drift.out);
    std::vector<std::string> got;
    for (std::string line; std::getline(lines, line);)
        got.push_back(line);
    ASSERT_EQ(got.size(), 5u);
    EXPECT_EQ(got[0], "1\t101\tKarst 15/2\t0");
    EXPECT_EQ(got[2], "3\t203\tPiezo\t0");
    EXPECT_EQ(got[4], "5\t-1\t\t") << "the spare follows no template";
    EXPECT_EQ(got[1].rfind("2\t102\t", 0), 0u);

    const Cli_result equal = cli({"template", "drift", example, lib, "1,3"});
    EXPECT_EQ(equal.code, 0) << equal.err;
    EXPECT_EQ(equal.out, "1\t101\tKarst 15/2\t0\n3\t203\tPiezo\t0\n");
    EXPECT_EQ(cli({"template", "drift", example, dir.file("none.xml")}).code, 1);
    EXPECT_EQ(cli({"template", "drift", example, lib, "7"}).code, 2);

    // Applied to station 2 with every page, the template is what it equals.
    const std::string out = dir.file("out.xml");
    const Cli_result apply = cli({"template", "apply", example, "2", lib, "Karst 15/2", out});
    ASSERT_EQ(apply.code, 0) << apply.err;
    EXPECT_EQ(cli({"template", "drift", out, lib, "2"}).out, "2\t102\tKarst 15/2\t0\n");
}

TEST(CliTemplate, ListShowsTheTemplateColumnAndTakesTheTermsWithALibrary) {
    Temp_dir dir;
    const std::string lib = example_library(dir);
    const Cli_result column = cli({"list", example, "--library", lib, "--columns", "id,template"});
    EXPECT_EQ(column.code, 0) << column.err;
    const std::string drift = cli({"template", "drift", example, lib, "2"}).out;
    const std::string count = drift.substr(drift.rfind('\t') + 1, drift.size() - drift.rfind('\t') - 2);
    EXPECT_EQ(column.out.substr(0, column.out.find("3\t")),
              "1\t101\tKarst 15/2\n2\t102\tKarst 15/2 +" + count + "\n");
    const Cli_result drifted =
        cli({"list", example, "--library", lib, "--where", "drift", "--columns", "id"});
    EXPECT_EQ(drifted.code, 0);
    EXPECT_EQ(drifted.out, "2\t102\n4\t304\n");
    const Cli_result named = cli(
        {"list", example, "--library", lib, "--where", "template:\"Karst 15/2\" -drift", "--columns", "id"});
    EXPECT_EQ(named.out, "1\t101\n");

    // Without a library: no station follows a template, and stderr says why.
    const Cli_result without = cli({"list", example, "--where", "drift"});
    EXPECT_EQ(without.code, 6);
    EXPECT_NE(without.err.find("no template library given (--library LIB)"), std::string::npos)
        << without.err;
    const Cli_result empty = cli({"list", example, "--columns", "id,template", "--where", "id:101"});
    EXPECT_EQ(empty.out, "1\t101\t\n");
    EXPECT_NE(empty.err.find("no template library given"), std::string::npos);
    EXPECT_EQ(cli({"list", example, "--library", dir.file("none.xml")}).code, 1);
}

TEST(CliTemplate, ApplyIsAllOrNothingWithEditsExitsAndDryRun) {
    Temp_dir dir;
    const std::string lib = example_library(dir);
    const std::string out = dir.file("out.xml");

    const Cli_result dry = cli({"template", "apply", example, "all", lib, "Karst 15/2", out, "--dry-run"});
    EXPECT_EQ(dry.code, 5) << dry.err;
    EXPECT_NE(dry.out.find("station 2 (id 102)"), std::string::npos) << dry.out;
    EXPECT_EQ(dry.out.find("station 1 (id 101)"), std::string::npos) << "station 1 is the template already";
    EXPECT_NE(dry.err.find("1 station with nothing configured left as it is"), std::string::npos) << dry.err;
    EXPECT_FALSE(std::filesystem::exists(out));
    const Cli_result same = cli({"template", "apply", example, "1", lib, "Karst 15/2", out, "--dry-run"});
    EXPECT_EQ(same.code, 0) << same.err;

    // A template whose SMS number is longer than a station keeps: applying its SMS number is refused on
    // every station, and nothing is written.
    std::string text = read_bytes(lib);
    const size_t sms = text.find("+41797654321");
    ASSERT_NE(sms, std::string::npos);
    text.replace(sms, 12, "+41797654321000000");
    const std::string long_sms = dir.write("long-sms.xml", text);
    const Cli_result refused = cli({"template", "apply", example, "1-4", long_sms, "Karst 15/2", out});
    EXPECT_EQ(refused.code, 3) << refused.err;
    EXPECT_NE(refused.err.find("refused; " + out + " was not written"), std::string::npos) << refused.err;
    EXPECT_FALSE(std::filesystem::exists(out));
    // Without the SMS page the same template applies.
    const Cli_result other_pages = cli({"template", "apply", example, "1-4", long_sms, "Karst 15/2", out,
                                        "--pages", "gsm,acq,slow,fast,remote"});
    EXPECT_EQ(other_pages.code, 0) << other_pages.err;

    EXPECT_EQ(cli({"template", "apply", example, "5", lib, "Karst 15/2", out}).code, 6);
    EXPECT_EQ(cli({"template", "apply", example, "2", lib, "Nothing", out}).code, 2);
    EXPECT_EQ(cli({"template", "apply", example, "2", lib, "Karst 15/2", out, "--pages", "general"}).code, 2);
    EXPECT_EQ(cli({"template", "apply", example, "2", dir.file("none.xml"), "Karst 15/2", out}).code, 1);
    EXPECT_EQ(
        cli({"template", "apply", example, "--where", "nothing-matches-this", lib, "Karst 15/2", out}).code,
        6);
    const Cli_result where =
        cli({"template", "apply", example, "--where", "template:piezo drift", lib, "Piezo", out});
    EXPECT_EQ(where.code, 0) << where.err;
    EXPECT_EQ(cli({"template", "drift", out, lib, "3,4"}).out, "3\t203\tPiezo\t0\n4\t304\tPiezo\t0\n");
    EXPECT_EQ(cli({"template", "frobnicate"}).code, 2);
}

// Applying a template to a selection gives the bytes that `edit` gives with the template's NAME=VALUE
// pairs, one station after the other; when a station refuses, nothing is written.
TEST(CliTemplateProperty, ApplyingATemplateIsEditingEachStationWithItsValues) {
    std::mt19937 rng(20240918);
    int compared = 0, refused_seen = 0;
    for (int round = 0; round < 40; ++round) {
        Temp_dir dir;
        Tsetup fleet, source;
        random_document(rng, fleet);
        random_document(rng, source);
        std::vector<Tstation*> sources, stations;
        for_each_item<Tstation>(source.stations.list, [&](Tstation& s) {
            if (!is_spare(s)) sources.push_back(&s);
        });
        for_each_item<Tstation>(fleet.stations.list, [&](Tstation& s) { stations.push_back(&s); });
        if (sources.empty() || stations.empty()) continue;
        // The fleet as its file reads back, so that both ways start from the same document.
        const std::string raw = dir.write("raw.xml", written(fleet));
        ASSERT_EQ(cli({"normalize", raw, dir.file("in.xml")}).code, 0);
        const std::string in = dir.file("in.xml");

        Template_library library;
        std::string problem;
        ASSERT_TRUE(library.read(dir.file("lib.xml"), &problem));
        ASSERT_TRUE(library.put(*sources[rng() % sources.size()], "T", &problem)) << problem;
        ASSERT_TRUE(library.write(dir.file("lib.xml"), &problem)) << problem;
        unsigned pages = 0;
        while (pages == 0)
            pages = static_cast<unsigned>(rng()) & ALL_TEMPLATE_PAGES;
        std::string pages_text;
        const char* const words[] = {"gsm", "acq", "slow", "fast", "remote", "sms"};
        for (int p = 0; p < 6; ++p)
            if (pages >> p & 1u) pages_text += std::string(pages_text.empty() ? "" : ",") + words[p];
        std::vector<int> chosen; // positions from 1
        std::string selector;
        for (size_t p = 1; p <= stations.size(); ++p)
            if (rng() % 3 != 0) {
                chosen.push_back(static_cast<int>(p));
                selector += (selector.empty() ? "" : ",") + std::to_string(p);
            }
        if (chosen.empty()) continue;
        const bool spares = rng() % 2 == 0;

        std::vector<std::string> apply = {
            "template", "apply",   in, selector, dir.file("lib.xml"), "T", dir.file("applied.xml"),
            "--pages",  pages_text};
        if (spares) apply.push_back("--include-spares");
        const Cli_result applied = cli(apply);

        // The same pairs through edit, one station at a time, each run on the file the last one wrote.
        std::vector<std::string> pairs;
        for (const Control_change& c : template_changes(library.at(0), pages))
            pairs.push_back(c.name + "=" + c.value);
        std::string current = in;
        bool one_refused = false, any_edited = false;
        for (const int p : chosen) {
            if (!spares && is_spare(*stations[static_cast<size_t>(p - 1)])) continue;
            std::vector<std::string> edit = {"edit", current, std::to_string(p), dir.file("step.xml")};
            edit.insert(edit.end(), pairs.begin(), pairs.end());
            const Cli_result r = cli(edit);
            // Refused: a configuration or SMS number the station cannot keep (3), or a text longer than
            // its edit takes, which edit of one station calls a usage error (2).
            if (r.code == 3 || (r.code == 2 && r.err.find(" holds at most ") != std::string::npos)) {
                one_refused = true;
                continue;
            }
            ASSERT_EQ(r.code, 0) << r.err;
            any_edited = true;
            std::filesystem::rename(dir.file("step.xml"), dir.file("edited.xml"));
            current = dir.file("edited.xml");
        }
        if (one_refused) {
            EXPECT_EQ(applied.code, 3) << "round " << round << ": " << applied.err;
            EXPECT_FALSE(std::filesystem::exists(dir.file("applied.xml")));
            ++refused_seen;
            continue;
        }
        if (!any_edited) {
            EXPECT_EQ(applied.code, 6) << "round " << round << ": " << applied.err; // spares only
            continue;
        }
        ASSERT_EQ(applied.code, 0) << "round " << round << ": " << applied.err;
        EXPECT_EQ(read_bytes(dir.file("applied.xml")), read_bytes(current)) << "round " << round;
        ++compared;
    }
    EXPECT_GT(compared, 10);
    EXPECT_GT(refused_seen, 0);
}
