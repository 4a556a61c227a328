// The collector of reading notes and the two ways of saying a note.
#include <gtest/gtest.h>

#include "Reading_report.h"

namespace {

Reading_note station_note(Note_kind kind, int station) {
    Reading_note n;
    n.kind = kind;
    n.station = station;
    n.station_id = 100 + station;
    n.element = "GSM_INTERVAL";
    n.attribute = "value";
    n.raw = "6O";
    n.length = 2;
    n.used = "the record was dropped";
    return n;
}

} // namespace

TEST(ReadingCollector, ErrorsComeFirstAndEachStationIsCounted) {
    Reading_collector c;
    c.note(station_note(Note_kind::NUMBER_NOT_CLEAN, 2));
    Reading_note error = station_note(Note_kind::UNKNOWN_ELEMENT, 3);
    error.element = "LOCATON";
    c.note(error);
    c.note(station_note(Note_kind::NUMBER_NOT_CLEAN, 2));
    const auto ordered = c.ordered();
    ASSERT_EQ(ordered.size(), 3u);
    EXPECT_EQ(ordered[0].kind, Note_kind::UNKNOWN_ELEMENT);
    EXPECT_EQ(c.station_count(2), 2);
    EXPECT_EQ(c.station_count(3), 1);
    EXPECT_EQ(c.station_count(1), 0);
    EXPECT_EQ(c.station_count(4), 0);
    c.clear();
    EXPECT_EQ(c.size(), 0u);
    EXPECT_EQ(c.station_count(2), 0);
}

// A file of a million faulty stations must not take a note's memory a million times.
TEST(ReadingCollector, BeyondTheBoundNotesAreCountedNotKept) {
    Reading_collector c;
    const size_t extra = 5;
    for (size_t i = 0; i < Reading_collector::NOTES_KEPT + extra; ++i)
        c.note(station_note(Note_kind::DUPLICATE_ID, 7));
    EXPECT_EQ(c.size(), Reading_collector::NOTES_KEPT + extra);
    EXPECT_EQ(c.notes().size(), Reading_collector::NOTES_KEPT);
    EXPECT_EQ(c.not_kept(), extra);
    EXPECT_EQ(c.station_count(7), static_cast<int>(Reading_collector::NOTES_KEPT + extra));
    EXPECT_EQ(not_kept_line(extra), "WARNING : 5 more problems were found; only the first 100000 are listed");
}

TEST(ReadingWords, TheWindowNamesTheStationAndWhatSaveDoes) {
    const Reading_note n = station_note(Note_kind::NUMBER_NOT_CLEAN, 2);
    EXPECT_EQ(note_line(n), "WARNING : station 2 (id 102): GSM_INTERVAL value \"6O\" is not a clean number; "
                            "the record was dropped");
    EXPECT_EQ(note_words(n),
              "Station 2 (id 102): GSM_INTERVAL value \"6O\" is not a clean number; the record was "
              "dropped. Save will write what was used.");
    Reading_note in_file = n;
    in_file.file = "shared\n.xml";
    EXPECT_EQ(note_line(in_file).find('\n'), std::string::npos);
    EXPECT_NE(note_words(in_file).find("configuration file \"shared\\x0a.xml\""), std::string::npos);
}

// Every kind has words for the window that end by saying what Save does.
TEST(ReadingWords, EveryKindSaysWhatSaveDoes) {
    for (int k = static_cast<int>(Note_kind::UNKNOWN_ELEMENT); k <= static_cast<int>(Note_kind::DUPLICATE_ID);
         ++k) {
        const Reading_note n = station_note(static_cast<Note_kind>(k), 1);
        const std::string words = note_words(n);
        EXPECT_NE(words.find(". Save "), std::string::npos) << k << ": " << words;
        EXPECT_EQ(words.find("Teeprom_configurer"), std::string::npos) << k << ": " << words;
        EXPECT_FALSE(note_line(n).empty()) << k;
    }
}
