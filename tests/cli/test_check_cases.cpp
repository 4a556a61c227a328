// The cases of `vemora-cli check`, one folder each under tests/data/check: setup.xml (and the files it
// includes) and expected.txt, check's output with the case's folder written as <case>. A new case is a new
// folder, no C++.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "cli_fixture.h"

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

} // namespace

TEST(CheckCases, EveryCaseGivesItsExpectedLinesAndExitCode) {
    std::vector<std::filesystem::path> cases;
    for (const auto& entry : std::filesystem::directory_iterator(VEMORA_TEST_DATA "/check"))
        if (entry.is_directory()) cases.push_back(entry.path());
    std::sort(cases.begin(), cases.end());
    ASSERT_GE(cases.size(), 19u);
    for (const auto& folder : cases) {
        SCOPED_TRACE(folder.filename().string());
        const Cli_result r = cli({"check", (folder / "setup.xml").string()});
        const std::string expected = read_text(folder / "expected.txt");
        EXPECT_EQ(replace_all(r.out, folder.string(), "<case>"), expected);
        EXPECT_EQ(r.code, expected.empty() ? 0 : 4);
        EXPECT_EQ(r.err, "");
    }
}

// Whatever folder the tool is started from, a relative file name is found beside the setup file that names
// it: the same file reads the same configuration.
TEST(CheckCases, AnIncludedFileIsFoundBesideTheSetupFileFromAnyWorkingFolder) {
    const std::string folder = VEMORA_TEST_DATA "/check/include-used";
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path("/");
    const Cli_result from_root = cli({"dump", folder + "/setup.xml"});
    std::filesystem::current_path(folder);
    const Cli_result from_folder = cli({"dump", "setup.xml"});
    std::filesystem::current_path(before);
    EXPECT_EQ(from_root.out, from_folder.out);
    EXPECT_EQ(from_root.err, "");
    EXPECT_NE(from_root.out.find("1 id=19 cursor=12 image=8600000e10870000012cff"), std::string::npos)
        << from_root.out;
}

// dump and normalize, whose output is the file, also say when an included file was not read.
TEST(CheckCases, DumpAndNormalizeTellAnIncludedFileThatWasNotRead) {
    const std::string in = VEMORA_TEST_DATA "/check/include-not-read/setup.xml";
    const Cli_result dump = cli({"dump", in});
    EXPECT_EQ(dump.code, 0);
    EXPECT_NE(
        dump.err.find("WARNING : station 1 (id 17): configuration file \"missing.xml\" could not be read"),
        std::string::npos)
        << dump.err;
    const Cli_result after_root = cli({"dump", VEMORA_TEST_DATA "/check/after-root/setup.xml"});
    EXPECT_NE(after_root.err.find("after the end of \"SETUP\""), std::string::npos) << after_root.err;
    EXPECT_EQ(cli({"dump", VEMORA_TEST_DATA "/check/value-masked/setup.xml"}).err, "");
}
