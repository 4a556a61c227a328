// vemora-cli and versions: the commands that write onto a file keep it (unless --no-versions), versions
// list, show, prune and diff --version, and a file changed on disk between the read and the write.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "Cli_files.h"
#include "Versions.h"
#include "cli_fixture.h"
#include "temp_dir.h"

namespace fs = std::filesystem;

namespace {

class CliVersions : public ::testing::Test {
  protected:
    void SetUp() override {
        const char* state = std::getenv("XDG_STATE_HOME");
        had_state_ = state != nullptr;
        if (had_state_) old_state_ = state;
        setenv("XDG_STATE_HOME", dir_.file("state").c_str(), 1);
        file_ = dir_.file("setup.xml");
        fs::copy_file(VEMORA_EXAMPLES "/setup.xml", file_);
    }
    void TearDown() override {
        cli_session().before_write = nullptr;
        if (had_state_)
            setenv("XDG_STATE_HOME", old_state_.c_str(), 1);
        else
            unsetenv("XDG_STATE_HOME");
    }
    Temp_dir dir_;
    std::string file_;
    bool had_state_ = false;
    std::string old_state_;
};

} // namespace

TEST_F(CliVersions, EachWriteOntoTheFileKeepsTheOneItReplacesWithTheCommandLine) {
    const std::string original = read_bytes(file_);
    ASSERT_EQ(cli({"edit", file_, "1", file_, "cb_s_6=1"}).code, 0);
    const std::string edited = read_bytes(file_);
    ASSERT_TRUE(edited != original);
    ASSERT_EQ(cli({"edit", file_, "1", file_, "--no-versions", "cb_s_6=0"}).code, 0);
    EXPECT_EQ(list_versions(file_).size(), 1u) << "--no-versions keeps none";
    ASSERT_EQ(cli({"normalize", file_, file_}).code, 0);

    const std::vector<Version_entry> versions = list_versions(file_);
    ASSERT_EQ(versions.size(), 2u);
    EXPECT_EQ(versions[1].note.changes,
              std::vector<std::string>{"vemora-cli edit " + file_ + " 1 " + file_ + " cb_s_6=1"});
    EXPECT_EQ(versions[0].note.changes,
              std::vector<std::string>{"vemora-cli normalize " + file_ + " " + file_});

    const Cli_result listed = cli({"versions", "list", file_});
    EXPECT_EQ(listed.code, 0) << listed.err;
    EXPECT_EQ(listed.out.rfind("1\t", 0), 0u) << listed.out;
    EXPECT_NE(listed.out.find("\n2\t"), std::string::npos) << listed.out;
    EXPECT_NE(listed.out.find("vemora-cli normalize"), std::string::npos);
    EXPECT_LT(listed.out.find("vemora-cli normalize"), listed.out.find("vemora-cli edit")) << "newest first";

    EXPECT_TRUE(cli({"versions", "show", file_, "2"}).out == original);
    // Version 1 is the file as the second edit left it, which took the first edit back.
    const Cli_result shown = cli({"versions", "show", file_, "1"});
    EXPECT_EQ(shown.code, 0);
    EXPECT_TRUE(shown.out == original);
    EXPECT_TRUE(read_bytes(versions[1].file) == original);

    // The version before the normalize saves as the file now does; the original differs in one setting.
    EXPECT_EQ(cli({"diff", file_, "--version", "1"}).code, 0);
    const Cli_result d = cli({"diff", file_, "--version", "2"});
    EXPECT_EQ(d.code, 0) << "the edit was taken back: " << d.out;
    ASSERT_EQ(cli({"edit", file_, "1", file_, "cb_s_6=1"}).code, 0);
    const Cli_result changed = cli({"diff", file_, "--version", "3"});
    EXPECT_EQ(changed.code, 5) << changed.out << changed.err;
    EXPECT_NE(changed.out.find(versions[1].file), std::string::npos) << changed.out;
}

TEST_F(CliVersions, OtherWritersKeepVersionsTooAndAWriteToAnotherFileCountsItsStations) {
    const std::string out = dir_.file("out.xml");
    ASSERT_EQ(cli({"normalize", file_, out}).code, 0);
    ASSERT_EQ(cli({"duplicate", file_, "1", out}).code, 0);
    ASSERT_EQ(cli({"edit", file_, "all", out, "cb_r_0=1"}).code, 0);
    const std::vector<Version_entry> versions = list_versions(out);
    ASSERT_EQ(versions.size(), 2u);
    EXPECT_EQ(versions[1].note.changes[0].rfind("vemora-cli duplicate", 0), 0u);
    EXPECT_EQ(versions[0].note.changes[0].rfind("vemora-cli edit", 0), 0u);
    EXPECT_GT(versions[1].note.stations, 0) << "counted in the kept file";
    EXPECT_EQ(versions[0].note.stations, versions[1].note.stations + 1) << "the duplicate added one";
    EXPECT_TRUE(list_versions(file_).empty()) << "the file only read keeps none";
}

