// Saving is atomic and reports its outcome: on failure the old file stays whole and no temporary is left.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>

#include "setup_fixture.h"

namespace {

size_t files_in(const std::filesystem::path& folder) {
    size_t n = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        n += entry.is_regular_file() || entry.is_symlink();
    return n;
}

void fill(Tsetup& setup, int stations) {
    setup.set_defaults();
    for (int i = 0; i < stations; ++i)
        setup.stations.append(new_station(i, "a station with a description"));
}

} // namespace

TEST(SetupSave, WritesAndReplacesTheFile) {
    Temp_dir dir;
    Tsetup setup;
    fill(setup, 2);
    const std::string path = dir.file("setup.xml");
    std::string reason = "untouched";
    ASSERT_EQ(setup.write_file(path.c_str(), &reason), 0);
    EXPECT_EQ(reason, "untouched");
    EXPECT_EQ(read_bytes(path), written(setup));
    setup.stations.clear();
    ASSERT_EQ(setup.write_file(path.c_str()), 0);
    EXPECT_EQ(read_bytes(path), written(setup));
    EXPECT_EQ(files_in(dir.path()), 1u);
}

TEST(SetupSave, KeepsThePermissionsOfTheFileItReplaces) {
    Temp_dir dir;
    const std::string path = dir.write("setup.xml", "old");
    chmod(path.c_str(), 0640);
    Tsetup setup;
    ASSERT_EQ(setup.write_file(path.c_str()), 0);
    struct stat info {};
    ASSERT_EQ(stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
}

TEST(SetupSave, ThroughALinkReplacesTheTargetAndKeepsTheLink) {
    Temp_dir dir;
    const std::string target = dir.write("real.xml", "old");
    const std::string link = dir.file("link.xml");
    ASSERT_EQ(symlink(target.c_str(), link.c_str()), 0);
    Tsetup setup;
    fill(setup, 1);
    ASSERT_EQ(setup.write_file(link.c_str()), 0);
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(read_bytes(target), written(setup));
}

TEST(SetupSave, AMissingFolderFailsWithTheReason) {
    Temp_dir dir;
    Tsetup setup;
    std::string reason;
    EXPECT_EQ(setup.write_file(dir.file("no/such/setup.xml").c_str(), &reason), 1);
    EXPECT_EQ(reason, "No such file or directory");
    EXPECT_EQ(setup.write_file("", &reason), 1);
    EXPECT_EQ(setup.write_file(nullptr, &reason), 1);
}

TEST(SetupSave, AFolderThatCannotBeWrittenKeepsTheOldFile) {
    if (geteuid() == 0) GTEST_SKIP() << "root writes into every folder";
    Temp_dir dir;
    const std::string path = dir.write("setup.xml", "old content");
    chmod(dir.path().c_str(), 0555);
    Tsetup setup;
    fill(setup, 3);
    std::string reason;
    EXPECT_EQ(setup.write_file(path.c_str(), &reason), 1);
    EXPECT_EQ(reason, "Permission denied");
    chmod(dir.path().c_str(), 0755);
    EXPECT_EQ(read_bytes(path), "old content");
    EXPECT_EQ(files_in(dir.path()), 1u);
}

TEST(SetupSave, AFileSizeLimitActsAsAFullDiskAndKeepsTheOldFile) {
    // RLIMIT_FSIZE makes writes past the limit fail with EFBIG, as a full disk fails with ENOSPC;
    // SIGXFSZ is ignored so the write reports the failure instead of ending the process.
    Temp_dir dir;
    const std::string old_content(1000, 'o');
    const std::string path = dir.write("setup.xml", old_content);
    Tsetup setup;
    fill(setup, 20000); // several MiB: past the limit below
    const auto previous_handler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit small = saved;
    small.rlim_cur = 1 << 20;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    std::string reason;
    const int result = setup.write_file(path.c_str(), &reason);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous_handler);
    EXPECT_EQ(result, 1);
    EXPECT_EQ(reason, "File too large");
    EXPECT_EQ(read_bytes(path), old_content);
    EXPECT_EQ(files_in(dir.path()), 1u);
}
