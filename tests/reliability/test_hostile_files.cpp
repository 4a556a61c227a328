// Hostile setup files, from tests/data/hostile/ and generated here when they are too large to keep: each
// is read (or refused with its reason), checked as `vemora-cli check` checks it, saved, read back and
// saved again, in a child process of its own that must end in time, within its memory, without a crash.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <sstream>

#include "Lib_trace.h"
#include "Reading_context.h"
#include "child_process.h"
#include "cli_fixture.h"
#include "setup_fixture.h"

namespace {

const std::string hostile = VEMORA_TEST_DATA "/hostile";

size_t lines_starting(const std::string& text, const std::string& start) {
    size_t n = 0;
    for (size_t p = 0; p < text.size();) {
        if (text.compare(p, start.size(), start) == 0) ++n;
        const size_t end = text.find('\n', p);
        if (end == std::string::npos) break;
        p = end + 1;
    }
    return n;
}

std::string hex_prefix(const Teeprom_configurer& image, int n) {
    std::string out;
    char piece[4];
    for (int i = 0; i < n; ++i) {
        std::snprintf(piece, sizeof piece, "%s%02X", i ? " " : "", image.get_byte(static_cast<uint8_t>(i)));
        out += piece;
    }
    return out;
}

using Details = std::function<std::string(Tsetup&)>;

// What reading the file gives, in one line: refused and why, or what was read, what check says and
// whether a save reads back and saves to the same bytes; then the case's own details.
std::string outcome_of(const std::string& path, const std::string& scratch, const Details& details) {
    std::ostringstream o;
    Tsetup setup;
    std::string reason, traced;
    {
        Trace_capture capture;
        if (setup.read_file(path.c_str(), &reason) != 0) return "refused: " + reason;
        traced = capture.text();
    }
    o << "read, " << stations_of(setup).size() << " stations, " << lines_starting(traced, "ERROR : ")
      << " errors";
    const Cli_result check = cli({"check", path});
    o << "; check " << check.code << " with " << lines_starting(check.out, "WARNING : ") << " warnings";
    const std::string first = scratch + "/first.xml", second = scratch + "/second.xml";
    Tsetup again;
    if (setup.write_file(first.c_str(), &reason) != 0) return o.str() + "; save failed: " + reason;
    if (again.read_file(first.c_str(), &reason) != 0)
        return o.str() + "; the saved file cannot be read: " + reason;
    if (again.write_file(second.c_str(), &reason) != 0) return o.str() + "; second save failed: " + reason;
    o << (read_bytes(first) == read_bytes(second) ? "; saved, normalizes" : "; saved, does not normalize");
    if (details) o << "; reloaded: " << details(again);
    return o.str();
}

struct Hostile_case {
    std::string file;   // in `folder`
    std::string folder; // where it is read from, so that the names it includes are found
    std::string expected;
    long memory_limit_mb; // peak resident memory of the whole child
    Details details;
    unsigned seconds_limit = 120; // a bound that only a fault reaches, not a speed goal
};

// Runs one case in a child; the child reads from the case's folder as its working folder.
void expect_outcome(const Hostile_case& c) {
    Temp_dir scratch;
    const Child_result r = run_in_child(
        [&](int out) {
            if (chdir(c.folder.c_str()) != 0) return 3;
            write_all(out, outcome_of(c.file, scratch.path().string(), c.details));
            return 0;
        },
        c.seconds_limit);
    std::printf("[ hostile  ] %-28s %6.2f s %8.1f MB  %s\n", c.file.c_str(), r.seconds,
                r.peak_rss_kb / 1024.0, r.output.c_str());
    ASSERT_TRUE(r.ok()) << c.file << ": " << r.how();
    EXPECT_EQ(r.output, c.expected) << c.file;
    if (measuring_memory) {
        EXPECT_LE(r.peak_rss_kb / 1024, c.memory_limit_mb) << c.file;
    }
}

std::string station_image(Tsetup& s, int station, int bytes) {
    const auto all = stations_of(s);
    if (static_cast<size_t>(station) >= all.size()) return "no station " + std::to_string(station);
    return "image " + hex_prefix(all[static_cast<size_t>(station)]->configuration, bytes);
}

// Writes a large file piece by piece, never holding it whole in memory.
class Generated_file {
  public:
    explicit Generated_file(const std::string& path) : f_(std::fopen(path.c_str(), "wb")) {
        if (f_ == nullptr) std::abort();
    }
    ~Generated_file() { std::fclose(f_); }
    Generated_file& put(const std::string& text) {
        if (std::fwrite(text.data(), 1, text.size(), f_) != text.size()) std::abort();
        return *this;
    }
    Generated_file& repeat(const std::string& text, long long times) {
        const long long per_block = (1 << 16) / static_cast<long long>(text.size()) + 1;
        std::string block;
        for (long long i = 0; i < per_block; ++i)
            block += text;
        for (; times >= per_block; times -= per_block)
            put(block);
        for (; times > 0; --times)
            put(text);
        return *this;
    }

