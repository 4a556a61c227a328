// vemora-cli image: a station's image as its records, each sequence command by command, in the editor's
// words; then the cursor and the bytes free.
#include "Command.h"

#include <string>

#include "Cli_files.h"
#include "Memory_listing.h"
#include "Reading_report.h"
#include "Setup.h"
#include "Station_number.h"
#include "Text_output.h"

namespace {

int image(const Arguments& a, std::ostream& out, std::ostream& err) {
    Station_selector selector;
    if (!parse_station_selector(a[1], &selector) || (!selector.by_id && selector.number < 1)) {
        err << "vemora-cli: \"" << shown_text(a[1]) << "\" is no station number (the first station is 1)\n";
        return EXIT_USAGE;
    }
    Tsetup setup;
    if (!read_setup(setup, a[0], err)) return EXIT_FILE;
    Tstation* station = nullptr;
    int position = 0;
    std::string problem;
    if (!find_station(setup, selector, a[0], &station, &position, &problem)) {
        err << "vemora-cli: " << problem << "\n";
        return EXIT_USAGE;
    }
    const Image_listing listing = editor_listing(station->configuration);
    std::string text;
    for (const Image_entry& e : listing.entries)
        text += utf8_of(listing_line(e)) + "\n";
    out << text << listing_summary(listing) << "\n";
    return EXIT_OK;
}

} // namespace

extern const Command image_command = {
    "image",
    "IN N",
    "the image of station N (from 1, or id=101) decoded, one line per record and sequence\n"
    "command: offset, tag in hex and name, length, bytes, meaning; then the cursor and the bytes free",
    2,
    2,
    image};
