// One setup file shared by a team: the file changed on disk under the window, the lock of another
// editor, the versions each save keeps, and the redacted copy for support.
#include "gui_fixture.h"

#include <QApplication>
#include <QInputDialog>
#include <QStatusBar>
#include <QTimer>
#include <QTreeWidget>
#include <filesystem>
#include <fstream>
#include <sys/wait.h>
#include <unistd.h>

#include "Disk_bar.h"
#include "File_lock.h"
#include "Station.h"
#include "Versions.h"
#include "Wversions.h"
#include "accessibility_check.h"

namespace {

Disk_bar* bar(TFmain* window) {
    return window->findChild<Disk_bar*>("pn_disk");
}

// What another program does to the file: the description of station 2 changed, the file written in place.
void change_on_disk(const std::string& path, const std::string& description) {
    std::string text = read_bytes(path);
    size_t at = text.find("description='second'");
    if (at == std::string::npos) at = text.find("description=\"second\""); // as Save writes it
    ASSERT_NE(at, std::string::npos);
    text.replace(at, std::string("description='second'").size(), "description='" + description + "'");
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

} // namespace

TEST_F(Gui_test, AFileChangedByAnotherProgramShowsOneBarAndSaveAsksBeforeReplacingIt) {
    const std::string path = write_setup("setup.xml", three_stations);
    ASSERT_TRUE(window->open_file(path));
    window->check_disk();
    EXPECT_FALSE(bar(window)->isVisibleTo(window)); // nothing changed

    change_on_disk(path, "changed by a script");
    const std::string theirs = read_bytes(path);
    window->check_disk(); // as the window's activation does
    ASSERT_TRUE(bar(window)->isVisibleTo(window));
    EXPECT_EQ(bar(window)->text(), "setup.xml was changed on disk by another program.");
    EXPECT_EQ(bar(window)->kind(), Disk_bar::Kind::CHANGED);
    // Ignore: the same content is never told again, however often the window is activated.
    QTest::mouseClick(find<QPushButton>("bt_disk_ignore"), Qt::LeftButton);
    window->check_disk();
    window->check_disk();
    EXPECT_FALSE(bar(window)->isVisibleTo(window));
    EXPECT_TRUE(messages.empty());

    // The user's own change, then Save: a question, Cancel by default, and the disk keeps their bytes.
    select_rows(0, 0);
    click("Button6");
    answers.push_back(Answer::CANCEL);
    action("Save1")->trigger();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].kind, Message::CHOICE);
    EXPECT_EQ(messages[0].text,
              "setup.xml was changed on disk since you opened it. Saving replaces those changes.");
    EXPECT_EQ(messages[0].choices, (QStringList{"Co&mpare...", "Save &As...", "&Replace", "Cancel"}));
    EXPECT_EQ(messages[0].default_choice, 3);
    EXPECT_EQ(read_bytes(path), theirs);
    EXPECT_TRUE(window->is_modified());

    // Replace: written, and their content kept as a version that can be compared.
    answers.push_back(Answer::CHOICE_3);
    action("Save1")->trigger();
    EXPECT_FALSE(window->is_modified());
    EXPECT_EQ(read_bytes(path).find("first"), std::string::npos);
    const std::vector<Version_entry> versions = list_versions(path);
    ASSERT_EQ(versions.size(), 1u);
    EXPECT_EQ(read_bytes(versions[0].file), theirs);
    ASSERT_FALSE(versions[0].note.changes.empty());
    EXPECT_EQ(versions[0].note.changes[0], "Delete station 1");

    // The program's own save is no change on disk.
    messages.clear();
    window->check_disk();
    EXPECT_FALSE(bar(window)->isVisibleTo(window));
    EXPECT_TRUE(messages.empty());
}

TEST_F(Gui_test, TheBarOffersReloadForAChangeAndSaveForAFileThatWentAway) {
    const std::string path = write_setup("setup.xml", three_stations);
    ASSERT_TRUE(window->open_file(path));
    change_on_disk(path, "changed twice");
    window->check_disk();
    ASSERT_TRUE(bar(window)->isVisibleTo(window));
    EXPECT_TRUE(find<QPushButton>("bt_disk_reload")->isVisibleTo(window));
    EXPECT_FALSE(find<QPushButton>("bt_disk_save")->isVisibleTo(window));
    QTest::mouseClick(find<QPushButton>("bt_disk_reload"), Qt::LeftButton);
    EXPECT_FALSE(bar(window)->isVisibleTo(window));
    ASSERT_EQ(model()->station_count(), 3);
    EXPECT_STREQ(model()->station_at(1)->description, "changed twice");
    EXPECT_TRUE(messages.empty()); // an unmodified document reloads without a question

    std::filesystem::rename(path, dir.file("moved.xml"));
    window->check_disk();
    ASSERT_TRUE(bar(window)->isVisibleTo(window));
    EXPECT_EQ(bar(window)->kind(), Disk_bar::Kind::MISSING);
    EXPECT_TRUE(bar(window)->text().startsWith("setup.xml was deleted or moved away"))
        << bar(window)->text().toStdString();
    EXPECT_TRUE(find<QPushButton>("bt_disk_save")->isVisibleTo(window));
    EXPECT_TRUE(find<QPushButton>("bt_disk_save_as")->isVisibleTo(window));
    QTest::mouseClick(find<QPushButton>("bt_disk_save"), Qt::LeftButton);
    EXPECT_TRUE(std::filesystem::exists(path));
    EXPECT_TRUE(messages.empty());
    window->check_disk();
    EXPECT_FALSE(bar(window)->isVisibleTo(window));
}

