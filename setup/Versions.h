// The versions of a setup file: every save over an existing file keeps the file it replaces in a folder
// beside it ("setup.xml.versions/setup.2024-05-01_120000.xml"), with a small note of who saved, when, how
// many stations the kept file holds and what changed; listing, reading back and pruning them.
#pragma once

#include <sys/stat.h>

#include <ctime>
#include <functional>
#include <string>
#include <vector>

struct Version_note {       // the text file beside each version
    std::string user, host; // filled in from the system when empty
    std::time_t time = 0;   // the save's time (0: now, from the clock)
    long stations = -1;     // stations in the kept (old) file; -1 unknown (counted in the old file then)
    std::string label;      // optional, one line
    std::vector<std::string> changes; // undo step names since the previous save; undone ones as the
                                      // caller gives them (the window appends " (undone)")
};

struct Version_entry {
    std::string file;      // the kept XML, full path
    std::string note_file; // its text file ("" when missing)
    std::time_t time = 0;  // from the name
    int number = 1;        // 2, 3 ... for a second, third save within the same second
    Version_note note;     // what the text file says (empty when missing or unreadable)
};

// The versions of setup_path, newest first, from the folder beside it and from the per-user fallback
// folder (both when both exist). Only names of this setup file's exact pattern that are regular files.
std::vector<Version_entry> list_versions(const std::string& setup_path);

struct Version_keeping { // passed to a save
    bool keep = true;
    Version_note note;
    std::function<std::time_t()> clock; // tests inject time; default std::time
    // out:
    std::string kept_file; // the version made ("" when the file did not exist before: a new file)
    std::string told;      // one line for the user when the fallback folder was used (said once per
                           // process and folder), else ""
};

// Removes the versions the retention rules let go: every version of the 14 days before now is kept, then
// the last of each day, none older than 365 days, and never fewer than the 20 newest. Touches nothing but
// regular files of this setup file's exact pattern (and their notes). 0, or 1 with a reason when a file
// could not be removed; removed, when given, gets the full paths of the versions removed.
int prune_versions(const std::string& setup_path, std::time_t now, std::vector<std::string>* removed,
                   std::string* reason);

constexpr long VERSIONS_KEPT_DAYS = 14;     // every version younger than this
constexpr long VERSIONS_MAX_DAYS = 365;     // none older than this ...
constexpr size_t VERSIONS_KEPT_NEWEST = 20; // ... except the newest, which stay whatever their age

// The folder beside the file: "<dir>/setup.xml.versions".
std::string versions_folder(const std::string& setup_path);
// The per-user folder used when that one cannot be made or written:
// "$XDG_STATE_HOME/vemora/versions/setup.xml-<hash of the absolute path>" (~/.local/state without it).
std::string fallback_versions_folder(const std::string& setup_path);

// The name of a version of setup_name kept at time t (local time), the n-th within that second:
// "setup.2024-05-01_120000.xml", "setup.2024-05-01_120000-2.xml". Its note is that name + ".note".
std::string version_name(const std::string& setup_name, std::time_t t, int n = 1);
// Whether name is a version of setup_name (note false) or its note (note true), with its time and n.
bool parse_version_name(const std::string& name, const std::string& setup_name, bool* note, std::time_t* t,
                        int* n);

// The note's text and back. Texts with line breaks or other control characters are kept on their line as
// \n, \t, \xHH (a backslash as \\); a text past NOTE_TEXT_MAX bytes is cut with "...", and past
// NOTE_CHANGES_MAX change lines the rest are counted in one line. parse_note false for a text that is no
// note of ours.
constexpr size_t NOTE_TEXT_MAX = 4096;
constexpr size_t NOTE_CHANGES_MAX = 1000;
std::string note_text(const Version_note& note);
bool parse_note(const std::string& text, Version_note* note);

// What a save needs to keep the file it replaces, called right before its rename: the old file is the
// name `name` in the folder `dir` with the identity `old`. "" or why the version could not be kept.
struct Kept_version {
    std::string file, note_file;
    bool made = false; // false when an earlier (killed) save's link was taken as the version
};
std::string keep_version(const std::string& setup_path, int dir, const std::string& name,
                         const struct stat& old, Version_keeping& keeping, Kept_version* kept);
// Takes back a version that keep_version made, when the save's rename then failed.
void drop_version(const Kept_version& kept);
// How many links of the old file are versions in this file's versions folders: a save killed between
// keeping its version and its rename leaves the old file with such a link, which is no reason to refuse.
unsigned long version_links(const std::string& setup_path, const struct stat& old);
