// Versions kept by saves: what is kept and when, the note beside it, the per-user folder when the one
// beside the file cannot be used, and saves that fail leaving no version behind.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "versions_fixture.h"

namespace fs = std::filesystem;

TEST_F(Versions_test, ThreeSavesKeepTheFirstTwoContentsWithTheirChangesNewestFirst) {
    Version_keeping first;
    ASSERT_EQ(save(2, "first", &first), 0);
    EXPECT_EQ(first.kept_file, "") << "a new file replaces nothing";
    const std::string one = read_bytes(path_);

    Version_keeping second;
    second.note.changes = {"Edit station 1 (id 100)", "Delete 1 station (101) (undone)"};
    second.note.label = "before the field trip";
    second.note.stations = 2;
    now_ += 60;
    ASSERT_EQ(save(3, "second", &second), 0);
    const std::string two = read_bytes(path_);

    Version_keeping third;
    third.note.changes = {"Add station 103"};
    now_ += 3600;
    ASSERT_EQ(save(4, "third", &third), 0);

    const std::vector<Version_entry> versions = list_versions(path_);
    ASSERT_EQ(versions.size(), 2u);
    EXPECT_EQ(versions[0].file, third.kept_file);
    EXPECT_EQ(versions[1].file, second.kept_file);
    EXPECT_EQ(read_bytes(versions[0].file), two);
    EXPECT_EQ(read_bytes(versions[1].file), one);
    EXPECT_EQ(fs::path(versions[1].file).filename(), "setup.2024-06-30_120100.xml");
    EXPECT_EQ(fs::path(versions[1].file).parent_path(), fs::path(path_ + ".versions"));

    EXPECT_EQ(versions[1].note.changes, second.note.changes);
    EXPECT_EQ(versions[1].note.label, "before the field trip");
    EXPECT_EQ(versions[1].note.stations, 2);
    EXPECT_EQ(versions[1].note.time, now_ - 3600);
    EXPECT_FALSE(versions[1].note.user.empty()) << "the user comes from the system";
    EXPECT_EQ(versions[0].note.changes, third.note.changes);
    EXPECT_EQ(versions[0].note.stations, 3) << "counted in the kept file when the caller does not know";
    EXPECT_EQ(versions[0].time, now_);
    EXPECT_EQ(read_bytes(path_).find("third") != std::string::npos, true);
}

TEST_F(Versions_test, SavesWithinOneSecondAreNumberedAndAVersionIsTheOldFilesOwnLink) {
    Version_keeping k;
    ASSERT_EQ(save(1, "a", &k), 0);
    struct stat old {};
    ASSERT_EQ(stat(path_.c_str(), &old), 0);
    ASSERT_EQ(save(1, "b", &k), 0);
    struct stat kept {};
    ASSERT_EQ(stat(k.kept_file.c_str(), &kept), 0);
    EXPECT_EQ(kept.st_ino, old.st_ino) << "kept by a hard link, not a copy";
    EXPECT_EQ(kept.st_nlink, 1u);
    ASSERT_EQ(save(1, "c", &k), 0);
    ASSERT_EQ(save(1, "d", &k), 0);
    const std::vector<Version_entry> versions = list_versions(path_);
    ASSERT_EQ(versions.size(), 3u);
    EXPECT_EQ(fs::path(versions[0].file).filename(), "setup.2024-06-30_120000-3.xml");
    EXPECT_EQ(fs::path(versions[1].file).filename(), "setup.2024-06-30_120000-2.xml");
    EXPECT_EQ(fs::path(versions[2].file).filename(), "setup.2024-06-30_120000.xml");
    EXPECT_NE(read_bytes(versions[0].file).find("\"c\""), std::string::npos);
    EXPECT_NE(read_bytes(versions[2].file).find("\"a\""), std::string::npos);
}

TEST_F(Versions_test, ALinkThatAKilledSaveLeftIsNoReasonToRefuseAndBecomesTheVersion) {
    Version_keeping k;
    ASSERT_EQ(save(1, "a", &k), 0);
    const std::string a = read_bytes(path_);
    // As a save killed between keeping its version and its rename leaves it: the old file in place with
    // a second link in the versions folder, and its note.
    fs::create_directory(path_ + ".versions");
    const std::string left = path_ + ".versions/setup.2024-06-30_115900.xml";
    ASSERT_EQ(link(path_.c_str(), left.c_str()), 0);

    Version_keeping off;
    off.keep = false;
    std::string reason;
    ASSERT_EQ(save(1, "b", &off, &reason), 0) << reason;
    ASSERT_EQ(link(path_.c_str(), (path_ + ".versions/setup.2024-06-30_115930.xml").c_str()), 0);
    const std::string b = read_bytes(path_);
    ASSERT_EQ(save(1, "c", &k, &reason), 0) << reason;
    EXPECT_EQ(k.kept_file, path_ + ".versions/setup.2024-06-30_115930.xml") << "no second copy of it";
    const std::vector<Version_entry> versions = list_versions(path_);
    ASSERT_EQ(versions.size(), 2u);
    EXPECT_EQ(read_bytes(versions[0].file), b);
    EXPECT_EQ(read_bytes(versions[1].file), a);
}

