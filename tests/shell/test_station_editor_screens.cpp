// The station editor on small screens: it opens no larger than the screen, every control of every page
// can be scrolled into view while OK, Cancel and the meter stay in the window, and it opens where the
// user left it unless that place is on no screen.
#include "editor_window_fixture.h"

#include <QGuiApplication>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSettings>

#include "Scroll_page.h"
#include "Station.h"
#include "Window_place.h"
#include "accessibility_check.h"

namespace {

// The client area of a 1024x600 screen and of 1366x768 at 125 % (1093x614), less a 30-pixel title bar.
const QSize small_screens[] = {QSize(1024, 570), QSize(1093, 584)};

// The part of a control a user sees in the page's scrolled viewport.
QRect seen_part(QScrollArea* scroll, QWidget* w) {
    const QRect in_viewport(w->mapTo(scroll->viewport(), QPoint(0, 0)), w->size());
    return in_viewport.intersected(scroll->viewport()->rect());
}

} // namespace

TEST_F(Editor_window_test, OnSmallScreensEveryControlCanBeScrolledIntoViewAndTheButtonsStay) {
    Tstation station;
    editor->load(&station);
    editor->show();
    for (const QSize& size : small_screens) {
        editor->resize(size);
        ASSERT_EQ(editor->size(), size); // resizable, and not held larger by its contents
        for (int p = 0; p < pages()->count(); ++p) {
            pages()->setCurrentIndex(p);
            QApplication::processEvents();
            auto* scroll = qobject_cast<Scroll_page*>(pages()->currentWidget());
            ASSERT_NE(scroll, nullptr) << p;
            for (QWidget* w : focus_stops(editor)) {
                if (!scroll->widget()->isAncestorOf(w)) continue;
                scroll->bring_into_view(w);
                // Whole where it fits in the viewport, else at least the part that does.
                const QRect seen = seen_part(scroll, w);
                EXPECT_EQ(seen.size(), w->size().boundedTo(scroll->viewport()->size()))
                    << w->objectName().toStdString() << " at " << size.width() << "x" << size.height();
            }
            for (const char* fixed : {"Button1", "Button2", "lb_memory"}) {
                QWidget* w = control<QWidget>(fixed);
                EXPECT_FALSE(scroll->isAncestorOf(w)) << fixed;
                EXPECT_TRUE(w->isVisible()) << fixed;
                EXPECT_TRUE(editor->rect().contains(QRect(w->mapTo(editor, QPoint(0, 0)), w->size())))
                    << fixed << " at " << size.width() << "x" << size.height();
            }
        }
    }
    editor->hide();
}

TEST_F(Editor_window_test, TabScrollsTheFocusedControlIntoView) {
    Tstation station;
    editor->load(&station);
    editor->show();
    editor->resize(small_screens[0]);
    pages()->setCurrentIndex(3);
    QApplication::processEvents();
    auto* scroll = qobject_cast<QScrollArea*>(pages()->currentWidget());
    ASSERT_NE(scroll, nullptr);
    tick("cb_s2_out"); // the last row of the page, below what the window shows
    QWidget* last = list("cbb_s2_o0");
    scroll->verticalScrollBar()->setValue(0);
    ASSERT_TRUE(seen_part(scroll, last).isEmpty()); // out of view before Tab reaches it
    box("cb_s2_out")->setFocus();
    for (int i = 0; i < 4 && editor->focusWidget() != last; ++i)
        QTest::keyClick(editor->focusWidget(), Qt::Key_Tab);
    ASSERT_EQ(editor->focusWidget(), last);
    EXPECT_EQ(seen_part(scroll, last).size(), last->size());
    editor->hide();
}

