// The notes of one read, collected for `vemora-cli check` and for the main window's problem list, and the
// two ways of saying each: the tool's ERROR and WARNING lines, and whole sentences for the window.
#pragma once

#include <string>
#include <vector>

#include "Lib_notes.h"

class Reading_collector : public Note_sink {
  public:
    void note(const Reading_note& note) override;
    void clear();

    // Every note in the order the reader took its decisions.
    const std::vector<Reading_note>& notes() const { return notes_; }
    // Errors first, then warnings, each in reading order: the order check prints them in.
    std::vector<Reading_note> ordered() const;
    size_t size() const { return notes_.size(); }
    // How many notes belong to the station at position (from 1).
    int station_count(int position) const;

  private:
    std::vector<Reading_note> notes_;
    std::vector<int> per_station_;
};

// A text quoted in a note, kept on one line: control characters as \xHH, and beyond max characters cut
// with "..." (0: never cut).
std::string shown_text(const std::string& text, size_t max = 0);

// The line `vemora-cli check` prints: the reader's own ERROR line, or "WARNING : <where>: <what>".
std::string note_line(const Reading_note& note);

// The note in words for the window: where (the station by position and id), what the reader did, and
// what Save will do about it.
std::string note_words(const Reading_note& note);

// Whether dump and normalize, whose output is the file or its images, tell it on their error stream too:
// errors, and warnings of what the output silently lacks (an included file not found, a second root).
bool note_told_by_every_command(const Reading_note& note);