  private:
    FILE* f_;
};

} // namespace

TEST(HostileFiles, BrokenFilesAreRefusedWithTheirReason) {
    expect_outcome(
        {"lt-only.xml", hostile, "refused: line 1, column 2: Could not determine tag type", 32, nullptr});
    expect_outcome({"invalid-nul.xml", hostile, "refused: line 1, column 47: Error parsing element attribute",
                    32, nullptr});
    expect_outcome({"invalid-utf16.xml", hostile, "refused: line 1, column 4: Could not determine tag type",
                    32, nullptr});
}

TEST(HostileFiles, FilesThatIncludeThemselvesEnd) {
    // Each level reads the root's STATIONS as an unknown record; the ninth file is not read. The last
    // file read supplies the configuration: in the ring, ring-3 with its GSM_INTERVAL of 3.
    expect_outcome(
        {"self-include.xml", hostile,
         "read, 1 stations, 9 errors; check 4 with 8 warnings; saved, normalizes; reloaded: image FF", 32,
         [](Tsetup& s) { return station_image(s, 0, 1); }});
    expect_outcome({"ring-1.xml", hostile,
                    "read, 1 stations, 3 errors; check 4 with 8 warnings; saved, normalizes; reloaded: image "
                    "86 00 00 00 03 FF",
                    32, [](Tsetup& s) { return station_image(s, 0, 6); }});
    // A ring member read as a setup file: a CONFIGURATION root holds no setup element.
    expect_outcome({"ring-2.xml", hostile,
                    "read, 0 stations, 0 errors; check 4 with 1 warnings; saved, normalizes", 32, nullptr});
}

TEST(HostileFiles, ReferencesOutsideAByteStayAsTheyStand) {
    expect_outcome({"references.xml", hostile,
                    "read, 1 stations, 0 errors; check 4 with 1 warnings; saved, normalizes; reloaded: "
                    "bin c:\\&#x100;\\&#xFFFFFFFF; xml &#4294967296;&#0;&#x;&#-1;\xe9"
                    "A id 7 "
                    "description &#xFFFFFFFFFFFFFFFF;&#99999999999999999999;&#x41;&#x41 "
                    "image 03 0E 26 23 78 31 30 30 3B 26 23 32 35 36 3B FF 09 09 C4 82 3F C0 00 00 C4 03 00",
                    32, [](Tsetup& s) {
                        const Tstation& st = *stations_of(s)[0];
                        return std::string("bin ") + s.path_data_bin + " xml " + s.path_data_xml + " id " +
                               std::to_string(st.id) + " description " + st.description + " " +
                               station_image(s, 0, 27);
                    }});
}

TEST(HostileFiles, InvalidBytesPassThroughUnchanged) {
    expect_outcome(
        {"invalid-bytes.xml", hostile,
         "read, 1 stations, 1 errors; check 4 with 2 warnings; saved, normalizes; reloaded: bin 80 81 FE FF "
         "C3 28 ED A0 80 F4 "
         "90 80 80; port 43 4F 4D 01 1F; description C3 A9 74 E9 09 0D 0A; image 01 05 2B 34 31 80 FF FF",
         32, [](Tsetup& s) {
             const auto bytes = [](const char* text) {
                 std::string out;
                 char piece[4];
                 for (const char* p = text; *p; ++p) {
                     std::snprintf(piece, sizeof piece, "%s%02X", p == text ? "" : " ",
                                   static_cast<unsigned char>(*p));
                     out += piece;
                 }
                 return out;
             };
             return "bin " + bytes(s.path_data_bin) + "; port " + bytes(comports_of(s)[0]->port) +
                    "; description " + bytes(stations_of(s)[0]->description) + "; " + station_image(s, 0, 8);
         }});
}

