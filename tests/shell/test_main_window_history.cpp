// Undo, redo and the History list of the main window, and Duplicate: every change of the document is one
// step that can be taken back, and the modified mark follows the steps.
#include "editor_window_fixture.h"
#include "gui_fixture.h"

#include <QApplication>
#include <QCheckBox>
#include <QInputDialog>
#include <QListWidget>
#include <QMenuBar>
#include <QStatusBar>
#include <QTimer>
#include <algorithm>
#include <random>

#include "Bulk_edit.h"
#include "Eeprom_configurer.h"
#include "Preferences.h"
#include "Station.h"
#include "Template_library.h"

namespace {

std::vector<const Tstation*> stations_in(TFmain* window) {
    std::vector<const Tstation*> out;
    for_each_item<Tstation>(window->document().stations.list, [&out](Tstation& s) { out.push_back(&s); });
    return out;
}

std::vector<int32_t> ids_in(TFmain* window) {
    std::vector<int32_t> out;
    for (const Tstation* s : stations_in(window))
        out.push_back(s->id);
    return out;
}

// The document as Save would write it, to compare two states of it.
std::string written(TFmain* window, const Temp_dir& dir, const std::string& name) {
    const std::string path = dir.file(name);
    std::string reason;
    EXPECT_EQ(window->document().write_file(path.c_str(), &reason), 0) << reason;
    return read_bytes(path);
}

} // namespace

TEST_F(Gui_test, EditAddAndFieldsAreStepsNamedAfterWhatTheyDid) {
    ASSERT_TRUE(window->open_file(write_setup("a.xml", three_stations)));
    EXPECT_FALSE(action("Undo1")->isEnabled());
    EXPECT_FALSE(action("Redo1")->isEnabled());
    // The stand-in editor changes the description of what it is given and answers OK.
    window->set_station_editor([](Tstation* s, bool) {
        std::snprintf(s->description, sizeof s->description, "edited");
        return true;
    });
    select_rows(1, 1);
    click("Button7");
    EXPECT_EQ(action("Undo1")->text(), "&Undo Edit station 2");
    EXPECT_EQ(stations_in(window)[1]->description, std::string("edited"));
    click("Button5"); // Add: the stand-in answers OK, so the new station is appended
    ASSERT_EQ(stations_in(window).size(), 4u);
    EXPECT_EQ(stations_in(window)[3]->id, 4); // the next free ID
    EXPECT_EQ(action("Undo1")->text(), "&Undo Add station 4");

    // A field is one step when it loses the focus with new text; leaving it unchanged makes none.
    QLineEdit* bin = edit("ed_path_bin");
    bin->setText("/new/bin");
    EXPECT_TRUE(window->is_modified()); // typed, not stored yet
    emit bin->editingFinished();
    EXPECT_EQ(std::string(window->document().path_data_bin), "/new/bin");
    EXPECT_EQ(action("Undo1")->text(), "&Undo Change path to BIN directory");
    emit bin->editingFinished();
    EXPECT_EQ(window->history().size(), 3u);

    action("Undo1")->trigger();
    EXPECT_EQ(bin->text(), "c:\\data\\");
    EXPECT_EQ(std::string(window->document().path_data_bin), "c:\\data\\");
    action("Undo1")->trigger();
    EXPECT_EQ(stations_in(window).size(), 3u);
    action("Undo1")->trigger();
    EXPECT_EQ(stations_in(window)[1]->description, std::string("second"));
    EXPECT_FALSE(window->is_modified());
    EXPECT_FALSE(action("Undo1")->isEnabled());
    EXPECT_EQ(action("Redo1")->text(), "&Redo Edit station 2");
    action("Redo1")->trigger();
    EXPECT_EQ(stations_in(window)[1]->description, std::string("edited"));
    EXPECT_TRUE(window->is_modified());

    // New and Open start an empty history.
    answers.push_back(Answer::DISCARD); // the question about the changes
    action("New1")->trigger();
    EXPECT_EQ(window->history().size(), 0u);
    EXPECT_FALSE(action("Redo1")->isEnabled());
}

