// Benchmark of the progress of a long Open and Save in the main window: how long each takes, when the
// progress dialog first appears, how often the event loop turns (the dialog repaints) while the work runs,
// and the longest time it does not.
//
// Usage: bench_open_progress [STATIONS]   (default 100000; runs on the offscreen platform unless told
// otherwise)
#include <QApplication>
#include <QElapsedTimer>
#include <QProgressDialog>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "File_progress.h"
#include "Lib_text.h"
#include "Wmain.h"
#include "example_stations.h"

namespace {

// Each turn of the event loop while the work runs, seen by a timer that fires at every turn.
struct Turns {
    QElapsedTimer clock;
    std::vector<qint64> at_ms;   // every turn
    qint64 dialog_first_ms = -1; // the first turn with the dialog on the screen
    std::vector<QString> labels; // the dialog's label at each turn
};

struct Figures {
    qint64 total_ms = 0, dialog_ms = -1, longest_gap_ms = 0, longest_gap_shown_ms = 0;
    size_t turns = 0;
    QString before_longest; // the label shown when the longest gap began
};

Figures measure(TFmain& window, const std::function<void()>& work) {
    Turns turns;
    QTimer timer;
    timer.setInterval(0);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        auto* dialog = window.findChild<QProgressDialog*>("dlg_progress");
        const bool shown = dialog != nullptr && dialog->isVisible();
        turns.at_ms.push_back(turns.clock.elapsed());
        turns.labels.push_back(shown ? dialog->labelText() : QString());
        if (shown && turns.dialog_first_ms < 0) turns.dialog_first_ms = turns.at_ms.back();
    });
    timer.start();
    turns.clock.start();
    work();
    Figures f;
    f.total_ms = turns.clock.elapsed();
    timer.stop();
    f.dialog_ms = turns.dialog_first_ms;
    f.turns = turns.at_ms.size();
    qint64 previous = 0;
    QString label = "(before the first turn)";
    for (size_t i = 0; i <= turns.at_ms.size(); ++i) {
        const qint64 now = i < turns.at_ms.size() ? turns.at_ms[i] : f.total_ms;
        const qint64 gap = now - previous;
        if (gap > f.longest_gap_ms) {
            f.longest_gap_ms = gap;
            f.before_longest = label;
        }
        if (f.dialog_ms >= 0 && previous >= f.dialog_ms)
            f.longest_gap_shown_ms = std::max(f.longest_gap_shown_ms, gap);
        previous = now;
        if (i < turns.labels.size()) label = turns.labels[i];
    }
    return f;
}

void print(const char* what, const Figures& f) {
    std::printf("  %-5s %6lld ms; dialog first seen at %5lld ms; %4zu loop turns; longest without a turn: "
                "%5lld ms (after \"%s\"), %4lld ms once the dialog is seen\n",
                what, static_cast<long long>(f.total_ms), static_cast<long long>(f.dialog_ms), f.turns,
                static_cast<long long>(f.longest_gap_ms), f.before_longest.toLocal8Bit().constData(),
                static_cast<long long>(f.longest_gap_shown_ms));
}

} // namespace

int main(int argc, char** argv) {
    if (qgetenv("QT_QPA_PLATFORM").isEmpty()) qputenv("QT_QPA_PLATFORM", "offscreen");
    int32_t n = 100000;
    if (argc > 1 && (parse_int(argv[1], &n) || n <= 0)) {
        std::fprintf(stderr, "Usage: bench_open_progress [STATIONS]\n");
        return 2;
    }
    const std::string folder = (std::filesystem::temp_directory_path() / "vemora-bench-progress").string();
    std::filesystem::create_directories(folder);
    const std::string path = folder + "/stations.xml";
    if (!make_example_stations_file(VEMORA_EXAMPLES "/setup.xml", path, n)) {
        std::fprintf(stderr, "bench_open_progress: cannot make %s\n", path.c_str());
        return 1;
    }
    const double mb = static_cast<double>(std::filesystem::file_size(path)) / 1e6;

    QApplication application(argc, argv);
    std::printf("Open and Save in the main window, %d stations (%.1f MB), dialog after %d ms, %s platform:\n",
                n, mb, File_progress::minimum_duration(), qPrintable(QApplication::platformName()));
    bool ok = true;
    for (int run = 1; run <= 3 && ok; ++run) {
        TFmain window;
        window.show();
        if (!QTest::qWaitForWindowExposed(&window)) return 1;
        std::printf("run %d\n", run);
        print("Open", measure(window, [&] { ok = window.open_file(path) && ok; }));
        print("Save", measure(window, [&] { window.Save1Click(); }));
        ok = ok && !window.is_modified();
    }
    std::filesystem::remove_all(folder);
    if (!ok) std::fprintf(stderr, "bench_open_progress: the Open or the Save failed\n");
    return ok ? 0 : 1;
}