TEST(HostileFiles, EverySequenceValueFromMinusOneTo300) {
    expect_outcome({"sequence-values.xml", hostile,
                    "read, 1 stations, 299 errors; check 4 with 0 warnings; saved, normalizes; reloaded: "
                    "image 08 02 84 00 09 02 84 00 0A 02 84 00 FF",
                    32, [](Tsetup& s) { return station_image(s, 0, 13); }});
}

TEST(HostileFiles, ConfigurationsThatFillTheImage) {
    // Station 2 fills all 223 bytes with data and only its end marker finds no room: the marker is no
    // data, so only station 3, whose last threshold did not fit, is said not to fit.
    expect_outcome({"image-filling.xml", hostile,
                    "read, 3 stations, 0 errors; check 4 with 1 warnings; saved, normalizes; reloaded: "
                    "cursors 223 223 220, ends 00 FF 84 00 FF FF",
                    32, [](Tsetup& s) {
                        std::string out = "cursors";
                        for (Tstation* st : stations_of(s))
                            out += " " + std::to_string(st->configuration.cursor());
                        // Station 1 ends with its end marker, station 2 with the end of its sequence (no room
                        // for the end marker); station 3 was saved without the command whose threshold did
                        // not fit and what followed it, so that it now fits.
                        out += ", ends";
                        for (Tstation* st : stations_of(s))
                            for (int k = 221; k < 223; ++k)
                                out += " " + hex_prefix(st->configuration, 223).substr(3 * k, 2);
                        return out;
                    }});
}

TEST(HostileFiles, GeneratedLargeFiles) {
    Temp_dir dir;
    const std::string folder = dir.path().string();
    {
        // 10^5 levels inside a sequence: only the outermost command is a command.
        Generated_file f(dir.file("deep-100k.xml"));
        f.put("<SETUP><STATIONS><STATION id='1'><CONFIGURATION><ACQUISITION_SEQUENCE value='0'>")
            .repeat("<WAIT timeout='1'>", 100000)
            .repeat("</WAIT>", 100000)
            .put("</ACQUISITION_SEQUENCE></CONFIGURATION></STATION></STATIONS></SETUP>");
    }
    expect_outcome({"deep-100k.xml", folder,
                    "read, 1 stations, 0 errors; check 0 with 0 warnings; saved, normalizes; reloaded: image "
                    "08 02 A1 00 FF",
                    48, [](Tsetup& s) { return station_image(s, 0, 5); }});
    {
        // 10^6 levels of an unknown element beside a station.
        Generated_file f(dir.file("deep-1m.xml"));
        f.put("<SETUP><STATIONS>")
            .repeat("<X>", 1000000)
            .repeat("</X>", 1000000)
            .put("<STATION id='4'/></STATIONS></SETUP>");
    }
    expect_outcome({"deep-1m.xml", folder,
                    "read, 1 stations, 0 errors; check 4 with 1 warnings; saved, normalizes", 160, nullptr});
    {
        // 10,000 records in one configuration: reading stops when the image is full; the save keeps the 44
        // records that fit whole.
        Generated_file f(dir.file("children-10000.xml"));
        f.put("<SETUP><STATIONS><STATION id='6'><CONFIGURATION>")
            .repeat("<GSM_DURATION value='7'/>", 10000)
            .put("</CONFIGURATION></STATION></STATIONS></SETUP>");
    }
    expect_outcome(
        {"children-10000.xml", folder,
         "read, 1 stations, 0 errors; check 4 with 1 warnings; saved, normalizes; reloaded: cursor 221", 32,
         [](Tsetup& s) { return "cursor " + std::to_string(stations_of(s)[0]->configuration.cursor()); }});
}

TEST(HostileFiles, AnAttributeOf200MB) {
    Temp_dir dir;
    {
        Generated_file f(dir.file("attribute-200mb.xml"));
        f.put("<SETUP><STATIONS><STATION id='8' description='")
            .repeat("d", 200ll << 20)
            .put("'/></STATIONS></SETUP>");
    }
    // The description keeps 255 characters; check names the cut. Reading and check hold the file once: a
    // note keeps only the beginning of the text it quotes.
    expect_outcome({"attribute-200mb.xml", dir.path().string(),
                    "read, 1 stations, 0 errors; check 4 with 1 warnings; saved, normalizes; reloaded: "
                    "description of 255",
                    320, [](Tsetup& s) {
                        return "description of " +
                               std::to_string(std::strlen(stations_of(s)[0]->description));
                    }});
}