TEST_F(Gui_test, TheModifiedMarkFollowsTheSavedStateThroughUndoAndRedo) {
    const std::string path = write_setup("m.xml", three_stations);
    ASSERT_TRUE(window->open_file(path));
    select_rows(0, 0);
    click("Button6");
    action("Save1")->trigger(); // saved with two stations
    EXPECT_FALSE(window->is_modified());
    action("Undo1")->trigger(); // three again: not what was saved
    EXPECT_TRUE(window->is_modified());
    EXPECT_TRUE(window->isWindowModified());
    action("Redo1")->trigger();
    EXPECT_FALSE(window->is_modified());
    // A new step after undoing past the saved state leaves no way back to a clean mark but Save.
    action("Undo1")->trigger();
    select_rows(2, 2);
    click("Button6");
    EXPECT_TRUE(window->is_modified());
    EXPECT_FALSE(action("Redo1")->isEnabled());
}

TEST_F(Gui_test, TheHistoryListGoesBackAndForwardToTheChosenState) {
    ASSERT_TRUE(window->open_file(write_setup("h.xml", three_stations)));
    for (int i = 0; i < 3; ++i) {
        select_rows(0, 0);
        click("Button6");
    }
    action("History1")->trigger();
    auto* list = window->findChild<QListWidget*>("ListBox_history");
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->count(), 4);
    EXPECT_EQ(list->item(0)->text(), "Opened h.xml  (saved)");
    EXPECT_EQ(list->item(1)->text(), "Delete station 1");
    EXPECT_EQ(list->item(3)->text(), "Delete station 3  (now)");
    // Going back to the state after the first step undoes two.
    list->setCurrentRow(1);
    emit list->itemActivated(list->item(1));
    EXPECT_EQ(ids_in(window), (std::vector<int32_t>{2, 3}));
    EXPECT_EQ(list->item(1)->text(), "Delete station 1  (now)");
    EXPECT_EQ(list->item(3)->text(), "Delete station 3  (undone)");
    list->setCurrentRow(0);
    emit list->itemActivated(list->item(0));
    EXPECT_EQ(ids_in(window), (std::vector<int32_t>{1, 2, 3}));
    EXPECT_FALSE(window->is_modified());
    list->setCurrentRow(3);
    emit list->itemActivated(list->item(3));
    EXPECT_TRUE(ids_in(window).empty());
    list->window()->close();
}

TEST_F(Gui_test, ReadingNoteCountsComeBackWithTheStationsUndoRestores) {
    ASSERT_TRUE(window->open_file(
        write_setup("n.xml", "<SETUP><STATIONS><STATION id='7'><CONFIGURATION><X/></CONFIGURATION></STATION>"
                             "<STATION id='8'/></STATIONS></SETUP>")));
    ASSERT_EQ(window->station_problems(stations_in(window)[0]), 1);
    select_rows(0, 0);
    click("Button6");
    action("Undo1")->trigger();
    ASSERT_EQ(stations_in(window).size(), 2u);
    EXPECT_EQ(window->station_problems(stations_in(window)[0]), 1); // a new record, the same count
    EXPECT_EQ(window->station_problems(stations_in(window)[1]), 0);
}

