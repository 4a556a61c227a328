// Benchmark of the station editor: opening it on a station (reset, load, display conditions, shown) and
// storing on OK, through the window and through its logic alone; and what one change in an edit costs with
// the Memory page hidden and shown.
//
// Usage: bench_station_editor   (runs on the offscreen platform unless told otherwise)
#include <QApplication>
#include <QLineEdit>
#include <QTabWidget>
#include <QTest>

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "Setup.h"
#include "Wedit_zevo4k.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Timing {
    double best = 1e9, total = 0;
    int runs = 0;
    void add(double ms) {
        best = std::min(best, ms);
        total += ms;
        ++runs;
    }
    double mean() const { return total / runs; }
};

double ms_since(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

} // namespace

int main(int argc, char** argv) {
    if (qgetenv("QT_QPA_PLATFORM").isEmpty()) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    Tsetup setup;
    if (setup.read_file(VEMORA_EXAMPLES "/setup.xml") != 0) return 1;
    // The example's first station: slow, fast and remote sequences with thresholds and actions.
    auto* station = static_cast<Tstation*>(setup.stations.list.node_at(0)->item);
    const Tstation original = *station;

    Timing window_open, window_store, logic_open, logic_store;
    TFedit_zevo4k editor;
    for (int run = 0; run < 200; ++run) {
        *station = original;
        auto start = Clock::now();
        editor.load(station);
        editor.show();
        if (!QTest::qWaitForWindowExposed(&editor)) return 1;
        QApplication::processEvents();
        window_open.add(ms_since(start));
        start = Clock::now();
        editor.Button1Click();
        QApplication::processEvents();
        window_store.add(ms_since(start));
        if (editor.isVisible() || station->configuration.cursor() == 0) {
            std::fprintf(stderr, "bench_station_editor: OK did not store and close\n");
            return 1;
        }
    }
    // One change of an interval edit, as a keystroke makes it: with the Memory page hidden it only waits;
    // shown, it lists the would-be image again.
    Timing change_hidden, change_shown;
    *station = original;
    editor.load(station);
    editor.show();
    auto* interval = editor.findChild<QLineEdit*>("ed_acq_interval0");
    auto* pages = editor.findChild<QTabWidget*>("PageControl1");
    for (int shown = 0; shown < 2; ++shown) {
        pages->setCurrentIndex(shown ? 6 : 2);
        QApplication::processEvents();
        for (int run = 0; run < 2000; ++run) {
            const auto start = Clock::now();
            interval->setText(QString::number(run % 600 + 1));
            (shown ? change_shown : change_hidden).add(ms_since(start));
        }
    }
    editor.hide();
    Station_editor logic;
    for (int run = 0; run < 2000; ++run) {
        auto start = Clock::now();
        logic.open(station);
        logic_open.add(ms_since(start));
        start = Clock::now();
        logic.store();
        logic_store.add(ms_since(start));
    }
    std::printf("Station editor on the example's first station (offscreen platform):\n");
    std::printf(
        "  window: open (reset, load, display conditions, shown)  best %6.2f ms, mean %6.2f ms (%d runs)\n",
        window_open.best, window_open.mean(), window_open.runs);
    std::printf("  window: OK (store, close)                               best %6.2f ms, mean %6.2f ms\n",
                window_store.best, window_store.mean());
    std::printf(
        "  logic alone: open                                       best %6.3f ms, mean %6.3f ms (%d runs)\n",
        logic_open.best, logic_open.mean(), logic_open.runs);
    std::printf("  logic alone: store                                      best %6.3f ms, mean %6.3f ms\n",
                logic_store.best, logic_store.mean());
    std::printf(
        "  window: a change in an edit, Memory page hidden        best %6.3f ms, mean %6.3f ms (%d runs)\n",
        change_hidden.best, change_hidden.mean(), change_hidden.runs);
    std::printf("  window: a change in an edit, Memory page shown         best %6.3f ms, mean %6.3f ms\n",
                change_shown.best, change_shown.mean());
    return 0;
}