TEST(HostileFiles, AnIncludedFileThatIsAPipeIsNotWaitedFor) {
    // Opening a named pipe waits for a writer that never comes; the reader must refuse it at once.
    Temp_dir dir;
    ASSERT_EQ(mkfifo(dir.file("pipe").c_str(), 0600), 0);
    dir.write("uses-pipe.xml",
              "<SETUP><STATIONS><STATION id='1'><CONFIGURATION file='pipe'><ACQ_INTERVAL0 value='60'/>"
              "</CONFIGURATION></STATION></STATIONS></SETUP>");
    expect_outcome({"uses-pipe.xml", dir.path().string(),
                    "read, 1 stations, 0 errors; check 4 with 1 warnings; saved, normalizes; reloaded: image "
                    "85 00 00 00 3C FF",
                    32, [](Tsetup& s) { return station_image(s, 0, 6); }});
    expect_outcome({"pipe", dir.path().string(), "refused: it is not a regular file", 32, nullptr});
}

TEST(HostileFiles, TwoSetupFilesInOneAreSaidToLoseTheSecond) {
    Temp_dir dir;
    const std::string one = "<?xml version='1.0' encoding='utf-8' ?>\n<SETUP><STATIONS><STATION id='1'/>"
                            "</STATIONS></SETUP>\n";
    dir.write("two-roots.xml", one + one);
    expect_outcome({"two-roots.xml", dir.path().string(),
                    "read, 1 stations, 0 errors; check 4 with 1 warnings; saved, normalizes", 32, nullptr});
    const Cli_result normalize = cli({"normalize", dir.file("two-roots.xml"), dir.file("out.xml")});
    EXPECT_EQ(normalize.code, 0);
    EXPECT_NE(normalize.err.find("element \"SETUP\" after the end of \"SETUP\" is ignored"),
              std::string::npos)
        << normalize.err;
}

TEST(HostileFiles, ValuesWiderThanTheirFieldsAreSaid) {
    expect_outcome(
        {"setup.xml", VEMORA_TEST_DATA "/check/value-masked",
         "read, 1 stations, 0 errors; check 4 with 4 warnings; saved, normalizes; reloaded: image 84 "
         "01 00 2C 00 08 06 BC 82 00 C1 01 00 FF",
         32, [](Tsetup& s) { return station_image(s, 0, 14); }});
}

// Every station includes the file itself: each include used to parse the whole file again, so the time grew
// with the square of its size. Parsed once, it reads at the speed of one parse.
TEST(HostileFiles, AFileThatEveryStationIncludesIsParsedOnce) {
    Temp_dir dir;
    {
        Generated_file f(dir.file("include-blowup.xml"));
        f.put("<SETUP><STATIONS>");
        for (int i = 0; i < 20000; ++i)
            f.put("<STATION id='" + std::to_string(i) +
                  "'><CONFIGURATION file='include-blowup.xml'/></STATION>");
        f.put("</STATIONS></SETUP>");
    }
    expect_outcome({"include-blowup.xml", dir.path().string(),
                    "read, 20000 stations, 20000 errors; check 4 with 20000 warnings; saved, normalizes; "
                    "reloaded: image FF FF",
                    160, [](Tsetup& s) { return station_image(s, 19999, 2); }, 20});
}

// Included files together are bounded: their bytes, each file read once, and the elements their uses walk.
// Past a bound a station keeps its own configuration and says why. The bounds are lowered here (in a child
// of its own) to be reached with small files.
TEST(HostileFiles, IncludedFilesTogetherAreBounded) {
    Temp_dir dir;
    std::string children;
    for (int i = 0; i < 30; ++i)
        children += "<GSM_INTERVAL value='" + std::to_string(i) + "'/>";
    dir.write("a.xml", "<C>" + children + "</C>");
    dir.write("b.xml", "<C>" + children + "</C>");
    std::string stations;
    for (const char* file : {"a.xml", "a.xml", "a.xml", "b.xml", "a.xml"})
        stations += std::string("<STATION id='1'><CONFIGURATION file='") + file +
                    "'><ACQ_INTERVAL0 value='9'/></CONFIGURATION></STATION>";
    const std::string in = dir.write("in.xml", "<SETUP><STATIONS>" + stations + "</STATIONS></SETUP>");
    const auto checked = [&](unsigned long long bytes, unsigned long long elements) {
        const Child_result r = run_in_child(
            [&](int fd) {
                Reading_context::set_include_limits(bytes, elements);
                const Cli_result c = cli({"check", in});
                const Cli_result d = cli({"dump", in});
                write_all(fd, c.out + d.out);
                return 0;
            },
            20);
        EXPECT_TRUE(r.ok()) << r.how();
        return r.output;
    };
    // Bytes: a.xml is read once, b.xml would pass the bound.
    const std::string by_bytes = checked(1000, 0);
    EXPECT_NE(by_bytes.find("station 4 (id 1): configuration file \"b.xml\" could not be read (the included "
                            "configuration files of this setup file come to more than 1000 bytes)"),
              std::string::npos)
        << by_bytes;
    EXPECT_NE(by_bytes.find("4 id=1 cursor=6 image=8500000009ff"), std::string::npos) << by_bytes;
    EXPECT_NE(by_bytes.find("5 id=1 cursor=157 image=86"), std::string::npos) << by_bytes;
    // Elements: each use walks 30; the fourth use would pass 100.
    const std::string by_elements = checked(0, 100);
    EXPECT_NE(
        by_elements.find("station 4 (id 1): configuration file \"b.xml\" could not be read (the included "
                         "configuration files of this setup file have been walked for 100 elements already)"),
        std::string::npos)
        << by_elements;
    EXPECT_NE(by_elements.find("3 id=1 cursor=157 image=86"), std::string::npos) << by_elements;
    EXPECT_NE(by_elements.find("5 id=1 cursor=6 image=8500000009ff"), std::string::npos) << by_elements;
}