TEST_F(Gui_test, SeveralSelectedStationsAreDuplicatedAtOnceWithoutTheEditor) {
    ASSERT_TRUE(window->open_file(write_setup("d.xml", three_stations)));
    select_rows(0, 1);
    click("Button8");
    EXPECT_TRUE(edited.empty()); // the stand-in editor was never opened
    // Each copy right behind its source, with the smallest free ID above the source's.
    EXPECT_EQ(ids_in(window), (std::vector<int32_t>{1, 4, 2, 5, 3}));
    const std::vector<const Tstation*> s = stations_in(window);
    EXPECT_EQ(s[1]->description, std::string("first (copy)"));
    EXPECT_EQ(s[1]->phone_nbr, std::string(""));
    EXPECT_EQ(s[1]->pin, std::string(""));
    EXPECT_EQ(action("Undo1")->text(), "&Undo Duplicate 2 stations (1, 2)");
    EXPECT_EQ(window->statusBar()->currentMessage(), "Duplicated 2 stations - Ctrl+Z to undo");
    // The copies are what is selected now.
    EXPECT_EQ(window->findChild<QTableView*>("StringGrid_stations")->selectionModel()->selectedRows().size(),
              2);
    action("Undo1")->trigger();
    EXPECT_EQ(ids_in(window), (std::vector<int32_t>{1, 2, 3}));
    EXPECT_FALSE(window->is_modified());
}

TEST_F(Gui_test, ARandomRunOfActionsUndoesToTheOpenedFileAndRedoesToTheLast) {
    const std::string path = write_setup("r.xml", three_stations);
    ASSERT_TRUE(window->open_file(path));
    action("Save1")->trigger(); // the file in the form Save writes
    const std::string opened = read_bytes(path);
    std::mt19937 random(15);
    int counter = 0;
    window->set_station_editor([&counter](Tstation* s, bool) {
        std::snprintf(s->description, sizeof s->description, "edit %d", ++counter);
        return true;
    });
    // Fewer steps than the history keeps, so that undo reaches the start.
    for (int step = 0; step < 90; ++step) {
        const int rows = model()->station_count();
        const int first = rows > 0 ? static_cast<int>(random() % rows) : 0;
        const int last = rows > 0 ? std::min(rows - 1, first + static_cast<int>(random() % 3)) : 0;
        switch (random() % 6) {
        case 0:
            if (rows > 1) select_rows(first, last), click("Button6");
            break;
        case 1:
            if (rows > 0) select_rows(first, last), click("Button8");
            break;
        case 2:
            if (rows > 0) select_rows(first, first), click("Button7");
            break;
        case 3:
            click("Button5");
            break;
        case 4: {
            QLineEdit* field = edit(random() % 2 ? "ed_path_xml" : "ed_COM_modem");
            field->setText(QString("v%1").arg(step));
            emit field->editingFinished();
            break;
        }
        default:
            if (window->history().can_undo()) action("Undo1")->trigger();
            break;
        }
    }
    while (window->history().can_redo()) // the run may end on undos: the last state is every step done
        action("Redo1")->trigger();
    const std::string last = written(window, dir, "last.xml");
    ASSERT_GT(window->history().size(), 0u);
    while (window->history().can_undo())
        action("Undo1")->trigger();
    EXPECT_FALSE(window->is_modified());
    EXPECT_EQ(written(window, dir, "first.xml"), opened);
    action("Save1")->trigger();
    EXPECT_EQ(read_bytes(path), opened);
    while (window->history().can_redo())
        action("Redo1")->trigger();
    EXPECT_EQ(written(window, dir, "again.xml"), last);
}

