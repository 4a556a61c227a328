// The station sheet: a heading, the memory used and the stored settings grouped by page, in tab order.
#include "Station_sheet.h"

#include "Station.h"
#include "Station_settings.h"

std::vector<std::string> station_sheet(const Tstation& station, int position, const Sheet_options& options,
                                       Settings_reader& reader) {
    std::vector<std::string> lines;
    lines.push_back("Station " + std::to_string(position) + " (id " + std::to_string(station.id) + ")");
    lines.push_back("Memory used: " + std::to_string(station.configuration.cursor()) + " of " +
                    std::to_string(IMAGE_USABLE) + " bytes");
    const std::vector<Setting>& settings = reader.read(station);
    const int pin = reader.editor().form.general().pin;
    int group = -1;
    for (const Setting& s : settings) {
        if (s.group != group) {
            group = s.group;
            lines.emplace_back();
            lines.push_back(setting_group_captions[group]);
        }
        // The PIN is never on paper unless asked: its length would say too much already.
        const std::string& value = s.key == pin && !options.show_pin ? std::string("****") : s.value;
        lines.push_back("  " + s.label + ": " + value);
    }
    const std::vector<std::string> notices = reader.editor().dropped_notices();
    if (!notices.empty()) {
        lines.emplace_back();
        lines.push_back("Notes");
        for (const std::string& n : notices)
            lines.push_back("  " + n);
    }
    return lines;
}
