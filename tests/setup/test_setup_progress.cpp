// Progress of reading and saving: what the sink hears, and that a stop it asks for loses nothing.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "Reading_report.h"
#include "setup_fixture.h"

namespace {

struct Report {
    Progress_phase phase;
    uint64_t done, total;
};

// Records every report and asks to stop when `stop_at` says so.
class Recording_sink : public Progress_sink {
  public:
    std::function<bool(const Report&)> stop_at;
    std::vector<Report> reports;
    bool progress(Progress_phase phase, uint64_t done, uint64_t total) override {
        reports.push_back({phase, done, total});
        return stop_at && stop_at(reports.back());
    }
    std::vector<Progress_phase> phases() const {
        std::vector<Progress_phase> out;
        for (const Report& r : reports)
            if (out.empty() || out.back() != r.phase) out.push_back(r.phase);
        return out;
    }
    std::vector<Report> of(Progress_phase phase) const {
        std::vector<Report> out;
        for (const Report& r : reports)
            if (r.phase == phase) out.push_back(r);
        return out;
    }
};

// Each phase starts at 0, never goes back, keeps its total and ends at it.
void expect_complete(const std::vector<Report>& phase, uint64_t total, const char* what) {
    SCOPED_TRACE(what);
    ASSERT_FALSE(phase.empty());
    EXPECT_EQ(phase.front().done, 0u);
    for (size_t i = 0; i < phase.size(); ++i) {
        EXPECT_EQ(phase[i].total, total) << i;
        if (i > 0) {
            EXPECT_GE(phase[i].done, phase[i - 1].done) << i;
        }
    }
    EXPECT_EQ(phase.back().done, total);
}

void fill(Tsetup& setup, int stations) {
    setup.set_defaults();
    for (int i = 0; i < stations; ++i) {
        Tstation* s = new_station(i, "a station of the progress tests");
        s->configuration.add_tag_long(tag::STATION_ID, i);
        s->configuration.add_byte(tag::END);
        setup.stations.append(s);
    }
}

// A setup file of `stations` stations behind a comment of `padding` bytes, which makes the file long
// without making its parse or its stations slow.
std::string make_file(const Temp_dir& dir, int stations, size_t padding = 0) {
    Tsetup setup;
    fill(setup, stations);
    std::string xml = written(setup);
    if (padding > 0) xml.insert(xml.find("<SETUP>") + 7, "<!-- " + std::string(padding, 'x') + " -->");
    return dir.write("setup.xml", xml);
}

size_t files_in(const std::filesystem::path& folder) {
    size_t n = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        (void)entry;
        ++n;
    }
    return n;
}

} // namespace

TEST(SetupProgress, ReadingReportsEveryPhaseInOrderFromZeroToItsTotal) {
    Temp_dir dir;
    const std::string path = make_file(dir, 1000, 9u << 20);
    const uint64_t size = std::filesystem::file_size(path);
    Tsetup setup;
    Recording_sink sink;
    ASSERT_EQ(setup.read_file(path.c_str(), nullptr, nullptr, &sink), 0);
    EXPECT_EQ(stations_of(setup).size(), 1000u);
    const std::vector<Progress_phase> order = {Progress_phase::READING_FILE, Progress_phase::PARSING,
                                               Progress_phase::READING_STATIONS};
    EXPECT_EQ(sink.phases(), order);
    expect_complete(sink.of(Progress_phase::READING_FILE), size, "file");
    expect_complete(sink.of(Progress_phase::PARSING), 1, "parse");
    expect_complete(sink.of(Progress_phase::READING_STATIONS), 1000, "stations");
    // A file of 9 MB is told in pieces, 1000 stations in steps: neither only at its ends nor per unit.
    EXPECT_GE(sink.of(Progress_phase::READING_FILE).size(), 4u);
    EXPECT_GE(sink.of(Progress_phase::READING_STATIONS).size(), 6u);
    EXPECT_LE(sink.of(Progress_phase::READING_STATIONS).size(), 100u);
}