TEST_F(CliVersions, AFileChangedOnDiskBetweenTheReadAndTheWriteIsNotWritten) {
    const std::string theirs = "<?xml version='1.0'?><SETUP><STATIONS/></SETUP>\r\n";
    cli_session().before_write = [&](const std::string& path) {
        if (path == file_) std::ofstream(path, std::ios::binary) << theirs;
    };
    for (const std::vector<std::string>& command :
         {std::vector<std::string>{"edit", file_, "1", file_, "cb_s_6=1"},
          std::vector<std::string>{"normalize", file_, file_},
          std::vector<std::string>{"edit", file_, "all", file_, "cb_r_0=1"},
          std::vector<std::string>{"duplicate", file_, "1", file_}}) {
        std::ofstream(file_, std::ios::binary) << read_bytes(VEMORA_EXAMPLES "/setup.xml");
        const Cli_result r = cli(command);
        EXPECT_EQ(r.code, 1) << command[0];
        EXPECT_NE(r.err.find("vemora-cli: \"" + file_ +
                             "\" was changed on disk since it was read; nothing written\n"),
                  std::string::npos)
            << r.err;
        EXPECT_EQ(read_bytes(file_), theirs) << "the other writer's file stays";
    }
    EXPECT_TRUE(list_versions(file_).empty());

    // Removed in between: refused as well. Touched, or the same bytes written again: written.
    cli_session().before_write = [&](const std::string& path) { fs::remove(path); };
    std::ofstream(file_, std::ios::binary) << read_bytes(VEMORA_EXAMPLES "/setup.xml");
    EXPECT_EQ(cli({"normalize", file_, file_}).err,
              "vemora-cli: \"" + file_ + "\" was removed since it was read; nothing written\n");
    std::ofstream(file_, std::ios::binary) << read_bytes(VEMORA_EXAMPLES "/setup.xml");
    cli_session().before_write = [&](const std::string& path) {
        const std::string same = read_bytes(path);
        fs::remove(path);
        std::ofstream(path, std::ios::binary) << same;
    };
    EXPECT_EQ(cli({"normalize", file_, file_}).code, 0);
    // A write to another file is no business of the check.
    cli_session().before_write = [&](const std::string& path) { std::ofstream(path) << "changed"; };
    EXPECT_EQ(cli({"normalize", file_, dir_.file("other.xml")}).code, 0);
}

TEST_F(CliVersions, NoSuchVersionAndNoVersionsAtAllAreSaid) {
    Cli_result r = cli({"versions", "list", file_});
    EXPECT_EQ(r.code, 6);
    EXPECT_EQ(r.err, "vemora-cli: \"" + file_ + "\" has no versions\n");
    ASSERT_EQ(cli({"normalize", file_, file_}).code, 0);
    r = cli({"versions", "show", file_, "2"});
    EXPECT_EQ(r.code, 2);
    EXPECT_EQ(r.err, "vemora-cli: \"" + file_ + "\" has no version 2 (it has 1)\n");
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(cli({"versions", "show", file_, "0"}).code, 2);
    EXPECT_EQ(cli({"versions", "show", file_, "x1"}).code, 2);
    EXPECT_EQ(cli({"versions", "drop", file_}).code, 2);
    EXPECT_EQ(cli({"diff", file_, "--version", "2"}).code, 2);
    EXPECT_EQ(cli({"diff", file_, "--version"}).code, 2);
    EXPECT_EQ(cli({"diff", file_, file_, "--version", "1"}).code, 2) << "one file with --version";
    r = cli({"versions", "prune", file_});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out, "") << "one version of today is kept";
}

TEST_F(CliVersions, TheFallbackFolderIsSaidOnceOnTheErrorStream) {
    dir_.write("setup.xml.versions", "in the way");
    const Cli_result first = cli({"normalize", file_, file_});
    EXPECT_EQ(first.code, 0) << first.err;
    EXPECT_NE(first.err.find("are kept in \"" + fallback_versions_folder(file_) + "\""), std::string::npos)
        << first.err;
    const Cli_result second = cli({"normalize", file_, file_});
    EXPECT_EQ(second.err, "");
    EXPECT_EQ(cli({"versions", "list", file_}).out.find("\n2\t") != std::string::npos, true)
        << "list finds them there";
}
