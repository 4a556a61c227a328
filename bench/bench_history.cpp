// Benchmark of the document's history on a large fleet: the time a step takes to push (make and apply),
// undo and redo, and the memory the history holds, for edits, duplicates, deletes and a new order.
//
// Usage: bench_history [STATIONS]   (default: 100000)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <numeric>
#include <string>
#include <vector>

#include "Document_commands.h"
#include "Document_history.h"
#include "Setup.h"

namespace {

double ms_since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

double timed(const std::function<bool()>& work, bool* ok) {
    const auto start = std::chrono::steady_clock::now();
    *ok = work() && *ok;
    return ms_since(start);
}

struct Figures {
    double push = 0, undo = 0, redo = 0;
};

// Best of runs: push the step the maker gives, undo it, redo it, undo it again for the next run.
Figures measure(Document_history& history, const std::function<std::unique_ptr<Document_command>()>& make,
                int runs, bool* ok) {
    Figures best{1e300, 1e300, 1e300};
    for (int r = 0; r < runs; ++r) {
        history.clear();
        const double push = timed([&] { return history.push(make()); }, ok);
        const double undo = timed([&] { return history.undo(); }, ok);
        const double redo = timed([&] { return history.redo(); }, ok);
        *ok = history.undo() && *ok;
        best = {std::min(best.push, push), std::min(best.undo, undo), std::min(best.redo, redo)};
    }
    return best;
}

} // namespace

int main(int argc, char** argv) {
    const int n = argc > 1 ? std::atoi(argv[1]) : 100000;
    if (n < 1000) {
        std::fprintf(stderr, "usage: bench_history [STATIONS], at least 1000\n");
        return 2;
    }
    Tsetup setup;
    setup.set_defaults();
    for (int i = 0; i < n; ++i) {
        auto* s = new Tstation;
        s->id = 1000 + i;
        for (int b = 0; b < 200; ++b) // a configuration of 200 bytes, as a configured station has
            s->configuration.add_byte(static_cast<uint8_t>(b));
        setup.stations.append(s);
    }
    Document_history history(setup);
    bool ok = true;
    const int runs = 5;
    std::printf("%d stations, sizeof(Tstation) %zu bytes, history bound %zu steps and %zu MB; best of %d\n",
                n, sizeof(Tstation), history.max_steps(), history.max_bytes() >> 20, runs);
    std::printf("%-36s %10s %10s %10s %12s\n", "step", "push ms", "undo ms", "redo ms", "holds bytes");

    const auto row = [&](const char* what, const std::function<std::unique_ptr<Document_command>()>& make) {
        const Figures f = measure(history, make, runs, &ok);
        history.clear();
        history.push(make());
        std::printf("%-36s %10.3f %10.3f %10.3f %12zu\n", what, f.push, f.undo, f.redo, history.bytes());
        history.undo();
        history.clear();
    };

    row("edit the last station", [&] {
        Tstation& last = *static_cast<Tstation*>(setup.stations.list.node_at(n - 1)->item);
        Tstation after = last;
        after.id = -1;
        return edit_station_command(setup, n - 1, last, after);
    });
    row("add a station at the end", [&] { return add_station_command(setup, n, Tstation()); });
    row("duplicate 1,000 stations, spread", [&] {
        std::vector<int> sources;
        std::vector<Tstation> copies;
        int p = 0;
        for (Tlist::Tnode* node = setup.stations.list.head(); node != nullptr; node = node->next, ++p) {
            if (p % (n / 1000) != 0) continue;
            sources.push_back(p);
            copies.push_back(*static_cast<Tstation*>(node->item));
        }
        return duplicate_stations_command(setup, sources, copies);
    });
    row("delete 1,000 stations, spread", [&] {
        std::vector<int> positions;
        for (int p = 0; p < n; p += n / 1000)
            positions.push_back(p);
        return delete_stations_command(setup, positions);
    });
    row("delete every station", [&] {
        std::vector<int> positions(static_cast<size_t>(n));
        std::iota(positions.begin(), positions.end(), 0);
        return delete_stations_command(setup, positions);
    });
    row("sort into the reverse order", [&] {
        std::vector<int> order(static_cast<size_t>(n));
        for (int i = 0; i < n; ++i)
            order[static_cast<size_t>(i)] = n - 1 - i;
        return sort_stations_command(setup, order);
    });

    // A hundred edits of stations spread over the list: what the history holds when full of them.
    history.clear();
    for (int k = 0; k < 150; ++k) {
        const int p = (k * 7919) % n;
        Tstation& s = *static_cast<Tstation*>(setup.stations.list.node_at(p)->item);
        Tstation after = s;
        after.id = -2 - k;
        ok = history.push(edit_station_command(setup, p, s, after)) && ok;
    }
    std::printf("150 edits pushed: %zu steps kept, holding %zu bytes\n", history.size(), history.bytes());
    // Every station duplicated, then every station deleted: the delete alone holds more than the bound, so
    // it is kept as the only step.
    history.clear();
    std::vector<int> every(static_cast<size_t>(n));
    std::iota(every.begin(), every.end(), 0);
    std::vector<Tstation> copies;
    for (Tlist::Tnode* node = setup.stations.list.head(); node != nullptr; node = node->next)
        copies.push_back(*static_cast<Tstation*>(node->item));
    ok = history.push(duplicate_stations_command(setup, every, copies)) && ok;
    copies = {};
    std::printf("duplicate every station: %zu step kept, holding %.1f MB\n", history.size(),
                history.bytes() / 1048576.0);
    std::vector<int> all(static_cast<size_t>(2 * n));
    std::iota(all.begin(), all.end(), 0);
    const auto start = std::chrono::steady_clock::now();
    ok = history.push(delete_stations_command(setup, all)) && ok;
    std::printf("then delete all %d: %zu step kept, holding %.1f MB (push %.1f ms)\n", 2 * n, history.size(),
                history.bytes() / 1048576.0, ms_since(start));
    ok = history.undo() && setup.stations.list.count() == 2 * n && ok;
    if (!ok) std::printf("FAIL: a step was not pushed, undone or redone\n");
    return ok ? 0 : 1;
}
