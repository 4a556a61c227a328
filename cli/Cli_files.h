// Reading and writing setup files for the commands, with their messages on the error stream; what one
// command line's writes share: versions on or off, the command line for the version's note, and the files
// read with their identity as they were read.
#pragma once

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "File_identity.h"

class Tsetup;
class Reading_collector;

struct Cli_session {
    bool versions = true;     // off with --no-versions
    std::string command_line; // one line, for the note of the versions made
    struct Read {
        std::string path;
        File_identity identity; // as it was just before the read
        long stations = -1;     // as read
    };
    std::vector<Read> read;
    // Runs just before a write onto a file checks that file (a test changes the file here).
    std::function<void(const std::string& path)> before_write;
};
// The session of the command line running now.
Cli_session& cli_session();
// Starts a command line's session: --no-versions taken out of the arguments, the command line kept for
// the notes. The hook before_write stays.
std::vector<std::string> begin_cli_session(const std::string& command,
                                           const std::vector<std::string>& arguments);

// Reads the setup file, collecting what the readers decided silently; a file that cannot be read is
// reported on err with its reason. No trace line is printed: the notes say all they say.
bool read_setup(Tsetup& setup, const std::string& path, std::ostream& err, Reading_collector& notes);
// The same for commands whose output is a file or lines of their own: errors, and what the output
// silently lacks, go to err.
bool read_setup(Tsetup& setup, const std::string& path, std::ostream& err);
// For commands that read the file in their own way: its identity before the read and the document read,
// so that a write onto the same file can tell whether someone else changed it in between.
void remember_read(const std::string& path, const File_identity& before, const Tsetup& setup);
// Writes the setup file as File > Save does, keeping the file it replaces as a version unless
// --no-versions; refuses (nothing written) when the file is one this command read and it changed on disk
// since. False with the reason on err.
bool write_setup(Tsetup& setup, const std::string& path, std::ostream& err);