TEST_F(Editor_window_test, OpensNoLargerThanTheScreenAndWhereTheUserLeftIt) {
    Tstation station;
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    QRect first;
    while_open([this, &first, &screen] {
        first = editor->geometry();
        editor->resize(editor->width() - 50, editor->height() - 40);
        editor->move(screen.topLeft() + QPoint(7, 9));
        press("Button2");
    });
    EXPECT_FALSE(editor->edit_station(&station));
    EXPECT_LE(first.width(), screen.width());
    EXPECT_LE(first.height(), screen.height());
    EXPECT_EQ(QSettings(settings_organisation(), QCoreApplication::applicationName())
                  .value("editor/geometry")
                  .toRect()
                  .size(),
              first.size() - QSize(50, 40));
    // Opened again: the size and place it was closed with.
    while_open([this, &first, &screen] {
        EXPECT_EQ(editor->size(), first.size() - QSize(50, 40));
        EXPECT_EQ(editor->pos(), screen.topLeft() + QPoint(7, 9));
        press("Button2");
    });
    EXPECT_FALSE(editor->edit_station(&station));
    // A place on a screen that is gone: it opens on this one, in full sight.
    QSettings(settings_organisation(), QCoreApplication::applicationName())
        .setValue("editor/geometry", QRect(5000, 4000, 700, 500));
    while_open([this, &screen] {
        EXPECT_TRUE(screen.contains(editor->frameGeometry().topLeft()));
        EXPECT_LE(editor->width(), screen.width());
        press("Button2");
    });
    EXPECT_FALSE(editor->edit_station(&station));
}

TEST(Window_place, AStoredPlaceOnAScreenIsKeptAndMovedIntoIt) {
    const QList<QRect> screens = {QRect(0, 0, 1024, 600), QRect(1024, 0, 1920, 1080)};
    const QSize minimum(300, 200);
    // Wholly on the second screen: as stored.
    EXPECT_EQ(window_place(QRect(1100, 50, 900, 700), QSize(1200, 700), minimum, screens, QRect()),
              QRect(1100, 50, 900, 700));
    // Hanging over the right and bottom edges of the first: moved in, size kept where it fits.
    EXPECT_EQ(window_place(QRect(900, 500, 800, 400), QSize(1200, 700), minimum, screens, QRect()),
              QRect(224, 200, 800, 400));
    // Larger than its screen (a screen that shrank since): shrunk to it.
    EXPECT_EQ(window_place(QRect(10, 10, 1200, 709), QSize(1200, 700), minimum, screens, QRect()),
              QRect(0, 0, 1024, 600));
    // Stored smaller than the window can be: its minimum.
    EXPECT_EQ(window_place(QRect(10, 10, 100, 50), QSize(1200, 700), minimum, screens, QRect()).size(),
              minimum);
}

TEST(Window_place, WithoutAStoredPlaceOnAScreenTheDefaultSizeIsCentredAndFitsTheScreen) {
    const QList<QRect> screens = {QRect(0, 0, 1024, 600), QRect(1024, 0, 1920, 1080)};
    const QSize preferred(1217, 729);
    const QSize minimum(300, 200);
    const QRect on_first(100, 100, 400, 300), on_second(1500, 200, 600, 400);
    // Nothing stored, over the first screen: the preferred size bounded by the screen.
    EXPECT_EQ(window_place(QRect(), preferred, minimum, screens, on_first), QRect(0, 0, 1024, 600));
    // Over the second: the whole preferred size, centred on the window it belongs to.
    const QRect second = window_place(QRect(), preferred, minimum, screens, on_second);
    EXPECT_EQ(second.size(), preferred);
    EXPECT_EQ(second.center(), on_second.center());
    // Stored far off every screen, or with only its title bar's corner showing: the default.
    EXPECT_EQ(window_place(QRect(5000, 5000, 800, 500), preferred, minimum, screens, on_first),
              QRect(0, 0, 1024, 600));
    EXPECT_EQ(window_place(QRect(-780, -20, 800, 500), preferred, minimum, screens, on_first),
              QRect(0, 0, 1024, 600));
    // A screen smaller than the window's minimum still holds it whole.
    EXPECT_EQ(window_place(QRect(), preferred, QSize(900, 700), {QRect(0, 0, 800, 600)}, QRect()),
              QRect(0, 0, 800, 600));
}
