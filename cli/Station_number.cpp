// Station numbers on the command line.
#include "Station_number.h"

#include <climits>
#include <cstdint>
#include <vector>

#include "Reading_report.h"
#include "Setup.h"

bool strict_int(const std::string& text, long* value) {
    if (text.empty() || text.size() > 10) return false;
    size_t i = text[0] == '-' ? 1 : 0;
    if (i == text.size()) return false;
    long v = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        v = v * 10 + (text[i] - '0');
    }
    *value = text[0] == '-' ? -v : v;
    return true;
}

bool station_at(Tsetup& setup, long n, Tstation** station) {
    *station = nullptr;
    if (n == 0) return true;
    // Beyond the int range no list has a station, and the position must not wrap onto one.
    Tlist::Tnode* node =
        n > 0 && n <= INT_MAX ? setup.stations.list.node_at(static_cast<int>(n - 1)) : nullptr;
    if (node == nullptr) return false;
    *station = static_cast<Tstation*>(node->item);
    return true;
}

bool parse_station_selector(const std::string& text, Station_selector* selector) {
    Station_selector s;
    s.by_id = text.compare(0, 3, "id=") == 0;
    if (!strict_int(s.by_id ? text.substr(3) : text, &s.number)) return false;
    if (s.by_id && (s.number < INT32_MIN || s.number > INT32_MAX)) return false;
    *selector = s;
    return true;
}

bool find_station(Tsetup& setup, const Station_selector& selector, const std::string& file,
                  Tstation** station, int* position, std::string* problem) {
    const std::string in = " in \"" + shown_text(file) + "\"";
    if (!selector.by_id) {
        if (!station_at(setup, selector.number, station)) {
            *problem = "there is no station " + std::to_string(selector.number) + in;
            return false;
        }
        *position = static_cast<int>(selector.number);
        return true;
    }
    std::vector<int> found;
    int n = 0;
    for (Tlist::Tnode* node = setup.stations.list.head(); node != nullptr; node = node->next) {
        ++n;
        const Tstation* s = static_cast<const Tstation*>(node->item);
        if (s == nullptr || s->id != selector.number) continue;
        if (found.empty()) *station = static_cast<Tstation*>(node->item);
        found.push_back(n);
    }
    if (found.empty()) {
        *problem = "no station has the id " + std::to_string(selector.number) + in;
        return false;
    }
    if (found.size() > 1) {
        // A message stays one readable line however often the id repeats.
        const size_t shown = found.size() > 10 ? 10 : found.size();
        std::string list;
        for (size_t i = 0; i < shown; ++i)
            list += (i == 0 ? "" : i + 1 == found.size() ? " and " : ", ") + std::to_string(found[i]);
        if (shown < found.size()) list += " and " + std::to_string(found.size() - shown) + " more";
        *problem = "the id " + std::to_string(selector.number) + " belongs to stations " + list + in +
                   "; name one by its position";
        *station = nullptr;
        return false;
    }
    *position = found[0];
    return true;
}
