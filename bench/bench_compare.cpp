// Benchmark of diff and report over a fleet: two files of 10,000 stations (copies of the example's), the
// second with one setting changed in every tenth station, a third with one changed in every station,
// compared; and the sheets of all 10,000.
//
// Usage: bench_compare [STATIONS...]   (default: 10000). Goal: under a second each.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "Cli.h"
#include "Setup.h"
#include "Station_editor.h"
#include "example_stations.h"

namespace {

double seconds_of(const std::vector<std::string>& arguments, std::string* out) {
    std::vector<const char*> argv = {"vemora-cli"};
    for (const std::string& a : arguments)
        argv.push_back(a.c_str());
    std::ostringstream o, e;
    const auto start = std::chrono::steady_clock::now();
    run_cli(static_cast<int>(argv.size()), argv.data(), o, e);
    const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    *out = o.str();
    return s;
}

// B: every `step`th station of A with one box of its remote sequence toggled as a user would.
bool changed_copy(const std::string& a, const std::string& b, int step) {
    Tsetup setup;
    if (setup.read_file(a.c_str()) != 0) return false;
    Station_editor editor;
    int n = 0;
    for (Tlist::Tnode* node = setup.stations.list.head(); node != nullptr; node = node->next, ++n) {
        if (n % step != 0) continue;
        editor.open(static_cast<Tstation*>(node->item));
        editor.set_checked(editor.form.find("cb_r_7"), !editor.form.checked(editor.form.find("cb_r_7")));
        if (!editor.ok().stored) return false;
    }
    return setup.write_file(b.c_str()) == 0;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<int> sizes;
    for (int i = 1; i < argc; ++i)
        sizes.push_back(std::atoi(argv[i]));
    if (sizes.empty()) sizes = {10000};
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / "vemora-bench-compare";
    std::filesystem::create_directories(dir);
    bool ok = true;
    for (int n : sizes) {
        const std::string a = (dir / "a.xml").string(), b = (dir / "b.xml").string(),
                          c = (dir / "c.xml").string();
        if (!make_example_stations_file(VEMORA_EXAMPLES "/setup.xml", a, n) || !changed_copy(a, b, 10) ||
            !changed_copy(a, c, 1)) {
            std::fprintf(stderr, "cannot make the files of %d stations\n", n);
            return 1;
        }
        std::string out;
        const double same = seconds_of({"diff", a, a}, &out);
        const double differ = seconds_of({"diff", a, b}, &out);
        const size_t lines = static_cast<size_t>(std::count(out.begin(), out.end(), '\n'));
        const double all = seconds_of({"diff", a, c}, &out);
        const double report = seconds_of({"report", a}, &out);
        std::printf(
            "%6d stations: diff of equal files %.3f s, diff with %d stations changed %.3f s (%zu lines), "
            "diff with every station changed %.3f s, report %.3f s (%zu bytes)\n",
            n, same, (n + 9) / 10, differ, lines, all, report, out.size());
        ok = ok && (n > 10000 || (same < 1 && differ < 1 && all < 1 && report < 1));
    }
    std::filesystem::remove_all(dir);
    std::printf(ok ? "goal met: under a second each at 10,000 stations\n" : "GOAL MISSED\n");
    return ok ? 0 : 1;
}
