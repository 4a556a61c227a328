// vemora-screenshots OUTDIR FILE [PROBLEM_FILE]: opens FILE in the real windows and saves a picture of each
// page as PNG, for the README; with PROBLEM_FILE also the reading problems it opens with. Run it under a
// display (scripts/screenshots starts one with Xvfb).
#include <QApplication>
#include <QDir>
#include <QPushButton>
#include <QSettings>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

#include "Station.h"
#include "Text_bridge.h"
#include "Wedit_zevo4k.h"
#include "Wmain.h"

namespace {

bool save(QWidget* window, const QString& path) {
    QApplication::processEvents();
    const bool ok = window->grab().save(path);
    std::printf("%s %s\n", ok ? "wrote" : "could not write", path.toLocal8Bit().constData());
    return ok;
}

} // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    // Recent files and window places of these runs stay in a folder of their own, not the user's.
    QTemporaryDir preferences;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, preferences.path());
    if (argc != 3 && argc != 4) {
        std::fprintf(stderr, "usage: vemora-screenshots OUTDIR FILE [PROBLEM_FILE]\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(folder);
    TFmain window;
    window.show();
    if (!window.open_file(argv[2])) return 1;
    auto* pages = window.findChild<QTabWidget*>("PageControl1");
    bool ok = true;
    const char* names[] = {"main-com-ports.png", "main-stations.png", "main-directories.png"};
    for (int page = 0; page < pages->count(); ++page) {
        pages->setCurrentIndex(page);
        if (page == 1) window.findChild<QTableView*>("StringGrid_stations")->selectRow(1);
        ok = save(&window, folder + "/" + names[page]) && ok;
    }
    // The station editor on the example's third station, page by page.
    Tlist::Tnode* node = window.document().stations.list.node_at(2);
    if (node == nullptr) return 1;
    TFedit_zevo4k editor(&window);
    editor.load(static_cast<Tstation*>(node->item));
    editor.resize(editor.sizeHint()); // its pages whole, where the screen allows it
    editor.show();
    auto* editor_pages = editor.findChild<QTabWidget*>("PageControl1");
    const char* editor_names[] = {
        "editor-general.png",       "editor-gsm-timing.png",    "editor-acquisition-timing.png",
        "editor-slow-sequence.png", "editor-fast-sequence.png", "editor-remote-sequence.png"};
    for (int page = 0; page < editor_pages->count(); ++page) {
        editor_pages->setCurrentIndex(page);
        ok = save(&editor, folder + "/" + editor_names[page]) && ok;
    }
    // As it opens on a 1024x600 screen (less a title bar): the page scrolls, the meter and buttons stay.
    editor.resize(editor.sizeHint().boundedTo(QSize(1024, 570)));
    editor_pages->setCurrentIndex(3);
    ok = save(&editor, folder + "/editor-small-screen.png") && ok;
    editor.hide();
    if (argc == 4) {
        // A file with problems, and the window that lists them.
        if (!window.open_file(argv[3])) return 1;
        window.findChild<QPushButton*>("bt_problems")->click();
        auto* problems = window.findChild<QWidget*>("Fproblems");
        if (problems == nullptr) return 1;
        problems->resize(900, 260);
        ok = save(&window, folder + "/main-opened-with-problems.png") && ok;
        ok = save(problems, folder + "/main-reading-problems.png") && ok;
        problems->hide();
        // Its first station in the editor: a command that OK would drop, said above the buttons.
        Tlist::Tnode* first = window.document().stations.list.node_at(0);
        if (first == nullptr) return 1;
        editor.load(static_cast<Tstation*>(first->item));
        editor.show();
        ok = save(&editor, folder + "/editor-what-ok-drops.png") && ok;
    }
    return ok ? 0 : 1;
}
