// The station sheet: a heading, the memory used and the stored settings grouped by page, in tab order.
#include "Station_sheet.h"

#include "Station.h"
#include "Station_settings.h"

namespace {

// A label without its first part, the page ("Slow Sequence / Temperature / measured" is "Temperature /
// measured" under the heading "Slow Sequence").
std::string drop_page(const std::string& label) {
    const size_t at = label.find(" / ");
    return at == std::string::npos ? label : label.substr(at + 3);
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
    // Compact: the captions of the group being built, each with its aspects ("measured yes").
    std::vector<std::pair<std::string, std::vector<std::string>>> captions;
    const auto flush = [&lines, &captions] {
        // A caption whose every aspect is an unticked box joins one line of them all.
        std::string unticked;
        for (const auto& [caption, aspects] : captions) {
            bool all_no = !aspects.empty();
            for (const std::string& a : aspects)
                all_no = all_no && a.size() >= 3 && a.compare(a.size() - 3, 3, " no") == 0;
            if (all_no) {
                unticked += (unticked.empty() ? "" : ", ") + caption;
                continue;
            }
            std::string line = "  " + caption + ":";
            for (size_t i = 0; i < aspects.size(); ++i)
                line += (i == 0 ? " " : ", ") + aspects[i];
            lines.push_back(line);
        }
        if (!unticked.empty()) lines.push_back("  Not ticked: " + unticked);
        captions.clear();
    };
    int group = -1;
    for (const Setting& s : settings) {
        if (s.group != group) {
            flush();
            group = s.group;
            lines.emplace_back();
            lines.push_back(setting_group_captions[group]);
        }
        // The PIN is never on paper unless asked: its length would say too much already.
        const std::string& value = s.key == pin && !options.show_pin ? std::string("****") : s.value;
        if (!options.compact) {
            lines.push_back("  " + s.label + ": " + value);
            continue;
        }
        // "<page> / <caption> / <aspect>": the page goes, the aspects of one caption join its line.
        const std::string label = drop_page(s.label);
        const size_t aspect_at = label.rfind(" / ");
        const std::string caption = aspect_at == std::string::npos ? label : label.substr(0, aspect_at);
        const std::string aspect =
            aspect_at == std::string::npos ? value : label.substr(aspect_at + 3) + " " + value;
        if (captions.empty() || captions.back().first != caption) captions.push_back({caption, {}});
        captions.back().second.push_back(aspect);
    }
    flush();
    const std::vector<std::string> notices = reader.editor().dropped_notices();
    if (!notices.empty()) {
        lines.emplace_back();
        lines.push_back("Notes");
        for (const std::string& n : notices)
            lines.push_back("  " + n);
    }
    return lines;
}