TEST_F(Versions_test, AFileWithAHardLinkOfItsOwnIsStillRefused) {
    Version_keeping k;
    ASSERT_EQ(save(1, "a", &k), 0);
    ASSERT_EQ(link(path_.c_str(), dir_.file("elsewhere.xml").c_str()), 0);
    const std::string a = read_bytes(path_);
    std::string reason;
    EXPECT_EQ(save(1, "b", &k, &reason), 1);
    EXPECT_NE(reason.find("hard links"), std::string::npos) << reason;
    EXPECT_EQ(read_bytes(path_), a);
    EXPECT_TRUE(list_versions(path_).empty());
}

namespace {

struct Stopping_sink : Progress_sink {
    bool progress(Progress_phase phase, uint64_t, uint64_t) override {
        return phase == Progress_phase::WRITING_TO_DISK;
    }
};

} // namespace

TEST_F(Versions_test, ACancelledSaveLeavesNoVersion) {
    Version_keeping k;
    ASSERT_EQ(save(1, "a", &k), 0);
    const std::string a = read_bytes(path_);
    Tsetup setup;
    setup.set_defaults();
    Stopping_sink stop;
    std::string reason;
    EXPECT_EQ(setup.write_file(path_.c_str(), &reason, &stop, &k), FILE_CANCELLED);
    EXPECT_EQ(read_bytes(path_), a);
    EXPECT_EQ(k.kept_file, "");
    EXPECT_TRUE(list_versions(path_).empty());
}

TEST_F(Versions_test, AFileInTheWaySendsTheVersionsToThePerUserFolderAndSaysSoOnce) {
    Version_keeping k;
    ASSERT_EQ(save(1, "a", &k), 0);
    dir_.write("setup.xml.versions", "not a folder");
    const std::string a = read_bytes(path_);
    std::string reason;
    ASSERT_EQ(save(1, "b", &k, &reason), 0) << reason;
    const std::string fallback = fallback_versions_folder(path_);
    EXPECT_EQ(fallback.rfind(dir_.file("state/vemora/versions/setup.xml-"), 0), 0u) << fallback;
    EXPECT_EQ(fs::path(k.kept_file).parent_path(), fs::path(fallback));
    EXPECT_NE(k.told.find(fallback), std::string::npos) << k.told;
    EXPECT_EQ(read_bytes(path_ + ".versions"), "not a folder");

    now_ += 1;
    ASSERT_EQ(save(1, "c", &k, &reason), 0) << reason;
    EXPECT_EQ(k.told, "") << "said once per process and folder";
    const std::vector<Version_entry> versions = list_versions(path_);
    ASSERT_EQ(versions.size(), 2u);
    EXPECT_EQ(read_bytes(versions[1].file), a);

    // Another file of the same name in another folder has a folder of its own.
    EXPECT_NE(fallback_versions_folder(dir_.file("other/setup.xml")), fallback);
}

TEST_F(Versions_test, AReadOnlyVersionsFolderSendsTheVersionsToThePerUserFolder) {
    if (geteuid() == 0) GTEST_SKIP() << "root writes a read-only folder";
    Version_keeping k;
    ASSERT_EQ(save(1, "a", &k), 0);
    ASSERT_TRUE(fs::create_directory(path_ + ".versions"));
    fs::permissions(path_ + ".versions", fs::perms::owner_read | fs::perms::owner_exec);
    std::string reason;
    ASSERT_EQ(save(1, "b", &k, &reason), 0) << reason;
    EXPECT_EQ(fs::path(k.kept_file).parent_path(), fs::path(fallback_versions_folder(path_)));
    EXPECT_NE(k.told, "");
}

TEST_F(Versions_test, WithNoFolderToKeepItTheSaveFailsAndChangesNothing) {
    Version_keeping k;
    ASSERT_EQ(save(1, "a", &k), 0);
    const std::string a = read_bytes(path_);
    dir_.write("setup.xml.versions", "in the way");
    dir_.write("state", "in the way too");
    std::string reason;
    EXPECT_EQ(save(1, "b", &k, &reason), 1);
    EXPECT_NE(reason.find("cannot be kept"), std::string::npos) << reason;
    EXPECT_EQ(read_bytes(path_), a);
    EXPECT_EQ(names_in_folder(dir_.path()),
              (std::vector<std::string>{"setup.xml", "setup.xml.versions", "state"}));
}

TEST_F(Versions_test, WhereNoLinkCanBeMadeTheVersionIsAWholeCopyWithTheFilesPermissions) {
    // /dev/shm is another file system than the temporary folder here: a link there fails with EXDEV.
    struct stat shm {
    }, here{};
    if (stat("/dev/shm", &shm) != 0 || stat(dir_.path().c_str(), &here) != 0 || shm.st_dev == here.st_dev ||
        access("/dev/shm", W_OK) != 0)
        GTEST_SKIP() << "no second file system to put the versions on";
    const std::string state = "/dev/shm/" + fs::path(dir_.path()).filename().string();
    setenv("XDG_STATE_HOME", state.c_str(), 1);
    Version_keeping k;
    ASSERT_EQ(save(1, "a", &k), 0);
    chmod(path_.c_str(), 0600);
    const std::string a = read_bytes(path_);
    dir_.write("setup.xml.versions", "in the way");
    std::string reason;
    ASSERT_EQ(save(1, "b", &k, &reason), 0) << reason;
    struct stat kept {};
    ASSERT_EQ(stat(k.kept_file.c_str(), &kept), 0);
    EXPECT_EQ(read_bytes(k.kept_file), a);
    EXPECT_EQ(kept.st_mode & 0777, 0600u);
    std::error_code ignored;
    fs::remove_all(state, ignored);
}
