// vemora-cli normalize, dump and check: a setup file read as File > Open reads it.
#include <string>

#include "Cli_files.h"
#include "Command.h"
#include "Reading_report.h"
#include "Setup.h"

namespace {

int normalize(const Arguments& a, std::ostream&, std::ostream& err) {
    Tsetup setup;
    if (!read_setup(setup, a[0], err)) return EXIT_FILE;
    return write_setup(setup, a[1], err) ? EXIT_OK : EXIT_FILE;
}

int dump(const Arguments& a, std::ostream& out, std::ostream& err) {
    Tsetup setup;
    if (!read_setup(setup, a[0], err)) return EXIT_FILE;
    static const char hex[] = "0123456789abcdef";
    int n = 0;
    std::string line;
    for_each_item<Tstation>(setup.stations.list, [&](Tstation& s) {
        line = std::to_string(++n) + " id=" + std::to_string(s.id) +
               " cursor=" + std::to_string(s.configuration.cursor()) + " image=";
        for (int i = 0; i < IMAGE_USABLE; ++i) {
            const uint8_t b = s.configuration.get_byte(static_cast<uint8_t>(i));
            line += hex[b >> 4];
            line += hex[b & 15];
        }
        line += '\n';
        out << line;
    });
    return EXIT_OK;
}

int check(const Arguments& a, std::ostream& out, std::ostream& err) {
    Tsetup setup;
    Reading_collector notes;
    if (!read_setup(setup, a[0], err, notes)) return EXIT_FILE;
    for (const Reading_note& note : notes.ordered())
        out << note_line(note) << '\n';
    if (notes.not_kept() > 0) out << not_kept_line(notes.not_kept()) << '\n';
    return notes.size() == 0 ? EXIT_OK : EXIT_FOUND;
}

} // namespace

extern const Command normalize_command = {
    "normalize",
    "IN OUT",
    "read the setup file IN as File > Open does and write it to OUT as File > Save does",
    2,
    2,
    normalize};
extern const Command dump_command = {
    "dump", "IN", "one line per station: <n> id=<id> cursor=<cursor> image=<223 bytes in hex>", 1, 1, dump};
extern const Command check_command = {
    "check", "IN", "print the reading errors and warnings for IN; exit 4 when there is any", 1, 1, check};