// A relative name is looked for beside the setup file, whatever folder the program runs in; when it is
// nowhere, every command says so.
TEST(HostileFiles, AnIncludedFileNotFoundFromAnotherWorkingFolderIsSaid) {
    Temp_dir dir;
    std::filesystem::create_directories(dir.path() / "stations");
    dir.write("stations/setup.xml",
              "<SETUP><STATIONS><STATION id='1'><CONFIGURATION file='shared.xml'>"
              "<ACQ_INTERVAL0 value='60'/></CONFIGURATION></STATION></STATIONS></SETUP>");
    dir.write("stations/shared.xml", "<C><GSM_INTERVAL value='3'/></C>");
    // From the folder above it, the file beside the setup file is found.
    expect_outcome(
        {"stations/setup.xml", dir.path().string(),
         "read, 1 stations, 0 errors; check 4 with 1 warnings; saved, normalizes; reloaded: image 86 "
         "00 00 00 03 FF",
         32, [](Tsetup& s) { return station_image(s, 0, 6); }});
    std::filesystem::remove(dir.path() / "stations" / "shared.xml");
    const Cli_result dump = cli({"dump", dir.file("stations/setup.xml")});
    EXPECT_EQ(dump.code, 0);
    EXPECT_NE(
        dump.err.find("configuration file \"shared.xml\" could not be read (No such file or directory)"),
        std::string::npos)
        << dump.err;
    EXPECT_NE(dump.out.find("1 id=1 cursor=6 image=850000003cff"), std::string::npos) << dump.out;
}

// A document whose records would not fit the memory the process may use is refused whole, with the figures,
// and the output is left untouched; no station is ever skipped.
TEST(HostileFiles, ADocumentThatDoesNotFitIsRefusedWholeNotCut) {
    if (!measuring_memory) GTEST_SKIP() << "an address-space limit and the address sanitizer do not mix";
    Temp_dir dir;
    {
        Generated_file f(dir.file("3m-stations.xml"));
        f.put("<SETUP><STATIONS>");
        for (int i = 0; i < 3000000; ++i)
            f.put("<STATION id=\"" + std::to_string(i) + "\"/>");
        f.put("</STATIONS></SETUP>");
    }
    const std::string out = dir.write("out.xml", "the file that was there");
    const Child_result r = run_in_child(
        [&](int fd) {
            struct rlimit limit {};
            limit.rlim_cur = limit.rlim_max = 1500000ull * 1024;
            if (setrlimit(RLIMIT_AS, &limit) != 0) return 3;
            myXMLdocument::set_tree_limit(limit.rlim_cur / 2);
            const Cli_result n = cli({"normalize", dir.file("3m-stations.xml"), out});
            write_all(fd, std::to_string(n.code) + " " + n.err);
            return 0;
        },
        60);
    ASSERT_TRUE(r.ok()) << r.how();
    EXPECT_EQ(r.output.substr(0, 2), "1 ") << r.output;
    EXPECT_NE(r.output.find("not enough memory to read the file (its stations and COM ports need"),
              std::string::npos)
        << r.output;
    EXPECT_EQ(read_bytes(out), "the file that was there");
}