TEST_F(Gui_test, TheViewMenuSortsTheListAndSortIntoFileOrderIsOneStep) {
    ASSERT_TRUE(window->open_file(write_setup(
        "s.xml", "<SETUP><STATIONS><STATION id='30' description='st10'/><STATION id='4' description='st2'/>"
                 "<STATION id='100' description='St1'/></STATIONS></SETUP>")));
    const auto shown = [this] {
        std::vector<int32_t> ids;
        for (int row = 0; row < model()->station_count(); ++row)
            ids.push_back(model()->station_at(row)->id);
        return ids;
    };
    // Sorting from the menu, as the keyboard does it, orders the view only.
    action("SortByDescription1")->trigger();
    EXPECT_EQ(shown(), (std::vector<int32_t>{100, 4, 30})); // natural order, case aside
    action("SortDescending1")->trigger();
    EXPECT_EQ(shown(), (std::vector<int32_t>{30, 4, 100}));
    action("SortById1")->trigger();
    EXPECT_EQ(shown(), (std::vector<int32_t>{100, 30, 4})); // numbers, still descending
    EXPECT_EQ(ids_in(window), (std::vector<int32_t>{30, 4, 100}));
    EXPECT_FALSE(window->is_modified());
    // Making it the file's order is one step; the view is then in file order.
    action("SortIntoFileOrder1")->trigger();
    EXPECT_EQ(ids_in(window), (std::vector<int32_t>{100, 30, 4}));
    EXPECT_EQ(model()->order_column(), -1);
    EXPECT_EQ(action("Undo1")->text(), "&Undo Sort into file order");
    EXPECT_TRUE(window->is_modified());
    action("Undo1")->trigger();
    EXPECT_EQ(ids_in(window), (std::vector<int32_t>{30, 4, 100}));
    EXPECT_FALSE(window->is_modified());
    // In file order there is nothing to make the file's order.
    action("SortFileOrder1")->trigger();
    action("SortIntoFileOrder1")->trigger();
    EXPECT_EQ(window->history().can_redo(), true); // no new step dropped the undone one
}

TEST_F(Editor_window_test, DuplicateOpensTheEditorOnTheCopyAndCancelDiscardsIt) {
    ASSERT_TRUE(window->open_file(VEMORA_EXAMPLES "/setup.xml"));
    const std::vector<int32_t> before = ids_in(window);
    select_rows(1, 1); // id 102
    while_open([this] {
        EXPECT_EQ(field("ed_ID")->text(), "103");
        EXPECT_EQ(field("ed_phone_nbr")->text(), "");
        EXPECT_TRUE(field("ed_description")->text().endsWith(" (copy)"));
        press("Button2"); // Cancel
    });
    click("Button8");
    EXPECT_EQ(ids_in(window), before);
    EXPECT_EQ(window->history().size(), 0u);
    EXPECT_FALSE(window->is_modified());

    while_open([this] { press("Button1"); }); // OK on the copy as proposed
    click("Button8");
    std::vector<int32_t> expected = before;
    expected.insert(expected.begin() + 2, 103);
    EXPECT_EQ(ids_in(window), expected);
    EXPECT_EQ(action("Undo1")->text(), "&Undo Duplicate station 102 as 103");
    // The copy's configuration is its source's, but for the identity it carries.
    const std::vector<const Tstation*> s = stations_in(window);
    EXPECT_EQ(s[2]->configuration.get_sms_number(), s[1]->configuration.get_sms_number());
}

