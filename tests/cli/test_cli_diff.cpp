// vemora-cli diff: properties over generated files, the cases under tests/data/diff, and usage errors.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "Edit_numbers.h"
#include "Station_editor.h"
#include "cli_fixture.h"
#include "random_documents.h"
#include "temp_dir.h"

namespace {

std::string read_text(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string replace_all(std::string text, const std::string& from, const std::string& to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

std::string generated_file(const Temp_dir& dir, const std::string& name, int seed) {
    std::mt19937 rng(static_cast<unsigned>(seed));
    Tsetup setup;
    random_document(rng, setup);
    const std::string path = dir.file(name);
    EXPECT_EQ(setup.write_file(path.c_str()), 0);
    return path;
}

int station_count(const std::string& path) {
    Tsetup setup;
    EXPECT_EQ(setup.read_file(path.c_str()), 0);
    int n = 0;
    for (Tlist::Tnode* node = setup.stations.list.head(); node != nullptr; node = node->next)
        ++n;
    return n;
}

} // namespace

TEST(DiffProperty, AFileEqualsItselfAndItsNormalizedCopyWithoutAWord) {
    Temp_dir dir;
    for (int seed = 0; seed < 60; ++seed) {
        SCOPED_TRACE(seed);
        const std::string a = generated_file(dir, "a.xml", seed);
        const Cli_result same = cli({"diff", a, a});
        EXPECT_EQ(same.code, 0);
        EXPECT_EQ(same.out, "");
        ASSERT_EQ(cli({"normalize", a, dir.file("n.xml")}).code, 0);
        const Cli_result normalized = cli({"diff", a, dir.file("n.xml")});
        EXPECT_EQ(normalized.code, 0);
        EXPECT_EQ(normalized.out, "");
    }
}

// The verdict is the bytes Save writes: 0 exactly when both normalize to the same file, 5 otherwise, for
// unrelated files and for files one small change apart (a station's image byte, two stations swapped).
TEST(DiffProperty, TheExitCodeIsWhetherTheNormalizedFilesAreTheSameBytes) {
    Temp_dir dir;
    for (int seed = 0; seed < 60; ++seed) {
        SCOPED_TRACE(seed);
        const std::string a = generated_file(dir, "a.xml", seed);
        std::string b = generated_file(dir, "b.xml", seed + 1000);
        if (seed % 2 == 0) {
            std::mt19937 rng(static_cast<unsigned>(seed));
            Tsetup setup;
            ASSERT_EQ(setup.read_file(a.c_str()), 0);
            std::vector<Tstation*> stations;
            for (Tlist::Tnode* node = setup.stations.list.head(); node != nullptr; node = node->next)
                stations.push_back(static_cast<Tstation*>(node->item));
            if (seed % 4 == 0 && !stations.empty()) {
                Tstation* s = stations[rng() % stations.size()];
                uint8_t bytes[IMAGE_SIZE];
                for (int i = 0; i < IMAGE_SIZE; ++i)
                    bytes[i] = s->configuration.get_byte(static_cast<uint8_t>(i));
                bytes[rng() % (s->configuration.cursor() + 1u)] ^= static_cast<uint8_t>(1 + rng() % 255);
                s->configuration.assign(bytes, s->configuration.cursor());
            } else if (stations.size() >= 2) {
                std::swap(*stations[0], *stations[1]);
            }
            ASSERT_EQ(setup.write_file(b.c_str()), 0);
        }
        ASSERT_EQ(cli({"normalize", a, dir.file("na.xml")}).code, 0);
        ASSERT_EQ(cli({"normalize", b, dir.file("nb.xml")}).code, 0);
        const bool same = read_text(dir.file("na.xml")) == read_text(dir.file("nb.xml"));
        const Cli_result r = cli({"diff", a, b});
        EXPECT_EQ(r.code, same ? 0 : 5) << r.out;
        EXPECT_EQ(r.out.empty(), same) << r.out;
    }
}

// One control changed as a user would, on a station that the editor stored before: diff reports exactly
// that setting, by label and by name.
TEST(DiffProperty, OneControlChangedWithEditIsExactlyThatSetting) {
    static const char* const changes[] = {"cb_s_5",    "cb_f_8",           "cb_r_3",         "cb_s_sms",
                                          "cb_r_vbat", "ed_acq_interval0", "ed_gsm_interval"};
    Temp_dir dir;
    int compared = 0;
    for (int seed = 0; seed < 40; ++seed) {
        SCOPED_TRACE(seed);
        const std::string original = generated_file(dir, "o.xml", seed);
        const int stations = station_count(original);
        if (stations == 0) continue;
        const int n = 1 + seed % stations;
        const std::string change = changes[seed % 7];
        // The station as the editor stores it: a first edit ticks a box and a second takes it back.
        const std::string a = dir.file("a.xml"), b = dir.file("b.xml");
        if (cli({"edit", original, std::to_string(n), dir.file("t.xml"), "cb_s_6=1"}).code != 0) continue;
        if (cli({"edit", dir.file("t.xml"), std::to_string(n), a, "cb_s_6=0"}).code != 0) continue;
        Tsetup setup;
        ASSERT_EQ(setup.read_file(a.c_str()), 0);
        Station_editor editor;
        Tstation* s = static_cast<Tstation*>(setup.stations.list.node_at(n - 1)->item);
        editor.open(s);
        const int c = editor.form.find(change);
        std::string assignment;
        if (editor.form.at(c).kind == Control_kind::CHECK_BOX)
            assignment = change + "=" + (editor.form.checked(c) ? "0" : "1");
        else
            assignment = change + "=" + std::to_string(static_cast<int>(edit_real(editor.form.text(c))) + 3);
        const Cli_result e = cli({"edit", a, std::to_string(n), b, assignment});
        if (e.code == 3) continue; // too large for the station's memory: nothing to compare
        ASSERT_EQ(e.code, 0) << e.err;
        const std::string heading = "station " + std::to_string(n) + " (id " + std::to_string(s->id) +
                                    ") in A / station " + std::to_string(n) + " (id " +
                                    std::to_string(s->id) + ") in B\n";
        const Cli_result by_label = cli({"diff", a, b});
        EXPECT_EQ(by_label.code, 5);
        const std::string files = "A: " + a + "\nB: " + b + "\n";
        ASSERT_EQ(by_label.out.substr(0, files.size() + heading.size()), files + heading) << by_label.out;
        const std::string rest = by_label.out.substr(files.size() + heading.size());
        EXPECT_EQ(std::count(rest.begin(), rest.end(), '\n'), 1) << by_label.out;
        EXPECT_EQ(rest.find("  Slow") == 0 || rest.find("  Fast") == 0 || rest.find("  Remote") == 0 ||
                      rest.find("  Acquisition timing / ") == 0 || rest.find("  GSM timing / ") == 0,
                  true)
            << rest;
        const Cli_result by_name = cli({"diff", a, b, "--names"});
        EXPECT_EQ(by_name.out.substr(files.size() + heading.size(), change.size() + 4), "  " + change + ": ")
            << by_name.out;
        EXPECT_EQ(std::count(by_name.out.begin(), by_name.out.end(), '\n'), 4) << by_name.out;
        ++compared;
    }
    EXPECT_GE(compared, 20);
}

// Each folder under tests/data/diff holds a.xml, b.xml, expected.txt and optionally args (more arguments,
// one a line); the folder's path is written as <case>. Exit 0 when nothing is expected, 5 otherwise.
TEST(DiffCases, EveryCaseGivesItsExpectedLinesAndExitCode) {
    std::vector<std::filesystem::path> cases;
    for (const auto& entry : std::filesystem::directory_iterator(VEMORA_TEST_DATA "/diff"))
        if (entry.is_directory()) cases.push_back(entry.path());
    std::sort(cases.begin(), cases.end());
    ASSERT_GE(cases.size(), 8u);
    for (const auto& folder : cases) {
        SCOPED_TRACE(folder.filename().string());
        std::vector<std::string> arguments = {"diff", (folder / "a.xml").string(),
                                              (folder / "b.xml").string()};
        std::istringstream extra(read_text(folder / "args"));
        for (std::string line; std::getline(extra, line);)
            if (!line.empty()) arguments.push_back(replace_all(line, "<case>", folder.string()));
        const Cli_result r = cli(arguments);
        const std::string expected = read_text(folder / "expected.txt");
        EXPECT_EQ(replace_all(r.out, folder.string(), "<case>"), expected);
        EXPECT_EQ(r.code, expected.empty() ? 0 : 5);
        EXPECT_EQ(r.err, "");
    }
}

TEST(DiffUsage, WrongArgumentsAreUsageErrorsAndUnreadableFilesExitOne) {
    const std::string example = VEMORA_EXAMPLES "/setup.xml";
    const Cli_result one = cli({"diff", example});
    EXPECT_EQ(one.code, 2);
    EXPECT_NE(one.err.find("usage: vemora-cli diff A B"), std::string::npos) << one.err;
    EXPECT_EQ(cli({"diff", example, example, example}).code, 2);
    const Cli_result option = cli({"diff", example, example, "--colour"});
    EXPECT_EQ(option.code, 2);
    EXPECT_NE(option.err.find("\"--colour\""), std::string::npos) << option.err;
    for (const char* pair : {"1", "1,", "0,1", "a,2", "1,2,3", "-1,2"}) {
        const Cli_result r = cli({"diff", example, example, "--stations", pair});
        EXPECT_EQ(r.code, 2) << pair;
        EXPECT_NE(r.err.find("--stations takes two station numbers"), std::string::npos) << r.err;
    }
    EXPECT_EQ(cli({"diff", example, example, "--stations"}).code, 2);
    const Cli_result beyond = cli({"diff", example, example, "--stations", "1,99"});
    EXPECT_EQ(beyond.code, 2);
    EXPECT_NE(beyond.err.find("there is no station 99"), std::string::npos) << beyond.err;
    const Cli_result missing = cli({"diff", example, "/nonexistent/b.xml"});
    EXPECT_EQ(missing.code, 1);
    EXPECT_NE(missing.err.find("cannot read \"/nonexistent/b.xml\""), std::string::npos) << missing.err;
    EXPECT_EQ(missing.out, "");
}

TEST(DiffStations, TwoStationsOfOneFileAreComparedWithBothSidesNamed) {
    const std::string example = VEMORA_EXAMPLES "/setup.xml";
    EXPECT_EQ(cli({"diff", example, example, "--stations", "2,2"}).code, 0);
    const Cli_result r = cli({"diff", example, example, "--stations", "1,2"});
    EXPECT_EQ(r.code, 5);
    EXPECT_NE(r.out.find("station 1 (id 101) in A / station 2 (id 102) in B\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("  General / Station ID: 101 -> 102\n"), std::string::npos) << r.out;
    const Cli_result quiet = cli({"diff", example, example, "--stations", "1,2", "--ignore-identity"});
    EXPECT_EQ(quiet.out.find("General /"), std::string::npos) << quiet.out;
}
