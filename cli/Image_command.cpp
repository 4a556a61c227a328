// vemora-cli image: a station's image as its records, each sequence command by command, in the editor's
// words; then the cursor and the bytes free.
#include "Command.h"

#include <string>

#include "Cli_files.h"
#include "Memory_listing.h"
#include "Reading_report.h"
#include "Setup.h"
#include "Station_number.h"

namespace {

// The editor's own texts are Latin-1 ("[°C]"), as are a station's; the terminal reads UTF-8.
std::string utf8_of_latin1(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (const char ch : text) {
        const unsigned char c = static_cast<unsigned char>(ch);
        if (c < 0x80) {
            out += ch;
        } else {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

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
        text += utf8_of_latin1(listing_line(e)) + "\n";
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