TEST_F(Editor_window_test, EditSelectedTogetherShowsMixedValuesAndAppliesOnlyWhatWasChanged) {
    ASSERT_TRUE(window->open_file(VEMORA_EXAMPLES "/setup.xml"));
    const std::string opened = written(window, dir, "opened.xml");
    select_rows(0, 4); // the four configured stations and the spare logger
    std::vector<Message> reviews;
    Message_box::set_responder([&reviews](const Message& m) {
        reviews.push_back(m);
        return Answer::OK;
    });
    while_open([this] {
        EXPECT_EQ(editor->windowTitle(), "Edit 5 stations");
        EXPECT_FALSE(field("ed_ID")->isEnabled()); // one station's own
        EXPECT_FALSE(field("ed_phone_nbr")->isEnabled());
        EXPECT_EQ(field("ed_sms")->text(), "+41797654321"); // equal on every station
        EXPECT_EQ(field("ed_acq_interval0")->text(), "");   // 15, 10 and 60 minutes
        EXPECT_EQ(field("ed_acq_interval0")->placeholderText(), "mixed: 3 values");
        EXPECT_EQ(box("cb_s_0")->checkState(), Qt::PartiallyChecked);
        EXPECT_TRUE(box("cb_include_spares")->isVisible());
        EXPECT_EQ(box("cb_include_spares")->text(), "Include the station with nothing configured");
        type("ed_sms", "+41797654399");
        press("Button1");
    });
    action("EditSelected1")->trigger(); // Edit Selected (Return) on several stations edits them together
    ASSERT_EQ(reviews.size(), 1u) << window->statusBar()->currentMessage().toStdString();
    EXPECT_EQ(reviews[0].kind, Message::REVIEW);
    EXPECT_EQ(reviews[0].accept, "&Apply to 4 stations");
    EXPECT_NE(reviews[0].details.indexOf("+41797654321"), -1) << reviews[0].details.toStdString();
    EXPECT_NE(reviews[0].details.indexOf("+41797654399"), -1);
    EXPECT_NE(reviews[0].text.indexOf("1 with nothing configured are left alone"), -1)
        << reviews[0].text.toStdString();
    // Each configured station has the new number and keeps the rest of its own; the spare is untouched.
    const std::vector<const Tstation*> s = stations_in(window);
    for (size_t i = 0; i < 4; ++i)
        EXPECT_EQ(s[i]->configuration.get_sms_number(), std::string("+41797654399")) << i;
    EXPECT_EQ(bytes_used(s[4]->configuration), 0);
    EXPECT_EQ(window->history().size(), 1u);
    EXPECT_EQ(action("Undo1")->text(), "&Undo Edit 4 stations (101, 102, 203, ...)");
    EXPECT_EQ(window->statusBar()->currentMessage(), "Edited 4 stations - Ctrl+Z to undo");
    // Nothing else of them changed: the same edit made with the command line's own logic station by station
    // gives the same document, and one undo gives back the opened one.
    Tsetup expected;
    std::string reason;
    ASSERT_EQ(expected.read_file(VEMORA_EXAMPLES "/setup.xml", &reason), 0) << reason;
    std::vector<int> positions{0, 1, 2, 3};
    Bulk_plan one_by_one;
    for (int p : positions) {
        Bulk_plan single = plan_bulk_edit(expected, {p}, {{"ed_sms", "+41797654399"}});
        ASSERT_FALSE(single.refused());
        ASSERT_TRUE(expected.stations.list.node_at(p) != nullptr);
        *static_cast<Tstation*>(expected.stations.list.node_at(p)->item) = single.after.at(0);
    }
    const std::string expected_path = dir.file("expected.xml");
    ASSERT_EQ(expected.write_file(expected_path.c_str(), &reason), 0) << reason;
    EXPECT_EQ(written(window, dir, "together.xml"), read_bytes(expected_path));
    action("Undo1")->trigger();
    EXPECT_EQ(written(window, dir, "undone.xml"), opened);
    EXPECT_FALSE(window->is_modified());
}

