// The main window and its side windows for a keyboard and a screen reader: each page passes the
// accessibility check, and a station is found, edited, stored, another deleted and the file saved with key
// presses only.
#include "editor_window_fixture.h"

#include <QListWidget>

#include "Setup.h"
#include "Station.h"
#include "Station_editor.h"
#include "Wabout.h"
#include "accessibility_check.h"

namespace {

std::string lines(const QStringList& problems) {
    return problems.join('\n').toStdString();
}

std::string threshold(const Tstation* station, const char* control) {
    Station_editor logic;
    logic.open(const_cast<Tstation*>(station));
    return logic.form.text(logic.form.find(control));
}

} // namespace

TEST_F(Gui_test, EveryPageOfTheMainWindowPassesTheAccessibilityCheck) {
    // With stations and reading problems, so that the grid's rows and the problems button are there too.
    ASSERT_TRUE(window->open_file(
        write_setup("problems.xml",
                    "<SETUP><STATIONS><STATION id='x1' phone_nbr='+41 1'/><STATION id='2'/><BAD/></STATIONS>"
                    "</SETUP>")));
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    ASSERT_TRUE(find<QPushButton>("bt_problems")->isVisible());
    QTabWidget* pages = find<QTabWidget>("PageControl1");
    int stops = 0;
    for (int p = 0; p < pages->count(); ++p) {
        pages->setCurrentIndex(p);
        const QStringList problems = accessibility_problems(window);
        EXPECT_TRUE(problems.isEmpty()) << pages->tabText(p).toStdString() << ":\n" << lines(problems);
        stops += static_cast<int>(focus_stops(window).size());
    }
    // Two edits, the grid and three buttons, two edits and two buttons; the tabs, the file's name and the
    // problems button on every page.
    EXPECT_GE(stops, 2 + 4 + 4 + 3 * 3);

    // The reading problems window and the About box.
    find<QPushButton>("bt_problems")->click();
    auto* problems_window = window->findChild<QWidget*>("Fproblems");
    ASSERT_NE(problems_window, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(problems_window));
    EXPECT_TRUE(accessibility_problems(problems_window).isEmpty())
        << lines(accessibility_problems(problems_window));
    problems_window->close();
    action("History1")->trigger();
    auto* history_window = window->findChild<QWidget*>("Fhistory");
    ASSERT_NE(history_window, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(history_window));
    EXPECT_TRUE(accessibility_problems(history_window).isEmpty())
        << lines(accessibility_problems(history_window));
    history_window->close();
    TFabout about(window);
    window->set_about_box(&about);
    action("AboutKorvandel1")->trigger();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&about));
    EXPECT_TRUE(accessibility_problems(&about).isEmpty()) << lines(accessibility_problems(&about));
    about.close();
}

class Keyboard_only_test : public Editor_window_test {
  protected:
    QWidget* focused() const {
        QWidget* top =
            QApplication::activeModalWidget() != nullptr ? QApplication::activeModalWidget() : window;
        return top->focusWidget() != nullptr ? top->focusWidget() : top;
    }
    QString focused_name() const { return focused()->objectName(); }
    void key(int k, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(focused(), static_cast<Qt::Key>(k), modifiers);
    }
    // Tab until the named control has the focus; false when it is not reached in 200 presses.
    bool tab_to(const char* name) {
        for (int i = 0; i < 200 && focused_name() != name; ++i)
            key(Qt::Key_Tab);
        return focused_name() == name;
    }
};

TEST_F(Keyboard_only_test, OpenFindEditStoreDeleteAndSaveWithoutAMouse) {
    const std::string path = dir.file("fleet.xml");
    {
        Tsetup example;
        ASSERT_EQ(example.read_file(VEMORA_EXAMPLES "/setup.xml"), 0);
        ASSERT_EQ(example.write_file(path.c_str()), 0);
    }
    window->show();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));

    // Ctrl+O, the file chosen in the dialog; Alt+T to the Stations page, Tab to the grid.
    chosen.push_back(QString::fromStdString(path));
    key(Qt::Key_O, Qt::ControlModifier);
    ASSERT_EQ(window->file_name(), path);
    key(Qt::Key_T, Qt::AltModifier);
    ASSERT_EQ(find<QTabWidget>("PageControl1")->currentIndex(), 1);
    ASSERT_TRUE(tab_to("StringGrid_stations"));
    // Down to the third station (id 203), Return opens it.
    key(Qt::Key_Home);
    key(Qt::Key_Down);
    key(Qt::Key_Down);
    Tstation* edited_station = model()->station_at(grid()->currentIndex().row());
    ASSERT_NE(edited_station, nullptr);
    ASSERT_EQ(edited_station->id, 203);
    const std::string before = threshold(edited_station, "ed_s_161");
    bool reached = false;
    while_open([this, &reached] {
        // The offscreen platform has no window manager to activate a new window, as a desktop's does.
        QApplication::setActiveWindow(editor);
        ASSERT_EQ(QApplication::activeWindow(), editor);
        EXPECT_EQ(focused_name(), "ed_ID");
        key(Qt::Key_S, Qt::AltModifier); // the Slow Sequence page
        EXPECT_EQ(pages()->currentIndex(), 3);
        reached = tab_to("ed_s_161");
        if (!reached) {
            key(Qt::Key_Escape);
            return;
        }
        key(Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(focused(), "7.5");
        key(Qt::Key_Return); // Return in the field stores nothing and closes nothing
        EXPECT_TRUE(editor->isVisible());
        ASSERT_TRUE(tab_to("Button1"));
        key(Qt::Key_Return);
    });
    key(Qt::Key_Return);
    ASSERT_TRUE(reached);
    EXPECT_FALSE(editor->isVisible());
    EXPECT_NE(threshold(edited_station, "ed_s_161"), before);
    EXPECT_EQ(threshold(edited_station, "ed_s_161"), "7.50");

    // The focus is back in the grid, on the same station: Down, Delete removes the next one.
    QApplication::setActiveWindow(window); // as a window manager gives the focus back
    ASSERT_EQ(focused_name(), "StringGrid_stations");
    key(Qt::Key_Down);
    const int deleted_id = model()->station_at(grid()->currentIndex().row())->id;
    ASSERT_EQ(deleted_id, 304);
    key(Qt::Key_Delete);
    EXPECT_TRUE(window->isWindowModified());

    // Ctrl+S writes the file.
    key(Qt::Key_S, Qt::ControlModifier);
    EXPECT_FALSE(window->isWindowModified());
    EXPECT_TRUE(messages.empty());
    Tsetup saved;
    ASSERT_EQ(saved.read_file(path.c_str()), 0);
    int count = 0;
    const Tstation* saved_203 = nullptr;
    for_each_item<Tstation>(saved.stations.list, [&](const Tstation& s) {
        ++count;
        EXPECT_NE(s.id, deleted_id);
        if (s.id == 203) saved_203 = &s;
    });
    EXPECT_EQ(count, 4);
    ASSERT_NE(saved_203, nullptr);
    EXPECT_EQ(threshold(saved_203, "ed_s_161"), "7.50");
}
