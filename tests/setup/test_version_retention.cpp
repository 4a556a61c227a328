// Which versions pruning lets go, at the rules' boundaries, and what it never touches; the names of
// versions and the note, including hostile texts.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "versions_fixture.h"

namespace fs = std::filesystem;

namespace {

class Retention_test : public Versions_test {
  protected:
    // A version kept at time t (with its note), as a save would have left it.
    std::string kept_at(std::time_t t, int n = 1) {
        fs::create_directories(path_ + ".versions");
        const std::string file = path_ + ".versions/" + version_name("setup.xml", t, n);
        std::ofstream(file) << "<SETUP/>";
        std::ofstream(file + ".note") << "note";
        return file;
    }
    // The 20 newest, within the last hour, which stay whatever the rules say of the others.
    void twenty_newest() {
        for (int i = 0; i < 20; ++i)
            kept_at(now_ - 60 * (i + 1));
    }
    std::vector<std::string> pruned() {
        std::vector<std::string> removed;
        std::string reason;
        EXPECT_EQ(prune_versions(path_, now_, &removed, &reason), 0) << reason;
        std::vector<std::string> names;
        for (const std::string& r : removed) {
            names.push_back(fs::path(r).filename().string());
            EXPECT_FALSE(fs::exists(r));
            EXPECT_FALSE(fs::exists(r + ".note")) << "the note goes with its version";
        }
        std::sort(names.begin(), names.end());
        return names;
    }
    static constexpr std::time_t DAY = 86400;
};

} // namespace

TEST_F(Retention_test, EveryVersionOfTheLastFourteenDaysThenTheLastOfEachDay) {
    // now is 2024-06-30 12:00; fourteen days ago is 2024-06-16 12:00.
    twenty_newest();
    const std::string edge = kept_at(now_ - 14 * DAY); // exactly 14 days: kept, and the last of 06-16
    kept_at(now_ - 14 * DAY - 1);                      // 06-16 11:59:59: its day has a later one
    kept_at(now_ - 14 * DAY - 4 * 3600);               // 06-16 08:00
    kept_at(at("2024-06-10 23:59:59"));
    kept_at(at("2024-06-10 00:00:00"));
    const std::string same_second = kept_at(at("2024-06-10 23:59:59"), 2); // later than the one before
    const std::string alone = kept_at(at("2024-06-05 15:00:00"));
    EXPECT_EQ(pruned(),
              (std::vector<std::string>{"setup.2024-06-10_000000.xml", "setup.2024-06-10_235959.xml",
                                        "setup.2024-06-16_080000.xml", "setup.2024-06-16_115959.xml"}));
    EXPECT_TRUE(fs::exists(edge));
    EXPECT_TRUE(fs::exists(same_second));
    EXPECT_TRUE(fs::exists(alone));
    EXPECT_EQ(list_versions(path_).size(), 23u);
    EXPECT_TRUE(pruned().empty()) << "a second prune finds nothing more";
}

TEST_F(Retention_test, NoneOlderThanAYear) {
    now_ = at("2024-06-30 00:00:30");
    twenty_newest();
    const std::string year = kept_at(now_ - 365 * DAY); // 2023-07-01 00:00:30: kept
    kept_at(now_ - 365 * DAY - 60);                     // 2023-06-30 23:59:30, alone on its day
    kept_at(at("2020-01-01 10:00:00"));
    EXPECT_EQ(pruned(),
              (std::vector<std::string>{"setup.2020-01-01_100000.xml", "setup.2023-06-30_235930.xml"}));
    EXPECT_TRUE(fs::exists(year));
}

TEST_F(Retention_test, NeverFewerThanTheTwentyNewestWhateverTheirAge) {
    for (int i = 0; i < 20; ++i)
        kept_at(at("2021-03-01 10:00:00") + i * 60); // all of one day, three years ago
    EXPECT_TRUE(pruned().empty());
    kept_at(at("2021-02-01 10:00:00"));
    kept_at(at("2021-02-01 09:00:00"));
    EXPECT_EQ(pruned(),
              (std::vector<std::string>{"setup.2021-02-01_090000.xml", "setup.2021-02-01_100000.xml"}));
    EXPECT_EQ(list_versions(path_).size(), 20u);
}

TEST_F(Retention_test, WhatIsNotOneOfThisFilesVersionsIsNeverTouched) {
    twenty_newest();
    kept_at(at("2020-01-01 10:00:00"));
    const std::string folder = path_ + ".versions/";
    const std::vector<std::string> foreign = {
        "notes.txt",
        "other.2020-01-01_100000.xml",               // another setup file's version
        "setup.2020-01-01_100000-1.xml",             // no first number is written
        "setup.2020-01-01_100000-02.xml",            // nor a leading zero
        "setup.2020-01-01_10000.xml",                // a digit short
        "setup.2020-01-01_100000.xml.bak",           // something else's copy
        "setup.2020-01-01_100000.XML",               // another extension
        "setup.xml.2020-01-01_100000.xml",           // another pattern
        "setup.2020-01-01_100000.xml.vemora-abc123", // another save's temporary file
    };
    for (const std::string& name : foreign)
        std::ofstream(folder + name) << "x";
    fs::create_directory(folder + "setup.2019-01-01_100000.xml"); // a folder of a version's name
    fs::create_symlink(dir_.file("target.xml"), folder + "setup.2019-02-01_100000.xml");
    dir_.write("target.xml", "kept");
    EXPECT_EQ(pruned(), (std::vector<std::string>{"setup.2020-01-01_100000.xml"}));
    for (const std::string& name : foreign)
        EXPECT_TRUE(fs::exists(folder + name)) << name;
    EXPECT_TRUE(fs::is_directory(folder + "setup.2019-01-01_100000.xml"));
    EXPECT_TRUE(fs::is_symlink(folder + "setup.2019-02-01_100000.xml"));
    EXPECT_EQ(read_bytes(dir_.file("target.xml")), "kept");
    EXPECT_EQ(list_versions(path_).size(), 20u) << "nor is any of them listed";
}

