// The station sheet: a heading, the memory used and the stored settings grouped by page, in tab order.
#include "Station_sheet.h"

#include "Station.h"
#include "Station_settings.h"

namespace {

// The configuration's own bytes, as the editor's meter counts them for a station it stored: up to the end
// marker behind the last record, which is no data (the image's cursor stands behind it). A configuration
// that fills the 223 bytes has no end marker.
int bytes_used(const Teeprom_configurer& image) {
    const uint8_t* data = image.data();
    uint8_t position = 0;
    for (;;) {
        if (data[position] == tag::END) return position;
        uint8_t next = 0;
        if (!next_record_position(data, position, &next)) break;
        position = next;
    }
    return image.cursor() < IMAGE_USABLE ? image.cursor() : IMAGE_USABLE;
}

} // namespace

std::vector<std::string> station_sheet(const Tstation& station, int position, const Sheet_options& options,
                                       Settings_reader& reader) {
    std::vector<std::string> lines;
    lines.push_back("Station " + std::to_string(position) + " (id " + std::to_string(station.id) + ")");
    const std::vector<Setting>& settings = reader.read(station);
    lines.push_back("Memory used: " + std::to_string(bytes_used(station.configuration)) + " of " +
                    std::to_string(IMAGE_USABLE) + " bytes");
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
