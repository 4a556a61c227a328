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

namespace {

std::vector<std::string> items_of(const std::string& text) {
    std::vector<std::string> items;
    size_t start = 0;
    for (;;) {
        const size_t comma = text.find(',', start);
        items.push_back(text.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
        if (comma == std::string::npos) return items;
        start = comma + 1;
    }
}

// A position from 1: digits only.
bool position_number(const std::string& text, long* value) {
    return !text.empty() && text[0] != '-' && strict_int(text, value);
}

} // namespace

bool parse_stations_selector(const std::string& text, Stations_selector* selector, std::string* problem) {
    Stations_selector s;
    const std::string quoted = "\"" + shown_text(text) + "\"";
    if (text == "all") {
        *selector = s;
        return true;
    }
    const bool by_id = text.compare(0, 3, "id=") == 0;
    const std::string list = by_id ? text.substr(3) : text;
    if (list.empty() || (!by_id && list.find_first_of(",-") == std::string::npos)) {
        *problem = quoted + " is no station number";
        return false;
    }
    s.kind = by_id ? Stations_selector::Kind::IDS : Stations_selector::Kind::POSITIONS;
    for (const std::string& item : items_of(list)) {
        if (item.empty()) {
            *problem = quoted + " has an empty item";
            return false;
        }
        const std::string shown = "\"" + shown_text(item) + "\"";
        long from = 0, to = 0;
        if (by_id) {
            if (!strict_int(item, &from) || from < INT32_MIN || from > INT32_MAX) {
                *problem = shown + " in " + quoted + " is no station ID";
                return false;
            }
            s.ids.push_back(from);
            continue;
        }
        const size_t dash = item.find('-');
        const bool range = dash != std::string::npos;
        if (!position_number(item.substr(0, dash), &from) ||
            (range && !position_number(item.substr(dash + 1), &to))) {
            *problem = shown + " in " + quoted + " is no station number nor range (N or N-M, from 1)";
            return false;
        }
        if (!range) to = from;
        if (from == 0) {
            *problem = "station 0 in " + quoted + " is a new station, which is edited alone: N is 0";
            return false;
        }
        if (to < from) {
            *problem = "the range " + item + " in " + quoted + " runs backwards: write " +
                       std::to_string(to) + "-" + std::to_string(from);
            return false;
        }
        s.ranges.emplace_back(from, to);
    }
    *selector = s;
    return true;
}

bool select_stations(Tsetup& setup, const Stations_selector& selector, const std::string& file,
                     std::vector<int>* positions, std::string* problem) {
    const int count = setup.stations.list.count();
    std::vector<bool> chosen(static_cast<size_t>(count), false);
    switch (selector.kind) {
    case Stations_selector::Kind::ALL:
        chosen.assign(chosen.size(), true);
        break;
    case Stations_selector::Kind::POSITIONS:
        for (const auto& r : selector.ranges) {
            if (r.second > count) {
                *problem = "there is no station " + std::to_string(r.second) + " in \"" + shown_text(file) +
                           "\" (it has " + std::to_string(count) + ")";
                return false;
            }
            for (long n = r.first; n <= r.second; ++n)
                chosen[static_cast<size_t>(n - 1)] = true;
        }
        break;
    case Stations_selector::Kind::IDS:
        for (const long id : selector.ids) {
            Station_selector one;
            one.by_id = true;
            one.number = id;
            Tstation* station = nullptr;
            int position = 0;
            if (!find_station(setup, one, file, &station, &position, problem)) return false;
            chosen[static_cast<size_t>(position - 1)] = true;
        }
        break;
    }
    positions->clear();
    for (int i = 0; i < count; ++i)
        if (chosen[static_cast<size_t>(i)]) positions->push_back(i);
    return true;
}
