// Reading a setup file and opening one of its stations in the editor's logic.
#include "Station_open.h"

#include <string>

#include "Cli_files.h"
#include "Command.h"
#include "Lib_trace.h"
#include "Reading_report.h"
#include "Station_number.h"

int open_station(const char* in, const char* n_text, Opened& opened, std::ostream& err) {
    Station_selector selector;
    if (!parse_station_selector(n_text, &selector)) {
        err << "vemora-cli: \"" << shown_text(n_text) << "\" is no station number\n";
        return EXIT_USAGE;
    }
    {
        Trace_capture discard; // the reader's lines are check's business
        std::string reason;
        const File_identity before = identify_file(in);
        if (opened.setup.read_file(in, &reason) != 0) {
            err << "vemora-cli: cannot read \"" << shown_text(in) << "\": " << reason << "\n";
            return EXIT_FILE;
        }
        remember_read(in, before, opened.setup);
    }
    std::string problem;
    if (!find_station(opened.setup, selector, in, &opened.station, &opened.position, &problem)) {
        err << "vemora-cli: " << problem << "\n";
        return EXIT_USAGE;
    }
    if (opened.station == nullptr) {
        opened.new_station = std::make_unique<Tstation>();
        opened.station = opened.new_station.get();
    }
    opened.editor.open(opened.station, opened.new_station != nullptr);
    return EXIT_OK;
}