TEST(SetupProgress, SavingReportsTheStationsThenTheDiskAndEndsAtTheTotal) {
    Temp_dir dir;
    Tsetup setup;
    fill(setup, 700);
    Recording_sink sink;
    const std::string path = dir.file("setup.xml");
    ASSERT_EQ(setup.write_file(path.c_str(), nullptr, &sink), 0);
    EXPECT_EQ(read_bytes(path), written(setup));
    const std::vector<Progress_phase> order = {Progress_phase::WRITING_STATIONS,
                                               Progress_phase::WRITING_TO_DISK};
    EXPECT_EQ(sink.phases(), order);
    expect_complete(sink.of(Progress_phase::WRITING_STATIONS), 700, "stations");
    expect_complete(sink.of(Progress_phase::WRITING_TO_DISK), 1, "disk");
    EXPECT_GE(sink.of(Progress_phase::WRITING_STATIONS).size(), 5u);

    // A document without stations still starts and ends its phase.
    Tsetup empty;
    Recording_sink quiet;
    ASSERT_EQ(empty.write_file(path.c_str(), nullptr, &quiet), 0);
    expect_complete(quiet.of(Progress_phase::WRITING_STATIONS), 0, "no stations");
}

TEST(SetupProgress, ReadingWithASinkGivesTheSameDocumentAndNotesAsWithout) {
    std::vector<std::string> files = {VEMORA_EXAMPLES "/setup.xml"};
    for (const auto& entry : std::filesystem::directory_iterator(VEMORA_TEST_DATA "/check"))
        files.push_back((entry.path() / "setup.xml").string());
    ASSERT_GT(files.size(), 10u);
    for (const std::string& file : files) {
        SCOPED_TRACE(file);
        Tsetup plain, heard;
        Reading_collector plain_notes, heard_notes;
        std::string plain_reason, heard_reason;
        Recording_sink sink;
        const int plain_result = plain.read_file(file.c_str(), &plain_reason, &plain_notes);
        EXPECT_EQ(heard.read_file(file.c_str(), &heard_reason, &heard_notes, &sink), plain_result);
        EXPECT_EQ(heard_reason, plain_reason);
        EXPECT_EQ(written(heard), written(plain));
        ASSERT_EQ(heard_notes.size(), plain_notes.size());
        for (size_t i = 0; i < plain_notes.notes().size(); ++i)
            EXPECT_EQ(note_words(heard_notes.notes()[i]), note_words(plain_notes.notes()[i]));
        if (plain_result == 0) {
            EXPECT_EQ(sink.phases().back(), Progress_phase::READING_STATIONS);
        }
    }
}

// A stop asked at any report of the read: the document stays as it was, the reason says why, and the
// sink hears nothing more.
TEST(SetupProgress, AStoppedReadLeavesTheDocumentAsItWas) {
    Temp_dir dir;
    const std::string path = make_file(dir, 600, 5u << 20);
    const std::vector<std::pair<const char*, std::function<bool(const Report&)>>> stops = {
        {"at the first bytes", [](const Report& r) { return r.phase == Progress_phase::READING_FILE; }},
        {"half way through the bytes",
         [](const Report& r) { return r.phase == Progress_phase::READING_FILE && r.done > 0; }},
        {"before the parse", [](const Report& r) { return r.phase == Progress_phase::PARSING; }},
        {"after the parse",
         [](const Report& r) { return r.phase == Progress_phase::PARSING && r.done == 1; }},
        {"at the first station", [](const Report& r) { return r.phase == Progress_phase::READING_STATIONS; }},
        {"half way through the stations",
         [](const Report& r) { return r.phase == Progress_phase::READING_STATIONS && r.done >= 300; }},
        {"at the last station",
         [](const Report& r) { return r.phase == Progress_phase::READING_STATIONS && r.done == r.total; }},
    };
    for (const auto& stop : stops) {
        SCOPED_TRACE(stop.first);
        Tsetup setup;
        fill(setup, 3);
        copy_text(setup.path_data_bin, "/kept", sizeof setup.path_data_bin);
        const std::string before = written(setup);
        Recording_sink sink;
        sink.stop_at = stop.second;
        std::string reason;
        Reading_collector notes;
        EXPECT_EQ(setup.read_file(path.c_str(), &reason, &notes, &sink), FILE_CANCELLED);
        EXPECT_EQ(reason, "cancelled");
        EXPECT_EQ(written(setup), before);
        ASSERT_FALSE(sink.reports.empty());
        EXPECT_TRUE(stop.second(sink.reports.back())) << "heard after the stop";
        // The same document reads whole afterwards: nothing of the stopped read stays behind.
        EXPECT_EQ(setup.read_file(path.c_str()), 0);
        EXPECT_EQ(stations_of(setup).size(), 600u);
    }
}

