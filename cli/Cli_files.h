// Reading and writing setup files for the commands, with their messages on the error stream.
#pragma once

#include <ostream>
#include <string>

class Tsetup;
class Reading_collector;

// Reads the setup file, collecting what the readers decided silently; a file that cannot be read is
// reported on err with its reason. No trace line is printed: the notes say all they say.
bool read_setup(Tsetup& setup, const std::string& path, std::ostream& err, Reading_collector& notes);
// The same for commands whose output is a file or lines of their own: errors, and what the output
// silently lacks, go to err.
bool read_setup(Tsetup& setup, const std::string& path, std::ostream& err);
// Writes the setup file as File > Save does; false with the reason on err.
bool write_setup(Tsetup& setup, const std::string& path, std::ostream& err);
