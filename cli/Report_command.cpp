// vemora-cli report: the station sheet of some or all stations, as plain text.
#include <string>
#include <vector>

#include "Cli_files.h"
#include "Command.h"
#include "Reading_report.h"
#include "Setup.h"
#include "Station_settings.h"
#include "Station_sheet.h"
#include "Text_output.h"

namespace {

int report(const Arguments& arguments, std::ostream& out, std::ostream& err) {
    Sheet_options options;
    std::vector<long> wanted;
    for (size_t i = 1; i < arguments.size(); ++i) {
        const std::string& a = arguments[i];
        if (a == "--show-pin") {
            options.show_pin = true;
            continue;
        }
        if (a.empty() || a.size() > 9 || a.find_first_not_of("0123456789") != std::string::npos ||
            std::stol(a) < 1)
            return usage_error(err, "\"" + shown_text(a) + "\" is no station number (from 1)");
        wanted.push_back(std::stol(a));
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
    for (long n : wanted) {
        Tlist::Tnode* node = setup.stations.list.node_at(static_cast<int>(n - 1));
        if (node == nullptr || node->item == nullptr) {
            err << "vemora-cli: there is no station " << n << " in \"" << shown_text(arguments[0]) << "\"\n";
            return EXIT_USAGE;
        }
        chosen.push_back({static_cast<int>(n), static_cast<const Tstation*>(node->item)});
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
    "the station sheet of stations N (all without N): identity, memory used and each\n"
    "page's stored settings in the editor's words; the PIN code as **** unless --show-pin",
    1,
    -1,
    report};
