// vemora-cli report: the station sheet of the example, reviewed once and then exact; PINs; arguments.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "Setup.h"
#include "cli_fixture.h"
#include "temp_dir.h"

namespace {

const std::string example = VEMORA_EXAMPLES "/setup.xml";

std::string golden() {
    std::ifstream in(VEMORA_TEST_DATA "/report/example.txt", std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::string> pins_of(const std::string& path) {
    Tsetup setup;
    EXPECT_EQ(setup.read_file(path.c_str()), 0);
    std::vector<std::string> pins;
    for (Tlist::Tnode* node = setup.stations.list.head(); node != nullptr; node = node->next)
        pins.push_back(static_cast<Tstation*>(node->item)->pin);
    return pins;
}

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

} // namespace

TEST(Report, TheExampleGivesTheReviewedSheets) {
    const Cli_result r = cli({"report", example});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, golden());
}

TEST(Report, PinCodesAreAbsentUnlessAskedFor) {
    const std::vector<std::string> pins = pins_of(example);
    ASSERT_FALSE(pins.empty());
    const Cli_result hidden = cli({"report", example});
    const Cli_result shown = cli({"report", example, "--show-pin"});
    for (const std::string& pin : pins) {
        if (pin.empty()) continue;
        EXPECT_EQ(hidden.out.find("\"" + pin + "\""), std::string::npos) << pin;
        EXPECT_NE(shown.out.find("  General / PIN code: \"" + pin + "\"\n"), std::string::npos) << pin;
    }
    EXPECT_NE(hidden.out.find("  General / PIN code: ****\n"), std::string::npos);
    // The sheets are otherwise the same, line for line.
    EXPECT_EQ(lines_of(hidden.out).size(), lines_of(shown.out).size());
}

TEST(Report, ChosenStationsComeInTheOrderAskedWithTheirPositions) {
    const Cli_result r = cli({"report", example, "3", "--show-pin", "1"});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out.find("Station 3 (id "), 0u) << r.out;
    EXPECT_NE(r.out.find("\n\nStation 1 (id 101)\n"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("Station 2 "), std::string::npos);
}

TEST(Report, OneChangedSettingChangesOneLine) {
    Temp_dir dir;
    ASSERT_EQ(cli({"edit", example, "1", dir.file("b.xml"), "ed_s_1=7.75"}).code, 0);
    const std::vector<std::string> a = lines_of(cli({"report", example}).out);
    const std::vector<std::string> b = lines_of(cli({"report", dir.file("b.xml")}).out);
    ASSERT_EQ(a.size(), b.size());
    int differing = 0;
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i] != b[i]) {
            ++differing;
            EXPECT_EQ(b[i], "  Slow Sequence / Uranine delta (on-off) / threshold: 7.75 [mv]");
        }
    EXPECT_EQ(differing, 1);
}

TEST(Report, BadArgumentsAreUsageErrorsAndUnreadableFilesExitOne) {
    EXPECT_EQ(cli({"report"}).code, 2);
    for (const char* n : {"0", "x", "-1", "1.5"}) {
        const Cli_result r = cli({"report", example, n});
        EXPECT_EQ(r.code, 2) << n;
        EXPECT_NE(r.err.find("is no station number"), std::string::npos) << r.err;
    }
    const Cli_result beyond = cli({"report", example, "99"});
    EXPECT_EQ(beyond.code, 2);
    EXPECT_NE(beyond.err.find("there is no station 99"), std::string::npos);
    EXPECT_EQ(beyond.out, "");
    EXPECT_EQ(cli({"report", "/nonexistent/setup.xml"}).code, 1);
}