// A stop asked while the stations are written or before the flush to the disk: the old file stays byte
// for byte and the folder holds nothing else. A stop answered once the file is in place changes nothing.
TEST(SetupProgress, AStoppedSaveLeavesTheOldFileAndNoTemporary) {
    Temp_dir dir;
    const std::string path = dir.write("setup.xml", "<SETUP>the old file</SETUP>\r\n");
    Tsetup setup;
    fill(setup, 500);
    const std::vector<std::pair<const char*, std::function<bool(const Report&)>>> stops = {
        {"at the first station", [](const Report& r) { return r.phase == Progress_phase::WRITING_STATIONS; }},
        {"half way through the stations",
         [](const Report& r) { return r.phase == Progress_phase::WRITING_STATIONS && r.done >= 250; }},
        {"at the last station",
         [](const Report& r) { return r.phase == Progress_phase::WRITING_STATIONS && r.done == r.total; }},
        {"before the flush", [](const Report& r) { return r.phase == Progress_phase::WRITING_TO_DISK; }},
    };
    for (const auto& stop : stops) {
        SCOPED_TRACE(stop.first);
        Recording_sink sink;
        sink.stop_at = stop.second;
        std::string reason;
        EXPECT_EQ(setup.write_file(path.c_str(), &reason, &sink), FILE_CANCELLED);
        EXPECT_EQ(reason, "cancelled");
        EXPECT_EQ(read_bytes(path), "<SETUP>the old file</SETUP>\r\n");
        EXPECT_EQ(files_in(dir.path()), 1u);
        EXPECT_TRUE(stop.second(sink.reports.back())) << "heard after the stop";
    }
    // A save stopped where no file was yet leaves none.
    Recording_sink early;
    early.stop_at = [](const Report& r) { return r.done >= 100; };
    EXPECT_EQ(setup.write_file(dir.file("new.xml").c_str(), nullptr, &early), FILE_CANCELLED);
    EXPECT_FALSE(std::filesystem::exists(dir.file("new.xml")));
    EXPECT_EQ(files_in(dir.path()), 1u);

    Recording_sink late;
    late.stop_at = [](const Report& r) { return r.phase == Progress_phase::WRITING_TO_DISK && r.done == 1; };
    EXPECT_EQ(setup.write_file(path.c_str(), nullptr, &late), 0);
    EXPECT_EQ(read_bytes(path), written(setup));
}

TEST(SetupProgress, WritingWithASinkGivesTheSameBytes) {
    Tsetup setup;
    fill(setup, 300);
    Recording_sink sink;
    std::string heard;
    {
        Text_out out(&heard);
        EXPECT_TRUE(setup.write(&out, &sink));
    }
    EXPECT_EQ(heard, written(setup));
    Recording_sink stopping;
    stopping.stop_at = [](const Report& r) { return r.done >= 128; };
    std::string cut;
    {
        Text_out out(&cut);
        EXPECT_FALSE(setup.write(&out, &stopping));
    }
    EXPECT_LT(cut.size(), heard.size());
    EXPECT_EQ(cut.find("</SETUP>"), std::string::npos);
}