TEST_F(Gui_test, StationsGoToASpreadsheetAndComeBackAsOneStep) {
    ASSERT_TRUE(window->open_file(VEMORA_EXAMPLES "/setup.xml"));
    const std::string opened = written(window, dir, "opened.xml");
    // Export: the stations shown, all of them here.
    chosen.push_back(QString::fromStdString(dir.file("fleet.csv")));
    action("ExportCsv1")->trigger();
    const std::string exported = read_bytes(dir.file("fleet.csv"));
    ASSERT_EQ(exported.compare(0, 3, "\xEF\xBB\xBF"), 0);             // UTF-8 with its byte order mark
    EXPECT_EQ(std::count(exported.begin(), exported.end(), '\n'), 6); // the header and five stations
    EXPECT_EQ(window->statusBar()->currentMessage(), "Exported 5 stations to fleet.csv");
    // The unchanged spreadsheet changes nothing and makes no step.
    chosen.push_back(QString::fromStdString(dir.file("fleet.csv")));
    action("ImportCsv1")->trigger();
    EXPECT_EQ(window->history().size(), 0u);
    EXPECT_TRUE(messages.empty());

    // One cell changed: reviewed, then one step.
    std::vector<Message> seen;
    Message_box::set_responder([&seen](const Message& m) {
        seen.push_back(m);
        return Answer::OK;
    });
    chosen.push_back(QString::fromStdString(dir.write("one.csv", "id,ed_sms\r\n101,+41797654399\r\n")));
    action("ImportCsv1")->trigger();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].kind, Message::REVIEW);
    EXPECT_NE(seen[0].details.indexOf("+41797654399"), -1) << seen[0].details.toStdString();
    EXPECT_EQ(stations_in(window)[0]->configuration.get_sms_number(), std::string("+41797654399"));
    EXPECT_EQ(stations_in(window)[1]->configuration.get_sms_number(), std::string("+41797654321"));
    EXPECT_EQ(window->history().size(), 1u);
    action("Undo1")->trigger();
    EXPECT_EQ(written(window, dir, "undone.xml"), opened);

    // A malformed cell: where and why, and nothing changed.
    seen.clear();
    chosen.push_back(QString::fromStdString(dir.write("bad.csv", "id,cbb_s_1\r\n101,3\r\n")));
    action("ImportCsv1")->trigger();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].kind, Message::WARNING);
    EXPECT_NE(seen[0].text.indexOf("bad.csv: line 2, column 2 (cbb_s_1)"), -1) << seen[0].text.toStdString();
    EXPECT_EQ(written(window, dir, "after-bad.xml"), opened);
    EXPECT_FALSE(window->history().can_undo());
}

TEST_F(Gui_test, ATemplateSavedFromOneStationIsAppliedToOthersAsOneStep) {
    install_fake_editor(true);
    Preferences::set_template_library(QString::fromStdString(dir.file("templates.xml")));
    ASSERT_TRUE(window->open_file(VEMORA_EXAMPLES "/setup.xml"));
    // Save station 101 as "Karst 15/2".
    select_rows(0, 0);
    answer_next_dialog([](QDialog* d) {
        static_cast<QInputDialog*>(d)->setTextValue("Karst 15/2");
        d->accept();
    });
    action("SaveAsTemplate1")->trigger();
    Template_library library;
    std::string problem;
    ASSERT_TRUE(library.read(dir.file("templates.xml"), &problem)) << problem;
    ASSERT_EQ(library.size(), 1u);
    EXPECT_EQ(library.name(0), "Karst 15/2");
    EXPECT_EQ(library.at(0).id, 0); // no identity of its own
    EXPECT_EQ(library.at(0).phone_nbr, std::string());

    // Applied to 304 (acquisition every 60 minutes) by its acquisition timing only.
    select_rows(3, 3);
    answer_next_dialog([](QDialog* d) { d->accept(); }); // the one template
    QTimer::singleShot(50, [] {
        auto* pages = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(pages, nullptr);
        for (const char* name : {"cb_page_gsm", "cb_page_slow", "cb_page_fast", "cb_page_remote"})
            pages->findChild<QCheckBox*>(name)->setChecked(false);
        pages->accept();
    });
    std::vector<Message> reviews;
    Message_box::set_responder([&reviews](const Message& m) {
        reviews.push_back(m);
        return Answer::OK;
    });
    action("ApplyTemplate1")->trigger();
    ASSERT_EQ(reviews.size(), 1u);
    EXPECT_EQ(reviews[0].kind, Message::REVIEW);
    EXPECT_NE(reviews[0].details.indexOf("60 minutes -> 15 minutes on 1 station"), -1)
        << reviews[0].details.toStdString();
    EXPECT_EQ(window->history().size(), 1u);
    // The same as vemora-cli's edit of that one control would make it.
    Bulk_plan expected = plan_bulk_edit(window->document(), {3}, {{"ed_acq_interval0", "60.00"}});
    EXPECT_EQ(expected.count(Bulk_outcome::CHANGED), 1u); // 304 now acquires every 15 minutes
    action("Undo1")->trigger();
    EXPECT_FALSE(window->is_modified());

    // New from Template: the editor opens on the template's configuration with the next free ID.
    answer_next_dialog([](QDialog* d) { d->accept(); });
    action("NewFromTemplate1")->trigger();
    ASSERT_EQ(edited.size(), 1u);
    const std::vector<const Tstation*> s = stations_in(window);
    ASSERT_EQ(s.size(), 6u);
    EXPECT_EQ(s[5]->id, 305);
    EXPECT_EQ(s[5]->description, std::string());
    EXPECT_EQ(s[5]->configuration.get_sms_number(), s[0]->configuration.get_sms_number());
}