TEST_F(Gui_test, AFileLockedByAnotherEditorOpensReadOnlyOrAnywayAndAStaleLockIsTakenOver) {
    Preferences::set_lock_files(true);
    const std::string path = write_setup("setup.xml", three_stations);
    const std::string other_lock = "vemora-editor lock\nuser: anna\nhost: field-laptop\npid: 4711\ntime: " +
                                   std::to_string(static_cast<long long>(std::time(nullptr))) + "\n";
    dir.write("setup.xml.lock", other_lock);

    answers.push_back(Answer::CHOICE_1); // Open Read-Only
    ASSERT_TRUE(window->open_file(path));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].choices, (QStringList{"Open &Read-Only", "Open &Anyway", "Cancel"}));
    EXPECT_TRUE(messages[0].text.contains("anna on field-laptop (process 4711)"))
        << messages[0].text.toStdString();
    EXPECT_TRUE(window->is_read_only());
    EXPECT_TRUE(window->windowTitle().contains("(read-only)"));
    select_rows(0, 0);
    click("Button6");
    EXPECT_FALSE(action("Save1")->isEnabled());
    EXPECT_TRUE(action("SaveAs1")->isEnabled());
    EXPECT_EQ(read_bytes(dir.file("setup.xml.lock")), other_lock); // theirs, untouched

    // Save As makes the copy the user's own file, which can be saved.
    chosen.push_back(QString::fromStdString(dir.file("mine.xml")));
    action("SaveAs1")->trigger();
    EXPECT_FALSE(window->is_read_only());
    EXPECT_TRUE(action("Save1")->isEnabled() || !window->is_modified());
    EXPECT_EQ(inspect_lock(dir.file("mine.xml"), std::time(nullptr)).status, Lock_status::MINE);

    // Cancel opens nothing; Open Anyway takes the lock over.
    messages.clear();
    answers.push_back(Answer::CANCEL);
    EXPECT_FALSE(window->open_file(path));
    EXPECT_EQ(window->file_name(), dir.file("mine.xml"));
    answers.push_back(Answer::CHOICE_2);
    ASSERT_TRUE(window->open_file(path));
    EXPECT_FALSE(window->is_read_only());
    EXPECT_EQ(inspect_lock(path, std::time(nullptr)).status, Lock_status::MINE);
    // The lock of the file left behind is gone.
    EXPECT_FALSE(std::filesystem::exists(dir.file("mine.xml.lock")));

    // A lock of this host whose process is gone is taken over with a word in the status bar.
    window->close();
    EXPECT_FALSE(std::filesystem::exists(dir.file("setup.xml.lock"))); // removed on close
    const pid_t child = fork();
    if (child == 0) _exit(0);
    waitpid(child, nullptr, 0);
    dir.write("setup.xml.lock", "vemora-editor lock\nuser: ben\nhost: " + this_process(0).host +
                                    "\npid: " + std::to_string(child) + "\ntime: 5\n");
    messages.clear();
    ASSERT_TRUE(window->open_file(path));
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(inspect_lock(path, std::time(nullptr)).status, Lock_status::MINE);
    EXPECT_TRUE(window->statusBar()->currentMessage().contains("Took over the lock of ben"))
        << window->statusBar()->currentMessage().toStdString();
}

