// Benchmark of editing a fleet at once against the loop it replaces: one `vemora-cli edit IN all OUT ...
// --include-spares` over a file of STATIONS stations (copies of the example's, a fifth of them spares)
// against one `edit IN N OUT ...` per station, each reading and writing the whole file; in-process, so
// the loop's figure leaves out the start of a process per station. The loop is timed over its first SAMPLE
// stations and its time for the whole fleet extrapolated from them; the two results are checked equal on
// those stations.
//
// It also times what the window does for Edit Selected Together on every station: the together view when
// the editor opens, the plan at OK, the review's lines and the step pushed on the document's history.
//
// Usage: bench_bulk_edit [STATIONS] [SAMPLE]   (defaults: 5000 and 40).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "Bulk_edit.h"
#include "Cli.h"
#include "Control_change.h"
#include "Document_history.h"
#include "Setup.h"
#include "example_stations.h"

namespace {

const std::vector<std::string> changes = {"ed_sms=+41797654399", "ed_acq_interval0=60"};

// Runs one command line in-process; its time in seconds, or -1 when it failed.
double seconds_of(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), "vemora-cli");
    std::vector<const char*> argv;
    for (const std::string& a : arguments)
        argv.push_back(a.c_str());
    std::ostringstream out, err;
    const auto start = std::chrono::steady_clock::now();
    const int code = run_cli(static_cast<int>(argv.size()), argv.data(), out, err);
    const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (code != 0 && code != 5) {
        std::fprintf(stderr, "failed (%d): %s", code, err.str().c_str());
        return -1;
    }
    return s;
}

std::string bytes_of(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<std::string> with(std::vector<std::string> head, const std::vector<std::string>& tail) {
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
}

} // namespace

