// The station sheet on paper: the compact form says what the report says, a caption a line, the unticked
// boxes of a page on one line.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "Setup.h"
#include "Station_settings.h"
#include "Station_sheet.h"

namespace {

// The setting lines of a report ("  <page> / <caption> / <aspect>: value") as caption and value.
std::vector<std::pair<std::string, std::string>> settings_of(const std::vector<std::string>& lines) {
    std::vector<std::pair<std::string, std::string>> out;
    for (const std::string& line : lines) {
        const size_t colon = line.find(": ");
        if (line.rfind("  ", 0) != 0 || colon == std::string::npos) continue;
        std::string label = line.substr(2, colon - 2);
        label = label.substr(label.find(" / ") + 3); // the page
        const size_t aspect = label.rfind(" / ");
        out.push_back(
            {aspect == std::string::npos ? label : label.substr(0, aspect), line.substr(colon + 2)});
    }
    return out;
}

} // namespace

TEST(StationSheet, TheCompactSheetHoldsEverySettingOnFewerLinesWithoutRepeatingThePage) {
    Tsetup example;
    ASSERT_EQ(example.read_file(VEMORA_EXAMPLES "/setup.xml"), 0);
    Settings_reader reader;
    int position = 0;
    for_each_item<Tstation>(example.stations.list, [&](const Tstation& s) {
        ++position;
        Sheet_options full, compact;
        compact.compact = true;
        const std::vector<std::string> report = station_sheet(s, position, full, reader);
        const std::vector<std::string> paper = station_sheet(s, position, compact, reader);
        ASSERT_GE(report.size(), 2u);
        // The same heading, memory line and group headings.
        EXPECT_EQ(paper[0], report[0]);
        EXPECT_EQ(paper[1], report[1]);
        std::set<std::string> report_headings, paper_headings;
        for (const std::string& l : report)
            if (!l.empty() && l[0] != ' ') report_headings.insert(l);
        for (const std::string& l : paper)
            if (!l.empty() && l[0] != ' ') paper_headings.insert(l);
        EXPECT_EQ(paper_headings, report_headings) << position;
        // Every value of the report is on paper, in the same order; no line repeats its page.
        std::string joined;
        for (const std::string& l : paper) {
            joined += l + "\n";
            for (const char* page : {"  Slow Sequence / ", "  Fast Sequence / ", "  Remote sequence / ",
                                     "  General / ", "  GSM timing / "})
                EXPECT_NE(l.rfind(page, 0), 0u) << l;
        }
        for (const auto& [caption, value] : settings_of(report)) {
            EXPECT_NE(joined.find(caption), std::string::npos) << position << ": " << caption;
            if (value != "no") EXPECT_NE(joined.find(value), std::string::npos) << position << ": " << value;
        }
        EXPECT_EQ(joined.find("1234"), std::string::npos) << joined; // no PIN on paper unless asked
        // Short enough for a page: at most 60 lines, however many boxes the station leaves unticked.
        EXPECT_LE(paper.size(), 60u) << position << "\n" << joined;
    });
}