TEST_F(Gui_test, TheTemplateColumnAndTheFilterFindStationsByTheirTemplate) {
    Preferences::set_template_library(QString::fromStdString(dir.file("lib.xml")));
    ASSERT_TRUE(window->open_file(VEMORA_EXAMPLES "/setup.xml"));
    Template_library library;
    std::string problem;
    ASSERT_TRUE(library.read(dir.file("lib.xml"), &problem)) << problem;
    ASSERT_TRUE(library.put(*stations_in(window)[0], "Karst 15/2", &problem)) << problem;
    ASSERT_TRUE(library.write(dir.file("lib.xml"), &problem)) << problem;
    EXPECT_TRUE(grid()->isColumnHidden(Station_grid_model::TEMPLATE));
    action("ShowTemplateColumn1")->trigger();
    EXPECT_FALSE(grid()->isColumnHidden(Station_grid_model::TEMPLATE));
    const auto cell = [this](int row) {
        return model()->data(model()->index(row, Station_grid_model::TEMPLATE), Qt::DisplayRole).toString();
    };
    EXPECT_EQ(cell(0), "Karst 15/2"); // equal to it
    EXPECT_TRUE(cell(1).startsWith("Karst 15/2 +")) << cell(1).toStdString();
    // The filter box knows the template terms.
    edit("ed_filter")->setText("template:\"Karst 15/2\" -drift");
    ASSERT_EQ(model()->station_count(), 1);
    EXPECT_EQ(model()->station_at(0)->id, 101);
    edit("ed_filter")->setText("drift");
    EXPECT_EQ(model()->station_count(), 3); // the other configured stations; the spare takes no part
}

TEST_F(Editor_window_test, EditTogetherRefusesOkWhileAStationWouldNotTakeTheChanges) {
    ASSERT_TRUE(window->open_file(VEMORA_EXAMPLES "/setup.xml"));
    // Station 102 as a file may hold it: an SMS number of 17 characters, more than the station keeps, which
    // any store of it refuses.
    auto* second = static_cast<Tstation*>(window->document().stations.list.node_at(1)->item);
    const std::string number = "+4179123456789012";
    second->configuration.clear();
    second->configuration.add_byte(tag::SMS_NUMBER);
    second->configuration.add_byte(static_cast<uint8_t>(number.size()));
    for (char c : number)
        second->configuration.add_byte(static_cast<uint8_t>(c));
    second->configuration.add_byte(tag::END);
    const std::string before = written(window, dir, "before.xml");
    select_rows(0, 1);
    QString warned;
    Message_box::set_responder([&warned](const Message& m) {
        if (m.kind == Message::WARNING) warned = m.text;
        return Answer::OK;
    });
    while_open([this] {
        type("ed_acq_interval0", "30");
        press("Button1"); // refused: the editor stays open
        EXPECT_TRUE(editor->isVisible());
        press("Button2");
    });
    action("EditTogether1")->trigger();
    EXPECT_NE(warned.indexOf("station 2 (id 102)"), -1) << warned.toStdString();
    EXPECT_NE(warned.indexOf("17 characters"), -1) << warned.toStdString();
    EXPECT_EQ(window->history().size(), 0u);
    EXPECT_EQ(written(window, dir, "after.xml"), before);
}
