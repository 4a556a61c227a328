// The main window worked from the keyboard and by the conventions of a desktop program: the grid's keys
// and menu, the Station menu, mnemonics, the title, recent files, dropped files and the window's place.
#include "gui_fixture.h"

#include <QDropEvent>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QTimer>
#include <QUrl>
#include <filesystem>

#include "Station.h"

namespace {

// The letter after a lone "&" in a caption, lower case, or 0.
QChar mnemonic(const QString& text) {
    for (int i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != '&') continue;
        if (text[i + 1] == '&') {
            ++i;
            continue;
        }
        return text[i + 1].toLower();
    }
    return QChar();
}

QMenu* menu_named(QMenuBar* bar, const char* name) {
    for (QAction* a : bar->actions())
        if (a->menu() != nullptr && a->menu()->objectName() == name) return a->menu();
    return nullptr;
}

} // namespace

TEST_F(Gui_test, TheGridIsNoKeyboardTrapAndItsKeysActOnTheSelectedStation) {
    install_fake_editor(false);
    ASSERT_TRUE(window->open_file(write_setup("three.xml", three_stations)));
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    find<QTabWidget>("PageControl1")->setCurrentIndex(1);
    grid()->setFocus();
    grid()->setCurrentIndex(model()->index(0, 0));
    QTest::keyClick(grid(), Qt::Key_Down);
    ASSERT_EQ(grid()->currentIndex().row(), 1);
    // Return opens the current row's station; Enter on the keypad does the same.
    QTest::keyClick(grid(), Qt::Key_Return);
    ASSERT_EQ(edited.size(), 1u);
    EXPECT_EQ(edited[0]->id, 2);
    QTest::keyClick(grid(), Qt::Key_Enter, Qt::KeypadModifier);
    ASSERT_EQ(edited.size(), 2u);
    EXPECT_EQ(edited[1]->id, 2);
    // Delete deletes it, without a question.
    QTest::keyClick(grid(), Qt::Key_Delete);
    EXPECT_TRUE(messages.empty());
    ASSERT_EQ(model()->station_count(), 2);
    EXPECT_EQ(model()->station_at(1)->id, 3);
    EXPECT_TRUE(window->is_modified());
    // Tab leaves the grid for Edit Selected; Shift+Tab comes back.
    QTest::keyClick(grid(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), find<QPushButton>("Button7"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(QApplication::focusWidget(), grid());
    // Return on a focused button presses it, Return in an edit of the page does nothing of the grid's.
    QTest::keyClick(grid(), Qt::Key_Tab);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_EQ(edited.size(), 3u);
    // Ctrl+Tab from the grid goes to the next page, Ctrl+Shift+Tab back.
    grid()->setFocus();
    QTest::keyClick(grid(), Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(find<QTabWidget>("PageControl1")->currentIndex(), 2);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(find<QTabWidget>("PageControl1")->currentIndex(), 1);
    find<QTabWidget>("PageControl1")->setCurrentIndex(0);
    edit("ed_COM_direct")->setFocus();
    QTest::keyClick(edit("ed_COM_direct"), Qt::Key_Return);
    QTest::keyClick(edit("ed_COM_direct"), Qt::Key_Delete);
    EXPECT_EQ(edited.size(), 3u);
    EXPECT_EQ(model()->station_count(), 2);
}

TEST_F(Gui_test, TheStationMenuAndTheGridsContextMenuOfferTheStationCommands) {
    install_fake_editor(true);
    ASSERT_TRUE(window->open_file(write_setup("three.xml", three_stations)));
    QMenu* station = menu_named(window->menuBar(), "Station1");
    ASSERT_NE(station, nullptr);
    QStringList names;
    for (QAction* a : station->actions())
        names << a->objectName();
    EXPECT_EQ(names,
              QStringList({"EditSelected1", "EditTogether1", "AddStation1", "DuplicateStation1",
                           "DeleteStation1", "", "SaveAsTemplate1", "NewFromTemplate1", "ApplyTemplate1",
                           "TemplateLibrary1", "", "SortIntoFileOrder1", "", "CompareStations1"}));
    // From the menu, on the stations selected in the grid.
    select_rows(2, 2);
    action("EditSelected1")->trigger();
    ASSERT_EQ(edited.size(), 1u);
    EXPECT_EQ(edited[0]->id, 3);
    action("DeleteStation1")->trigger();
    EXPECT_EQ(model()->station_count(), 2);
    action("AddStation1")->trigger();
    EXPECT_EQ(model()->station_count(), 3);

    // The context menu, from the menu key: it opens at the current row with the same three commands.
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    find<QTabWidget>("PageControl1")->setCurrentIndex(1);
    grid()->setFocus();
    grid()->setCurrentIndex(model()->index(1, 0));
    QStringList offered;
    QTimer::singleShot(0, window, [&offered] {
        QWidget* popup = QApplication::activePopupWidget();
        ASSERT_NE(popup, nullptr);
        for (QAction* a : popup->actions())
            offered << a->objectName();
        popup->close();
    });
    emit grid()->customContextMenuRequested(grid()->visualRect(model()->index(1, 0)).center());
    EXPECT_EQ(offered, QStringList({"EditSelected1", "EditTogether1", "AddStation1", "DuplicateStation1",
                                    "DeleteStation1", "", "CompareStations1"}));
    EXPECT_TRUE(grid()->selectionModel()->isRowSelected(1, QModelIndex()));
}

TEST_F(Gui_test, EveryMenuAndButtonHasAMnemonicOfItsOwn) {
    // Menu titles among themselves, each menu's items among themselves.
    QList<QChar> titles;
    for (QAction* a : window->menuBar()->actions()) {
        const QChar m = mnemonic(a->text());
        EXPECT_FALSE(m.isNull()) << a->text().toStdString();
        EXPECT_FALSE(titles.contains(m)) << a->text().toStdString();
        titles << m;
        if (a->menu() == nullptr) continue;
        QList<QChar> items;
        for (QAction* item : a->menu()->actions()) {
            if (item->isSeparator()) continue;
            const QChar im = mnemonic(item->text());
            EXPECT_FALSE(im.isNull()) << item->text().toStdString();
            EXPECT_FALSE(items.contains(im)) << item->text().toStdString();
            items << im;
        }
    }
    // Buttons and labelled fields of each page, together with the page tabs and menu titles that Alt reaches
    // from anywhere.
    QTabWidget* pages = find<QTabWidget>("PageControl1");
    QList<QChar> tabs;
    for (int p = 0; p < pages->count(); ++p) {
        const QChar m = mnemonic(pages->tabText(p));
        EXPECT_FALSE(m.isNull()) << pages->tabText(p).toStdString();
        tabs << m;
    }
    for (int p = 0; p < pages->count(); ++p) {
        QList<QChar> taken = titles + tabs;
        QStringList texts;
        for (QPushButton* b : pages->widget(p)->findChildren<QPushButton*>())
            texts << b->text();
        for (QLabel* l : pages->widget(p)->findChildren<QLabel*>())
            if (l->buddy() != nullptr) texts << l->text();
        for (const QString& text : texts) {
            const QChar m = mnemonic(text);
            EXPECT_FALSE(m.isNull()) << text.toStdString();
            EXPECT_FALSE(taken.contains(m)) << text.toStdString();
            taken << m;
        }
    }
}

TEST_F(Gui_test, TheTitleAndTheFileLabelNameTheOpenFile) {
    const std::string path = write_setup("fleet [*] north.xml", three_stations);
    ASSERT_TRUE(window->open_file(path));
    EXPECT_EQ(window->windowTitle(), "fleet [*][*] north.xml[*] - Vemora Editor V1.0");
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    edit("ed_COM_direct")->setText("COM9");
    EXPECT_TRUE(window->isWindowModified());
    QLabel* file = find<QLabel>("lb_filename");
    EXPECT_EQ(file->accessibleName(), "Setup file: " + QString::fromStdString(path));
    EXPECT_TRUE(file->focusPolicy() & Qt::TabFocus);
    action("New1")->trigger(); // the question is answered with Cancel: nothing changes
    EXPECT_EQ(window->file_name(), path);
    answers.push_back(Answer::DISCARD);
    action("New1")->trigger();
    EXPECT_EQ(window->windowTitle(), "Untitled[*] - Vemora Editor V1.0");
    EXPECT_EQ(file->accessibleName(), "Setup file: untitled");
}

TEST_F(Gui_test, OpenRecentListsTheLastFilesNewestFirstAndOffersNoneThatIsGone) {
    action("ClearRecent1")->trigger();
    std::vector<std::string> paths;
    for (int i = 0; i < 10; ++i) {
        paths.push_back(write_setup("f" + std::to_string(i) + ".xml", "<SETUP><STATIONS/></SETUP>"));
        ASSERT_TRUE(window->open_file(paths.back()));
    }
    ASSERT_TRUE(window->open_file(paths[5])); // opened again: moves to the top, not listed twice
    std::filesystem::remove(paths[8]);
    QMenu* recent = find<QMenu>("OpenRecent1");
    emit recent->aboutToShow();
    QStringList shown;
    std::vector<bool> enabled;
    for (QAction* a : recent->actions()) {
        if (a->isSeparator() || a->objectName() == "ClearRecent1") continue;
        shown << a->text();
        enabled.push_back(a->isEnabled());
    }
    EXPECT_EQ(shown, QStringList({"&1 f5.xml", "&2 f9.xml", "&3 f8.xml", "&4 f7.xml", "&5 f6.xml",
                                  "&6 f4.xml", "&7 f3.xml", "&8 f2.xml"}));
    EXPECT_EQ(enabled, std::vector<bool>({true, true, false, true, true, true, true, true}));
    // Choosing one opens it, with the unsaved-changes question first.
    edit("ed_COM_direct")->setText("COM9");
    recent->actions()[3]->trigger(); // f7; the question is answered with Cancel
    EXPECT_EQ(window->file_name(), paths[5]);
    answers.push_back(Answer::DISCARD);
    recent->actions()[3]->trigger();
    EXPECT_EQ(window->file_name(), paths[7]);
    action("ClearRecent1")->trigger();
    emit recent->aboutToShow();
    ASSERT_EQ(recent->actions().size(), 1);
    EXPECT_FALSE(recent->actions()[0]->isEnabled());
}

TEST_F(Gui_test, AFileDroppedOnTheWindowIsOpenedAfterTheUnsavedChangesQuestion) {
    const std::string path = write_setup("dropped.xml", three_stations);
    auto drop = [this](const QList<QUrl>& urls) {
        QMimeData data;
        data.setUrls(urls);
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window, &enter);
        const bool accepted = enter.isAccepted();
        QDropEvent event(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window, &event);
        QApplication::processEvents();
        return accepted;
    };
    EXPECT_FALSE(drop({QUrl("https://example.org/setup.xml")}));
    EXPECT_FALSE(drop({QUrl::fromLocalFile(QString::fromStdString(path)),
                       QUrl::fromLocalFile(QString::fromStdString(path))}));
    edit("ed_COM_direct")->setText("COM9");
    EXPECT_TRUE(drop({QUrl::fromLocalFile(QString::fromStdString(path))}));
    ASSERT_EQ(messages.size(), 1u); // answered with Cancel
    EXPECT_EQ(model()->station_count(), 0);
    answers.push_back(Answer::DISCARD);
    drop({QUrl::fromLocalFile(QString::fromStdString(path))});
    EXPECT_EQ(model()->station_count(), 3);
    EXPECT_EQ(window->file_name(), path);
}

TEST_F(Gui_test, TheGridFillsTheWindowAndKeepsTheWidthsTheUserSets) {
    const std::string long_phone = "+41 79 123 45 67 89 00 11 22";
    ASSERT_TRUE(window->open_file(
        write_setup("long.xml", "<SETUP><STATIONS><STATION id='1' phone_nbr='" + long_phone +
                                    "' pin='1' description='d'/><STATION id='2' phone_nbr='+41 2' pin='2' "
                                    "description='e'/></STATIONS></SETUP>")));
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    find<QTabWidget>("PageControl1")->setCurrentIndex(1);
    QApplication::processEvents();
    const QFontMetrics metrics = grid()->fontMetrics();
    EXPECT_GE(grid()->columnWidth(1), metrics.horizontalAdvance(QString::fromStdString(long_phone)));
    // The description stretches to the grid's right edge, also when the window grows.
    const auto right_edge = [this] {
        return grid()->columnViewportPosition(Station_grid_model::DESCRIPTION) +
               grid()->columnWidth(Station_grid_model::DESCRIPTION);
    };
    EXPECT_GE(right_edge(), grid()->viewport()->width() - 1);
    window->resize(window->width() + 300, window->height() + 100);
    QApplication::processEvents();
    EXPECT_GE(right_edge(), grid()->viewport()->width() - 1);
    // Until the user sets a width, a longer number opened later widens the phone column.
    const std::string longer = long_phone + " 33 44";
    ASSERT_TRUE(window->open_file(write_setup("longer.xml", "<SETUP><STATIONS><STATION id='1' phone_nbr='" +
                                                                longer + "'/></STATIONS></SETUP>")));
    EXPECT_GE(grid()->columnWidth(1), metrics.horizontalAdvance(QString::fromStdString(longer)));
    // A width the user sets stays through Edit, Delete and Open.
    grid()->horizontalHeader()->resizeSection(0, 131);
    select_rows(1, 1);
    click("Button6");
    ASSERT_TRUE(window->open_file(write_setup("three.xml", three_stations)));
    EXPECT_EQ(grid()->columnWidth(0), 131);
}

TEST_F(Gui_test, TheWindowsPlaceIsRememberedBetweenRuns) {
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    window->setGeometry(40, 50, 700, 520);
    QApplication::processEvents();
    const QSize size = window->size();
    ASSERT_TRUE(window->close());
    TFmain next;
    next.restore_place();
    EXPECT_EQ(next.size(), size);
}
