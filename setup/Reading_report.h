// The notes of one read, collected for `vemora-cli check` and for the main window's problem list, and the
// two ways of saying each: the tool's ERROR and WARNING lines, and whole sentences for the window.
#pragma once

#include <string>
#include <vector>

#include "Lib_notes.h"

// Keeps the first NOTES_KEPT notes whole and counts the rest: a file of a million faulty stations is read in
// memory bounded by its size, and nobody reads a list longer than this.
class Reading_collector : public Note_sink {
  public:
    static constexpr size_t NOTES_KEPT = 100000;

    void note(const Reading_note& note) override;
    void clear();

    // The notes kept, in the order the reader took its decisions.
    const std::vector<Reading_note>& notes() const { return notes_; }
    // Errors first, then warnings, each in reading order: the order check prints them in.
    std::vector<Reading_note> ordered() const;
    // How many notes there were, kept or not; and how many were only counted.
    size_t size() const { return total_; }
    size_t not_kept() const { return total_ - notes_.size(); }
    // How many notes belong to the station at position (from 1).
    int station_count(int position) const;

  private:
    std::vector<Reading_note> notes_;
    std::vector<int> per_station_;
    size_t total_ = 0;
};

class Tstations;

// Gives each station of the list read its count of notes (Tstation::reading_notes), by its place in the
// file: the count then follows the record wherever edits, deletes and undo move it.
void count_station_notes(const Reading_collector& notes, Tstations& stations);

// A text quoted in a note, kept on one line: control characters as \xHH, and beyond max characters cut
// with "..." (0: never cut).
std::string shown_text(const std::string& text, size_t max = 0);

// The line `vemora-cli check` prints: the reader's own ERROR line, or "WARNING : <where>: <what>".
std::string note_line(const Reading_note& note);

// The note in words for the window: where (the station by position and id), what the reader did, and
// what Save will do about it.
std::string note_words(const Reading_note& note);

// The line that says how many notes were only counted ("WARNING : ... more problems ..."), for check.
std::string not_kept_line(size_t not_kept);

// Whether dump and normalize, whose output is the file or its images, tell it on their error stream too:
// errors, and warnings of what the output silently lacks (an included file not found, a second root).
bool note_told_by_every_command(const Reading_note& note);
