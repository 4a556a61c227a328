// Station numbers on the command line.
#include "Station_number.h"

#include <climits>

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
