// Reading and writing setup files for the commands.
#include "Cli_files.h"

#include "Lib_trace.h"
#include "Reading_report.h"
#include "Setup.h"

bool read_setup(Tsetup& setup, const std::string& path, std::ostream& err, Reading_collector& notes) {
    Trace_capture discard;
    std::string reason;
    if (setup.read_file(path.c_str(), &reason, &notes) != 0) {
        err << "vemora-cli: cannot read \"" << shown_text(path) << "\": " << reason << "\n";
        return false;
    }
    return true;
}

bool read_setup(Tsetup& setup, const std::string& path, std::ostream& err) {
    Reading_collector notes;
    if (!read_setup(setup, path, err, notes)) return false;
    for (const Reading_note& note : notes.ordered())
        if (note_told_by_every_command(note)) err << note_line(note) << '\n';
    return true;
}

bool write_setup(Tsetup& setup, const std::string& path, std::ostream& err) {
    std::string reason;
    if (setup.write_file(path.c_str(), &reason) != 0) {
        err << "vemora-cli: cannot write \"" << shown_text(path) << "\": " << reason << "\n";
        return false;
    }
    return true;
}
