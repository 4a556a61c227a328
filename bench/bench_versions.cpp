// Benchmark of saving with versions kept: a document of 10,000 stations (unless told) copied from the
// example, saved over an existing file with and without versions, the two in turn so that both see the
// same machine, cache and disk. Prints the medians and their ratio, and fails when the ratio passes 1.2.
//
// Usage: bench_versions [STATIONS] [ROUNDS]   (default: 10000 21)
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "Setup.h"
#include "Versions.h"
#include "example_stations.h"

namespace {

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// One save of the document over path, in milliseconds.
double timed_save(Tsetup& setup, const std::string& path, Version_keeping* k) {
    const auto start = std::chrono::steady_clock::now();
    if (setup.write_file(path.c_str(), nullptr, nullptr, k) != 0) {
        std::fprintf(stderr, "bench_versions: the save of %s failed\n", path.c_str());
        std::exit(1);
    }
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

} // namespace

int main(int argc, char** argv) {
    const int stations = argc > 1 ? std::atoi(argv[1]) : 10000;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 21;
    char pattern[] = "/tmp/bench-versions-XXXXXX";
    if (mkdtemp(pattern) == nullptr) return 1;
    const std::string dir = pattern;
    const std::string plain = dir + "/plain.xml", kept = dir + "/kept.xml", counted = dir + "/counted.xml";
    Tsetup setup;
    if (!make_example_stations_file(VEMORA_EXAMPLES "/setup.xml", plain, stations) ||
        setup.read_file(plain.c_str()) != 0) {
        std::fprintf(stderr, "bench_versions: cannot make the document\n");
        return 1;
    }
    std::filesystem::copy_file(plain, kept);
    std::filesystem::copy_file(plain, counted);

    // Without versions; with versions and the old file's station count given (as the window and
    // vemora-cli give it); with versions and the count read from the old file.
    std::vector<double> without, with, with_counting;
    for (int round = 0; round < rounds; ++round) {
        Version_keeping given;
        given.note.stations = stations;
        given.note.changes = {"Edit station 1"};
        Version_keeping counting;
        counting.note.changes = {"Edit station 1"};
        Version_keeping off;
        off.keep = false;
        // The order turns each round, so that none of the three always comes first.
        for (int step = 0; step < 3; ++step) {
            switch ((round + step) % 3) {
            case 0:
                without.push_back(timed_save(setup, plain, &off));
                break;
            case 1:
                with.push_back(timed_save(setup, kept, &given));
                break;
            default:
                with_counting.push_back(timed_save(setup, counted, &counting));
                break;
            }
        }
    }
    const size_t versions = list_versions(kept).size();
    std::filesystem::remove_all(dir);

    const double a = median(without), b = median(with), c = median(with_counting);
    std::printf("save of %d stations over an existing file, median of %d rounds:\n", stations, rounds);
    std::printf("  without versions                   %8.1f ms\n", a);
    std::printf("  with versions (count given)        %8.1f ms  ratio %.3f\n", b, b / a);
    std::printf("  with versions (count read from it) %8.1f ms  ratio %.3f\n", c, c / a);
    std::printf("  versions kept at the end: %zu\n", versions);
    const bool ok = b / a <= 1.2;
    std::printf("%s: saving with versions takes at most 1.2 times saving without\n", ok ? "PASS" : "FAIL");
    return ok ? 0 : 1;
}