int main(int argc, char** argv) {
    const int n = argc > 1 ? std::atoi(argv[1]) : 5000;
    const int sample = std::min(n, argc > 2 ? std::atoi(argv[2]) : 40);
    if (n < 1 || sample < 1) {
        std::fprintf(stderr, "usage: bench_bulk_edit [STATIONS] [SAMPLE]\n");
        return 2;
    }
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / "vemora-bench-bulk-edit";
    std::filesystem::create_directories(dir);
    const std::string in = (dir / "in.xml").string(), out = (dir / "out.xml").string();
    if (!make_example_stations_file(VEMORA_EXAMPLES "/setup.xml", in, n)) return 1;
    std::printf("%d stations, %.1f MB\n", n, std::filesystem::file_size(in) / 1e6);

    // At once: best of 3.
    double bulk = 1e9, dry = 1e9;
    for (int run = 0; run < 3; ++run) {
        const double s = seconds_of(with({"edit", in, "all", out, "--include-spares"}, changes));
        const double d = seconds_of(with({"edit", in, "all", out, "--include-spares", "--dry-run"}, changes));
        if (s < 0 || d < 0) return 1;
        bulk = std::min(bulk, s);
        dry = std::min(dry, d);
    }
    std::printf("edit IN all OUT (one read, one write), best of 3:  %8.3f s\n", bulk);
    std::printf("the same with --dry-run (and its diff), best of 3: %8.3f s\n", dry);

    // The window's way: the document is open; the editor opens on the selection, OK plans, the review is
    // made, the step is pushed. Best of 3, each on the document as opened (the step undone).
    {
        Tsetup setup;
        std::string reason;
        if (setup.read_file(in.c_str(), &reason) != 0) return 1;
        Document_history history(setup);
        std::vector<int> positions(static_cast<size_t>(n));
        for (int i = 0; i < n; ++i)
            positions[static_cast<size_t>(i)] = i;
        std::vector<Control_change> parsed;
        for (const std::string& c : changes) {
            Control_change change;
            if (!parse_control_change(c, &change)) return 1;
            parsed.push_back(change);
        }
        double view_s = 1e9, plan_s = 1e9, review_s = 1e9, push_s = 1e9, total = 1e9;
        size_t lines = 0;
        for (int run = 0; run < 3; ++run) {
            const auto t0 = std::chrono::steady_clock::now();
            const Together_view view = together_view(setup, positions);
            const auto t1 = std::chrono::steady_clock::now();
            Bulk_plan plan = plan_bulk_edit(setup, positions, parsed);
            const auto t2 = std::chrono::steady_clock::now();
            lines = bulk_review(plan).size();
            const auto t3 = std::chrono::steady_clock::now();
            if (!history.push(bulk_edit_command(setup, std::move(plan)))) return 1;
            const auto t4 = std::chrono::steady_clock::now();
            const auto s_of = [](auto a, auto b) { return std::chrono::duration<double>(b - a).count(); };
            view_s = std::min(view_s, s_of(t0, t1));
            plan_s = std::min(plan_s, s_of(t1, t2));
            review_s = std::min(review_s, s_of(t2, t3));
            push_s = std::min(push_s, s_of(t3, t4));
            total = std::min(total, s_of(t0, t4));
            if (view.stations == 0 || !history.undo()) return 1;
        }
        std::printf("the window's Edit Selected Together on every station, best of 3: %.3f s\n", total);
        std::printf("  editor opened (together view) %.3f s, OK (plan) %.3f s, review (%zu lines) %.3f s, "
                    "step pushed %.3f s\n",
                    view_s, plan_s, lines, review_s, push_s);
        // The review's worst case: no two stations share a configuration (each gets intervals of its own).
        for (int i = 0; i < n; ++i) {
            Bulk_plan own = plan_bulk_edit(setup, {i},
                                           {{"ed_acq_interval0", std::to_string(1 + i % 100)},
                                            {"ed_acq_interval1", std::to_string(1 + i / 100 % 50)}});
            if (own.refused()) return 1;
            if (!own.after.empty())
                *static_cast<Tstation*>(setup.stations.list.node_at(i)->item) = own.after.front();
        }
        double distinct = 1e9;
        for (int run = 0; run < 3; ++run) {
            const auto t0 = std::chrono::steady_clock::now();
            const Together_view view = together_view(setup, positions);
            Bulk_plan plan = plan_bulk_edit(setup, positions, parsed);
            lines = bulk_review(plan).size();
            if (!history.push(bulk_edit_command(setup, std::move(plan))) || !history.undo()) return 1;
            distinct = std::min(distinct,
                                std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
            if (view.stations == 0) return 1;
        }
        std::printf("  the same when no two stations share a configuration (%zu review lines): %.3f s\n",
                    lines, distinct);
    }

    // One station at a time, each edit reading the last one's output, over the first stations.
    std::string file = in;
    const auto start = std::chrono::steady_clock::now();
    for (int k = 1; k <= sample; ++k) {
        const std::string next = (dir / ("step" + std::to_string(k % 2) + ".xml")).string();
        if (seconds_of(with({"edit", file, std::to_string(k), next}, changes)) < 0) return 1;
        file = next;
    }
    const double loop = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double per_station = loop / sample;
    std::printf("edit IN N OUT per station, first %d stations:      %8.3f s, %.1f ms a station\n", sample,
                loop, per_station * 1e3);
    std::printf("  for all %d stations (extrapolated):            %8.1f s, %.0f times the edit at once\n", n,
                per_station * n, per_station * n / bulk);

    // The same bytes: the stations the loop edited, edited at once.
    const std::string together = (dir / "together.xml").string();
    if (seconds_of(with({"edit", in, "1-" + std::to_string(sample), together, "--include-spares"}, changes)) <
        0)
        return 1;
    const bool same = bytes_of(together) == bytes_of(file);
    std::printf("first %d stations at once and one by one give the same file: %s\n", sample,
                same ? "yes" : "NO");
    std::filesystem::remove_all(dir);
    return same ? 0 : 1;
}