TEST_F(Retention_test, ANoteWithoutItsVersionGoesOnceItIsOld) {
    twenty_newest();
    const std::string orphan = kept_at(now_ - 3600 * 2);
    const std::string young = kept_at(now_ - 10);
    fs::remove(orphan);
    fs::remove(young);
    pruned();
    EXPECT_FALSE(fs::exists(orphan + ".note"));
    EXPECT_TRUE(fs::exists(young + ".note")) << "it may belong to a save still running";
}

TEST_F(Versions_test, VersionNamesReadBackAndTheSetupNameDecidesThePattern) {
    const std::time_t t = at("2024-02-29 07:08:09");
    EXPECT_EQ(version_name("setup.xml", t), "setup.2024-02-29_070809.xml");
    EXPECT_EQ(version_name("setup.xml", t, 12), "setup.2024-02-29_070809-12.xml");
    EXPECT_EQ(version_name("station list.v2.xml", t), "station list.v2.2024-02-29_070809.xml");
    EXPECT_EQ(version_name("SETUP", t), "SETUP.2024-02-29_070809");
    EXPECT_EQ(version_name(".hidden", t), ".hidden.2024-02-29_070809");
    bool note = true;
    std::time_t back = 0;
    int n = 0;
    ASSERT_TRUE(parse_version_name("setup.2024-02-29_070809-12.xml", "setup.xml", &note, &back, &n));
    EXPECT_FALSE(note);
    EXPECT_EQ(back, t);
    EXPECT_EQ(n, 12);
    ASSERT_TRUE(parse_version_name("SETUP.2024-02-29_070809.note", "SETUP", &note, &back, &n));
    EXPECT_TRUE(note);
    EXPECT_EQ(n, 1);
    EXPECT_FALSE(parse_version_name("setup.2024-02-29_070809.xml", "setup.xm", &note, &back, &n));
    EXPECT_FALSE(parse_version_name("setup.2024-13-29_070809.xml", "setup.xml", &note, &back, &n));
    EXPECT_FALSE(parse_version_name("setup.2024-02-29_070809.xml", "setup.xml.xml", &note, &back, &n));
    for (const char c : version_name("a.xml", t))
        EXPECT_TRUE(std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '-' || c == '_')
            << "no character that another system refuses in a name: " << c;
}

TEST(VersionNote, ReadsBackWhatWasWrittenWhateverTheText) {
    Version_note n;
    n.user = "j\xC3\xB6rg";   // UTF-8
    n.host = "station-h\xE9"; // Latin-1
    n.time = 1719748800;
    n.stations = 10000;
    n.label = "line one\nline two\r\\n is no break\t\x01";
    n.changes = {"Edit station 3 (id 103)\nsecond line", "", "Delete 2 stations (undone)", "caf\xE9"};
    Version_note back;
    ASSERT_TRUE(parse_note(note_text(n), &back));
    EXPECT_EQ(back.user, n.user);
    EXPECT_EQ(back.host, n.host);
    EXPECT_EQ(back.time, n.time);
    EXPECT_EQ(back.stations, 10000);
    EXPECT_EQ(back.label, n.label);
    EXPECT_EQ(back.changes, n.changes);

    // A hostile label cannot add lines of its own to the note.
    n.label = "x\nstations: 5\nchanges:\n\tforged";
    n.changes.clear();
    ASSERT_TRUE(parse_note(note_text(n), &back));
    EXPECT_EQ(back.stations, 10000);
    EXPECT_TRUE(back.changes.empty());
    EXPECT_EQ(back.label, n.label);
}

TEST(VersionNote, OverlongTextsAreCutVisiblyAndAnythingElseIsNoNote) {
    Version_note n;
    n.label = std::string(100000, 'a');
    n.changes.assign(1500, "step");
    Version_note back;
    ASSERT_TRUE(parse_note(note_text(n), &back));
    EXPECT_EQ(back.label, std::string(NOTE_TEXT_MAX, 'a') + "...");
    ASSERT_EQ(back.changes.size(), NOTE_CHANGES_MAX + 1);
    EXPECT_EQ(back.changes.back(), "... and 500 more");
    EXPECT_EQ(back.stations, -1);
    EXPECT_FALSE(parse_note("user: x\nstations: 3\n", &back));
    EXPECT_FALSE(parse_note("", &back));
}
