// Sorting stations by a key of their facts, stable, ties in file order.
#include "Station_order.h"

#include <algorithm>

#include "Fleet_text.h"
#include "Station_facts.h"

namespace {

const char* const key_names[] = {"id", "phone", "desc", "sms", "bytes", "problems", "pin"};
constexpr int NAMED_KEYS = 6; // those a command line takes: all but the PIN

// Negative, zero or positive as station a's key is before, equal to or after b's.
int compare_keys(const Station_facts& a, const Station_facts& b, Sort_key key) {
    switch (key) {
    case Sort_key::ID:
        return a.id < b.id ? -1 : a.id > b.id ? 1 : 0;
    case Sort_key::PHONE:
        return natural_compare(a.phone(), b.phone());
    case Sort_key::DESCRIPTION:
        return natural_compare(a.description(), b.description());
    case Sort_key::SMS:
        return natural_compare(a.sms, b.sms);
    case Sort_key::BYTES:
        return a.bytes - b.bytes;
    case Sort_key::PROBLEMS:
        return a.problems < b.problems ? -1 : a.problems > b.problems ? 1 : 0;
    case Sort_key::PIN:
        return natural_compare(a.pin, b.pin);
    }
    return 0;
}

} // namespace

bool sort_key_of(const std::string& name, Sort_key* key) {
    for (int i = 0; i < NAMED_KEYS; ++i)
        if (name == key_names[i]) {
            *key = static_cast<Sort_key>(i);
            return true;
        }
    return false;
}

const char* sort_key_name(Sort_key key) {
    return key_names[static_cast<int>(key)];
}

std::vector<size_t> sorted_stations(const Fleet_facts& facts, std::vector<size_t> stations, Sort_key key,
                                    bool descending) {
    const bool texts = key == Sort_key::PHONE || key == Sort_key::DESCRIPTION;
    // The texts are cut out of the facts once, not at every comparison.
    std::vector<std::string> cut;
    if (texts) {
        cut.reserve(stations.size());
        for (size_t s : stations)
            cut.push_back(key == Sort_key::PHONE ? facts.at(s).phone() : facts.at(s).description());
    }
    std::vector<size_t> order(stations.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    // Ties fall back to the index, so a plain sort gives a stable, total order.
    std::sort(order.begin(), order.end(), [&](size_t x, size_t y) {
        int c = texts ? natural_compare(cut[x], cut[y])
                      : compare_keys(facts.at(stations[x]), facts.at(stations[y]), key);
        if (descending) c = -c;
        if (c != 0) return c < 0;
        return stations[x] < stations[y];
    });
    std::vector<size_t> out;
    out.reserve(order.size());
    for (size_t i : order)
        out.push_back(stations[i]);
    return out;
}

bool station_before(const Fleet_facts& facts, size_t a, size_t b, Sort_key key, bool descending) {
    int c = compare_keys(facts.at(a), facts.at(b), key);
    if (descending) c = -c;
    return c != 0 ? c < 0 : a < b;
}
