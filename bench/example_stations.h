// A setup file of n stations copied from the example's configured stations, for the window benchmarks.
#pragma once

#include <string>
#include <vector>

#include "Setup.h"

inline bool make_example_stations_file(const std::string& example, const std::string& path, int n) {
    Tsetup source;
    if (source.read_file(example.c_str()) != 0) return false;
    std::vector<Tstation*> models;
    for_each_item<Tstation>(source.stations.list, [&](Tstation& s) { models.push_back(&s); });
    if (models.empty()) return false;
    Tsetup big;
    big.set_defaults();
    for (int i = 0; i < n; ++i) {
        auto* s = new Tstation(*models[static_cast<size_t>(i) % models.size()]);
        s->id = 1000 + i;
        big.stations.append(s);
    }
    return big.write_file(path.c_str()) == 0;
}