TEST_F(Gui_test, SavesKeepVersionsThatCanBeComparedOpenedAndRestoredAsOneStep) {
    install_fake_editor(true);
    const std::string path = write_setup("setup.xml", three_stations);
    ASSERT_TRUE(window->open_file(path));
    const std::string opened = read_bytes(path);
    select_rows(0, 0);
    click("Button6"); // Delete station 1
    action("Save1")->trigger();
    const std::string first_save = read_bytes(path);
    select_rows(0, 0);
    click("Button6"); // Delete station 2
    answer_next_dialog([](QDialog* d) {
        static_cast<QInputDialog*>(d)->setTextValue("before the field trip");
        d->accept();
    });
    action("SaveWithLabel1")->trigger();

    action("Versions1")->trigger();
    auto* versions = window->findChild<TFversions*>("Fversions");
    ASSERT_NE(versions, nullptr);
    ASSERT_EQ(versions->versions().size(), 2u);
    // Newest first: the file the labelled save replaced, then the opened one.
    EXPECT_EQ(read_bytes(versions->versions()[0].file), first_save);
    EXPECT_EQ(versions->versions()[0].note.label, "before the field trip");
    EXPECT_EQ(versions->versions()[0].note.changes, std::vector<std::string>{"Delete station 2"});
    EXPECT_EQ(versions->versions()[0].note.stations, 2);
    EXPECT_EQ(read_bytes(versions->versions()[1].file), opened);
    EXPECT_EQ(versions->versions()[1].note.stations, 3);
    auto* list = versions->findChild<QTreeWidget*>("ListView_versions");
    ASSERT_EQ(list->topLevelItemCount(), 2);
    EXPECT_EQ(list->topLevelItem(0)->text(1), "before the field trip");

    // Restore the opened file: one step, undone at once, and the file changes only at the next save.
    list->setCurrentItem(list->topLevelItem(1));
    QTest::mouseClick(versions->findChild<QPushButton*>("bt_version_restore"), Qt::LeftButton);
    EXPECT_EQ(model()->station_count(), 3);
    EXPECT_TRUE(window->is_modified());
    EXPECT_NE(read_bytes(path), opened);
    action("Undo1")->trigger();
    EXPECT_EQ(model()->station_count(), 1);
    action("Redo1")->trigger();
    action("Save1")->trigger();
    const std::string restored = read_bytes(path); // the opened file as Save writes it
    EXPECT_NE(restored.find("description=\"first\""), std::string::npos);
    EXPECT_NE(restored.find("description=\"second\""), std::string::npos);

    // Compare with Current opens the compare window; Open as New Document an untitled document.
    list->setCurrentItem(list->topLevelItem(0));
    QTest::mouseClick(versions->findChild<QPushButton*>("bt_version_compare"), Qt::LeftButton);
    auto* compare = window->findChild<QDialog*>("Fcompare");
    ASSERT_NE(compare, nullptr);
    EXPECT_TRUE(compare->isVisible());
    compare->close();
    action("Versions1")->trigger();
    ASSERT_EQ(versions->versions().size(), 3u);
    list->setCurrentItem(list->topLevelItem(2)); // the oldest: the file as opened
    QTest::mouseClick(versions->findChild<QPushButton*>("bt_version_open"), Qt::LeftButton);
    EXPECT_EQ(window->file_name(), "");
    EXPECT_EQ(model()->station_count(), 3);
    EXPECT_FALSE(versions->isVisible());
}

TEST_F(Gui_test, TheRedactedCopyHoldsNoneOfTheFleetsNumbers) {
    ASSERT_TRUE(window->open_file(VEMORA_EXAMPLES "/setup.xml"));
    const std::string copy = dir.file("for-support.xml");
    chosen.push_back(QString::fromStdString(copy));
    answers.push_back(Answer::CANCEL); // keep the descriptions
    action("SaveRedacted1")->trigger();
    const std::string text = read_bytes(copy);
    ASSERT_FALSE(text.empty());
    for (const char* secret : {"+41791110101", "+41797654321", "pin=\"1234\""})
        EXPECT_EQ(text.find(secret), std::string::npos) << secret;
    EXPECT_NE(text.find("Boudry"), std::string::npos);
    EXPECT_FALSE(window->is_modified()); // the document itself keeps its numbers
    EXPECT_EQ(window->file_name(), VEMORA_EXAMPLES "/setup.xml");
}

TEST_F(Gui_test, TheDiskBarAndTheVersionsWindowSayWhatEachControlIs) {
    const std::string path = write_setup("setup.xml", three_stations);
    ASSERT_TRUE(window->open_file(path));
    select_rows(0, 0);
    click("Button6");
    action("Save1")->trigger(); // one version
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    change_on_disk(path, "elsewhere");
    window->check_disk();
    ASSERT_TRUE(bar(window)->isVisible());
    const QStringList problems = accessibility_problems(window);
    EXPECT_TRUE(problems.isEmpty()) << problems.join('\n').toStdString();
    EXPECT_TRUE(focus_stops(window).contains(find<QPushButton>("bt_disk_reload")));
    EXPECT_EQ(spoken_name(find<QPushButton>("bt_disk_compare")),
              "Compare the document with the file on disk");

    action("Versions1")->trigger();
    auto* versions = window->findChild<QWidget*>("Fversions");
    ASSERT_NE(versions, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(versions));
    const QStringList in_versions = accessibility_problems(versions);
    EXPECT_TRUE(in_versions.isEmpty()) << in_versions.join('\n').toStdString();
    versions->close();
}
