// vemora-screenshots OUTDIR FILE [PROBLEM_FILE]: opens FILE in the real windows and saves a picture of each
// page as PNG, for the README; with PROBLEM_FILE also the reading problems it opens with. Run it under a
// display (scripts/screenshots starts one with Xvfb).
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QImage>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QSettings>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

#include "Preferences.h"
#include "Station.h"
#include "Station_grid.h"
#include "Station_settings.h"
#include "Station_sheet.h"
#include "Station_sheet_print.h"
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

// A fleet made of the example's stations, 60 of them with ids from 101 on and one id given twice, filtered
// and sorted by memory used, largest first.
bool save_fleet(TFmain& window, const QString& path) {
    Tsetup& setup = window.document();
    std::vector<Tstation> models;
    for_each_item<Tstation>(setup.stations.list, [&](Tstation& s) { models.push_back(s); });
    if (models.empty()) return false;
    setup.stations.clear();
    for (int i = 0; i < 60; ++i) {
        auto* s = new Tstation(models[static_cast<size_t>(i) % models.size()]);
        s->id = i == 17 ? 112 : 101 + i;
        std::snprintf(s->phone_nbr, sizeof s->phone_nbr, "+417911%05d", 101 + i);
        setup.stations.append(s);
    }
    window.refresh(true);
    window.findChild<QTabWidget*>("PageControl1")->setCurrentIndex(1);
    window.findChild<QLineEdit*>("ed_filter")->setText("uses:161 OR uranine OR dup");
    QHeaderView* header = window.findChild<QTableView*>("StringGrid_stations")->horizontalHeader();
    emit header->sectionClicked(Station_grid_model::MEMORY); // ascending,
    emit header->sectionClicked(Station_grid_model::MEMORY); // then largest first
    window.findChild<QTableView*>("StringGrid_stations")->selectRow(2);
    window.resize(860, 520);
    return save(&window, path);
}

} // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    // Recent files and window places of these runs stay in a folder of their own, not the user's.
    QTemporaryDir preferences;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, preferences.path());
    Preferences::set_lock_files(false); // no lock files in the examples' folder
    if (argc != 3 && argc != 4) {
        std::fprintf(stderr, "usage: vemora-screenshots OUTDIR FILE [PROBLEM_FILE]\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(folder);
    TFmain window;
    window.restore_place(); // as on a first run: nothing stored
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
        "editor-slow-sequence.png", "editor-fast-sequence.png", "editor-remote-sequence.png",
        "editor-memory.png"};
    const int named = static_cast<int>(sizeof editor_names / sizeof editor_names[0]);
    if (editor_pages->count() != named) return 1; // a page without a picture name
    for (int page = 0; page < named; ++page) {
        editor_pages->setCurrentIndex(page);
        ok = save(&editor, folder + "/" + editor_names[page]) && ok;
    }
    // As it opens on a 1024x600 screen (less a title bar): the page scrolls, the meter and buttons stay.
    editor.resize(editor.sizeHint().boundedTo(QSize(1024, 570)));
    editor_pages->setCurrentIndex(3);
    ok = save(&editor, folder + "/editor-small-screen.png") && ok;
    editor.hide();
    {
        // The printed station sheet of that station, as one A4 page at 100 dots per inch.
        Settings_reader reader;
        Sheet_options options;
        options.compact = true;
        const std::vector<std::string> lines =
            station_sheet(*static_cast<Tstation*>(node->item), 3, options, reader);
        Station_sheet sheet;
        sheet.title = to_qstring(lines.front());
        for (size_t i = 1; i < lines.size(); ++i)
            sheet.lines << to_qstring(lines[i]);
        QImage page(827, 1169, QImage::Format_RGB32);
        page.setDotsPerMeterX(3937);
        page.setDotsPerMeterY(3937);
        page.fill(Qt::white);
        QPainter painter(&page);
        const int pages = paint_station_sheets(painter, page.rect(), {sheet}, [] {});
        painter.end();
        const QString path = folder + "/station-sheet.png";
        const bool saved = pages == 1 && page.save(path);
        std::printf("%s %s\n", saved ? "wrote" : "could not write", path.toLocal8Bit().constData());
        ok = saved && ok;
    }
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
    ok = window.open_file(argv[2]) && save_fleet(window, folder + "/fleet-filtered.png") && ok;
    {
        // A few changes, one of them undone, and the History window beside the main one.
        if (!window.open_file(argv[2])) return 1;
        window.findChild<QLineEdit*>("ed_filter")->clear();
        auto* grid = window.findChild<QTableView*>("StringGrid_stations");
        grid->selectRow(0);
        window.findChild<QAction*>("DuplicateStation1")->trigger(); // the editor opens: taken as it is
        grid->selectRow(2);
        grid->selectionModel()->select(grid->model()->index(3, 0),
                                       QItemSelectionModel::Select | QItemSelectionModel::Rows);
        window.Button6Click();
        window.Undo1Click();
        window.History1Click();
        auto* history = window.findChild<QWidget*>("Fhistory");
        if (history == nullptr) return 1;
        history->resize(420, 200);
        ok = save(history, folder + "/main-history.png") && ok;
        history->hide();
    }
    {
        // Four stations edited together: the GSM timing page, its mixed values shown as such.
        if (!window.open_file(argv[2])) return 1;
        window.set_together_editor([&editor](const Together_request& request,
                                             std::vector<Control_change>* changes, bool* include_spares) {
            return editor.edit_together(request, changes, include_spares);
        });
        auto* grid = window.findChild<QTableView*>("StringGrid_stations");
        grid->selectRow(0);
        for (int row = 1; row < 5; ++row)
            grid->selectionModel()->select(grid->model()->index(row, 0),
                                           QItemSelectionModel::Select | QItemSelectionModel::Rows);
        QTimer::singleShot(300, &editor, [&editor, &ok, &folder] {
            auto* editor_pages = editor.findChild<QTabWidget*>("PageControl1");
            editor_pages->setCurrentIndex(2); // Acquisition timing: intervals that differ
            editor.resize(editor.sizeHint());
            ok = save(&editor, folder + "/editor-together.png") && ok;
            editor.done(2);
        });
        window.EditTogether1Click();
    }
    {
        // A copy of the example saved twice, then changed by another program: the bar above the pages,
        // and the Versions window with the two files the saves replaced.
        QTemporaryDir shared;
        const std::string copy = (shared.path() + "/setup.xml").toStdString();
        if (!QFile::copy(QString::fromLocal8Bit(argv[2]), QString::fromStdString(copy)) ||
            !window.open_file(copy))
            return 1;
        auto* grid = window.findChild<QTableView*>("StringGrid_stations");
        pages->setCurrentIndex(1);
        grid->selectRow(4);
        window.Button6Click();
        window.Save1Click();
        grid->selectRow(0);
        window.Button6Click();
        window.Save1Click();
        QFile other(QString::fromStdString(copy));
        if (!other.open(QIODevice::Append)) return 1;
        other.write("\r\n");
        other.close();
        window.check_disk();
        ok = save(&window, folder + "/main-changed-on-disk.png") && ok;
        window.Versions1Click();
        auto* versions = window.findChild<QWidget*>("Fversions");
        if (versions == nullptr) return 1;
        ok = save(versions, folder + "/main-versions.png") && ok;
        versions->hide();
    }
    return ok ? 0 : 1;
}
