// Reading a station at a time gives what reading the whole tree gives: the same document, notes, trace
// lines and reasons; and it is taken where it should be and left where it must not be.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>

#include "Lib_xml_pieces.h"
#include "random_documents.h"
#include "read_both_ways.h"
#include "setup_fixture.h"

namespace {

// Whether the file is read by stations, and into how many.
size_t pieces_of(const std::string& path) {
    Xml_pieces pieces;
    return pieces.split(path.c_str(), "STATIONS", "STATION") == Xml_pieces::Split::DONE ? pieces.size() : 0;
}

// Reads by pieces with the file read in blocks of that size, for the length of the scope.
class Blocks_of {
  public:
    explicit Blocks_of(size_t bytes) : was_(Xml_pieces::block_size()) { Xml_pieces::set_block_size(bytes); }
    ~Blocks_of() { Xml_pieces::set_block_size(was_); }
    Blocks_of(const Blocks_of&) = delete;
    Blocks_of& operator=(const Blocks_of&) = delete;

  private:
    size_t was_;
};

void expect_both_ways_equal(const std::string& path, const std::string& what) {
    const Read_outcome by_stations = read_one_way(path, true);
    const Read_outcome whole = read_one_way(path, false);
    EXPECT_EQ(read_difference(by_stations, whole), "") << what;
}

const char head[] = "<?xml version='1.0' encoding='utf-8' ?>\r\n<SETUP>\r\n";

std::string station(int id, const std::string& inside = "<CONFIGURATION/>") {
    return "<STATION id=\"" + std::to_string(id) + "\" pin=\"12\">" + inside + "</STATION>\r\n";
}

TEST(ReadByStation, TheExampleAndTheHostileFilesReadAlikeBothWays) {
    std::vector<std::string> files{std::string(VEMORA_EXAMPLES) + "/setup.xml"};
    for (const auto& entry : std::filesystem::directory_iterator(std::string(VEMORA_TEST_DATA) + "/hostile"))
        files.push_back(entry.path().string());
    for (const std::string& f : files)
        expect_both_ways_equal(f, f);
    EXPECT_GT(pieces_of(files[0]), 0u) << "the example is read by stations";
}

TEST(ReadByStation, GeneratedDocumentsReadAlikeBothWaysAndRoundTrip) {
    Temp_dir dir;
    for (int seed = 1; seed <= 150; ++seed) {
        std::mt19937 rng(static_cast<unsigned>(seed));
        Tsetup made;
        random_document(rng, made);
        const std::string path = dir.write("generated.xml", written(made));
        expect_both_ways_equal(path, "seed " + std::to_string(seed));
        const size_t stations = stations_of(made).size();
        EXPECT_EQ(pieces_of(path), stations) << seed;
        // What was read by stations writes the very bytes that were read.
        Tsetup again;
        ASSERT_EQ(again.read_file(path.c_str()), 0) << seed;
        EXPECT_EQ(written(again), written(made)) << seed;
    }
}

// Markup that looks like a station's end where it is none: a scan that took it for one would cut the
// station short or make one up. Outside the stations the scan itself must not be fooled; inside one, the
// cut at the first end tag does not parse and the whole document is read instead.
TEST(ReadByStation, MarkupInsideCommentsAndValuesDoesNotDelimitAStation) {
    Temp_dir dir;
    const struct {
        const char* name;
        std::string text;
        size_t pieces;
    } cases[] = {
        {"around and escaped",
         std::string(head) + "<STATIONS>\r\n<!-- <STATION id=\"9\"> </STATION> -->\r\n" +
             station(1, "<CONFIGURATION><LOCATION value=\"a>b\"/></CONFIGURATION>") +
             "<STATION id='2' description=\"&lt;/STATION&gt;\" ><CONFIGURATION><STATION id=\"7\"/>"
             "</CONFIGURATION></STATION >\r\n<STATION id=\"3\"/>\r\n</STATIONS>\r\n</SETUP>\r\n",
         3},
        {"in a value",
         std::string(head) + "<STATIONS>" +
             station(1, "<CONFIGURATION><SMS_NUMBER value='</STATION>'/></CONFIGURATION>") + station(2) +
             "</STATIONS></SETUP>",
         0},
        {"in a comment",
         std::string(head) + "<STATIONS>" + station(1, "<!-- </STATION> -->") + station(2) +
             "</STATIONS></SETUP>",
         0},
        {"nested", std::string(head) + "<STATIONS>" + station(1, station(5)) + "</STATIONS></SETUP>", 0},
        {"end tag with blanks",
         std::string(head) + "<STATIONS><STATION id=\"4\"></STATION\r\n\t>" + station(2) +
             "</STATIONS></SETUP>",
         2},
    };
    for (const auto& c : cases) {
        const std::string path = dir.write("tricky.xml", c.text);
        EXPECT_EQ(pieces_of(path), c.pieces) << c.name;
        expect_both_ways_equal(path, c.name);
    }
    Tsetup setup;
    ASSERT_EQ(setup.read_file(dir.write("tricky.xml", cases[0].text).c_str()), 0);
    const auto stations = stations_of(setup);
    ASSERT_EQ(stations.size(), 3u);
    EXPECT_EQ(stations[1]->id, 2);
    EXPECT_STREQ(stations[1]->description, "</STATION>");
    ASSERT_EQ(setup.read_file(dir.write("tricky.xml", cases[1].text).c_str()), 0);
    ASSERT_EQ(stations_of(setup).size(), 2u);
    EXPECT_EQ(stations_of(setup)[1]->id, 2);
}

// The file is read a block at a time: markup, pieces and the outline's bytes that cross a block's end, and
// pieces larger than a block, read as they do in one block.
TEST(ReadByStation, EveryBlockSizeReadsAlike) {
    Temp_dir dir;
    std::vector<std::string> files{std::string(VEMORA_EXAMPLES) + "/setup.xml"};
    for (int seed = 1; seed <= 12; ++seed) {
        std::mt19937 rng(static_cast<unsigned>(seed));
        Tsetup made;
        random_document(rng, made);
        files.push_back(dir.write("generated-" + std::to_string(seed) + ".xml", written(made)));
    }
    files.push_back(dir.write("commented.xml", std::string(head) + "<!-- a comment -->\r\n<STATIONS>" +
                                                   station(1) + "<!-- between -->" +
                                                   station(2, "<!-- in -->") +
                                                   "</STATIONS><PATH_DATA_BIN path='p'/></SETUP>"));
    for (const std::string& f : files) {
        const size_t pieces = pieces_of(f);
        const Read_outcome whole = read_one_way(f, false);
        for (size_t block : {1, 2, 5, 64, 1000}) {
            Blocks_of blocks(block);
            EXPECT_EQ(pieces_of(f), pieces) << f << ", blocks of " << block;
            EXPECT_EQ(read_difference(read_one_way(f, true), whole), "") << f << ", blocks of " << block;
        }
    }
}

// The file is read twice; a file changed in between (in place, not replaced) is noticed.
TEST(ReadByStation, AFileChangedBetweenItsTwoReadsIsNoticed) {
    Temp_dir dir;
    const std::string path = dir.write("changing.xml", std::string(head) + "<STATIONS>" + station(1) +
                                                           station(2) + "</STATIONS></SETUP>");
    Xml_pieces pieces;
    ASSERT_EQ(pieces.split(path.c_str(), "STATIONS", "STATION"), Xml_pieces::Split::DONE);
    EXPECT_TRUE(pieces.unchanged());
    {
        std::FILE* f = std::fopen(path.c_str(), "r+b");
        ASSERT_NE(f, nullptr);
        std::fputs("<", f); // the same byte, written: only the time changes
        std::fclose(f);
    }
    struct timespec times[2] = {{0, UTIME_OMIT}, {1000000000, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
    EXPECT_FALSE(pieces.unchanged());
    // A file replaced by another (saved by a rename) leaves the one being read as it was.
    Xml_pieces again;
    ASSERT_EQ(again.split(path.c_str(), "STATIONS", "STATION"), Xml_pieces::Split::DONE);
    dir.write("other.xml", "<SETUP/>");
    ASSERT_EQ(std::rename(dir.file("other.xml").c_str(), path.c_str()), 0);
    EXPECT_TRUE(again.unchanged());
    ASSERT_TRUE(again.next());
    EXPECT_STREQ(again.next().attribute("id").value(), "2");
}

// Only STATION directly inside a STATIONS of the root is read on its own; what the reader ignores stays
// where it is, with its notes.
TEST(ReadByStation, StationsElsewhereAndSeveralStationsElementsReadAlike) {
    Temp_dir dir;
    const std::string file = std::string(head) + "<COMPORTS><STATION id=\"5\"/></COMPORTS>\r\n<STATIONS>" +
                             station(1) + "<STATON id=\"2\"/>" + station(1) + "</STATIONS>\r\n<STATIONS>" +
                             station(4, "<CONFIGURATION><BAD/><CONFIGURATION/></CONFIGURATION>") +
                             "</STATIONS><stations>" + station(8) + "</stations></SETUP>";
    const std::string path = dir.write("several.xml", file);
    EXPECT_EQ(pieces_of(path), 3u);
    expect_both_ways_equal(path, file);
}

// What the scan is not certain of is read as one tree: the same result, whatever the parser makes of it.
TEST(ReadByStation, FilesTheScanIsNotCertainOfAreReadWhole) {
    Temp_dir dir;
    const std::string stations = "<STATIONS>" + station(1) + "</STATIONS>";
    const struct {
        const char* name;
        std::string text;
    } cases[] = {
        {"cdata", "<SETUP>" + stations + "<PATH_DATA_BIN path='x'><![CDATA[<a>]]></PATH_DATA_BIN></SETUP>"},
        {"instruction", "<SETUP><?pi x?>" + stations + "</SETUP>"},
        {"doctype", "<!DOCTYPE SETUP>\n<SETUP>" + stations + "</SETUP>"},
        {"bom", "\xEF\xBB\xBF<SETUP>" + stations + "</SETUP>"},
        {"after root", "<SETUP>" + stations + "</SETUP><SECOND/>"},
        {"no stations", "<SETUP><STATIONS/></SETUP>"},
    };
    for (const auto& c : cases) {
        const std::string path = dir.write("unsure.xml", c.text);
        EXPECT_EQ(pieces_of(path), 0u) << c.name;
        expect_both_ways_equal(path, c.name);
    }
}

// A station that does not parse, after others that did, is found by the whole parse with its line and
// column; nothing the earlier stations said (an unknown element, a trace line) is heard twice or at all.
TEST(ReadByStation, AFaultyStationAfterGoodOnesGivesTheWholeParsesErrorAndNothingElse) {
    Temp_dir dir;
    const std::string good = station(1, "<CONFIGURATION><UNKNOWN/></CONFIGURATION>");
    const struct {
        const char* name;
        std::string text;
        const char* reason_start;
        bool stations_parsed_first; // the scan is sure of it: the good station is parsed before the fault
    } cases[] = {
        {"bad attribute",
         std::string(head) + "<STATIONS>" + good + "<STATION id=\"2\" a=\"1\"b=\"2\"/>" +
             "</STATIONS></SETUP>",
         "line 4, column ", false},
        {"mismatched tag",
         std::string(head) + "<STATIONS>" + good + "<STATION><A></B></STATION></STATIONS></SETUP>",
         "line 4, column ", true},
        {"nul byte",
         std::string(head) + "<STATIONS>" + good + std::string("<STATION id=\"\0\"/>", 17) +
             "</STATIONS></SETUP>",
         "line 4, column ", true},
        {"unclosed root", std::string(head) + "<STATIONS>" + good + "</STATIONS>", "line ", false},
    };
    for (const auto& c : cases) {
        const std::string path = dir.write("faulty.xml", c.text);
        EXPECT_EQ(pieces_of(path), c.stations_parsed_first ? 2u : 0u) << c.name;
        const Read_outcome by_stations = read_one_way(path, true);
        EXPECT_EQ(read_difference(by_stations, read_one_way(path, false)), "") << c.name;
        EXPECT_EQ(by_stations.result, 1) << c.name;
        EXPECT_EQ(by_stations.reason.rfind(c.reason_start, 0), 0u) << c.name << ": " << by_stations.reason;
        EXPECT_EQ(by_stations.notes, "") << c.name;
        EXPECT_EQ(by_stations.trace.find("unknown element"), std::string::npos) << c.name;
    }
}

// The notes and trace lines of a read by stations are held until every station has parsed, then heard
// in the order they were said.
TEST(ReadByStation, NotesAndTraceLinesOfAGoodFileAreHeardOnceInOrder) {
    Temp_dir dir;
    const std::string file = std::string(head) + "<STATIONS>" +
                             station(1, "<CONFIGURATION><FIRST/></CONFIGURATION>") + station(1) +
                             station(2, "<CONFIGURATION><SECOND/></CONFIGURATION>") + "</STATIONS></SETUP>";
    const std::string path = dir.write("noted.xml", file);
    const Read_outcome by_stations = read_one_way(path, true);
    EXPECT_EQ(read_difference(by_stations, read_one_way(path, false)), "");
    const size_t first = by_stations.trace.find("\"FIRST\""), second = by_stations.trace.find("\"SECOND\"");
    ASSERT_NE(first, std::string::npos);
    ASSERT_NE(second, std::string::npos);
    EXPECT_LT(first, second);
    EXPECT_EQ(by_stations.trace.find("\"FIRST\"", first + 1), std::string::npos);
    EXPECT_NE(by_stations.notes.find("FIRST"), std::string::npos);
}

} // namespace
