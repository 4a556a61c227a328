// vemora-cli report: the station sheet of some or all stations, as plain text.
#include <string>
#include <vector>

#include "Cli_files.h"
#include "Command.h"
#include "Reading_report.h"
#include "Setup.h"
#include "Station_number.h"
#include "Station_settings.h"
#include "Station_sheet.h"
#include "Text_output.h"

namespace {

int report(const Arguments& arguments, std::ostream& out, std::ostream& err) {
    Sheet_options options;
    std::vector<Station_selector> wanted;
    for (size_t i = 1; i < arguments.size(); ++i) {
        const std::string& a = arguments[i];
        if (a == "--show-pin") {
            options.show_pin = true;
            continue;
        }
        Station_selector selector;
        if (!parse_station_selector(a, &selector) || (!selector.by_id && selector.number < 1))
            return usage_error(err, "\"" + shown_text(a) + "\" is no station number (from 1)");
        wanted.push_back(selector);
    }
    Tsetup setup;
    if (!read_setup(setup, arguments[0], err)) return EXIT_FILE;
    std::vector<std::pair<int, const Tstation*>> stations;
    int position = 0;
    for (Tlist::Tnode* node = setup.stations.list.head(); node != nullptr; node = node->next) {
        ++position;
        if (node->item != nullptr) stations.push_back({position, static_cast<const Tstation*>(node->item)});
    }
    std::vector<std::pair<int, const Tstation*>> chosen;
    for (const Station_selector& selector : wanted) {
        Tstation* station = nullptr;
        int at = 0;
        std::string problem;
        if (!find_station(setup, selector, arguments[0], &station, &at, &problem) || station == nullptr) {
            err << "vemora-cli: " << problem << "\n";
            return EXIT_USAGE;
        }
        chosen.push_back({at, station});
    }
    Settings_reader reader;
    bool first = true;
    std::string text;
    for (const auto& s : wanted.empty() ? stations : chosen) {
        text.clear();
        if (!first) text += '\n';
        first = false;
        for (const std::string& line : station_sheet(*s.second, s.first, options, reader))
            text += utf8_of(line) + '\n';
        out << text;
    }
    return EXIT_OK;
}

} // namespace

extern const Command report_command = {
    "report",
    "IN [N ...] [--show-pin]",
    "the station sheet of stations N (from 1, or id=101; all without N): identity, memory\n"
    "used and each page's stored settings in the editor's words; the PIN code as **** unless\n"
    "--show-pin",
    1,
    -1,
    report};
