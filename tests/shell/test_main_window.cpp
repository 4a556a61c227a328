// The main window, driven through its named controls and menu actions, checking the document and files.
#include "gui_fixture.h"

#include <QAccessible>
#include <QDir>
#include <QMenuBar>
#include <QRegularExpression>
#include <QStatusBar>
#include <filesystem>
#include <fstream>
#include <unistd.h>

#include "Station.h"
#include "Wabout.h"

namespace {

// The process works in the given folder while this lives, so a file written under a relative name lands
// where the test sees it, and nothing of the build tree is touched.
class Working_folder {
  public:
    explicit Working_folder(const std::filesystem::path& folder) : before_(QDir::currentPath()) {
        QDir::setCurrent(QString::fromStdString(folder.string()));
    }
    ~Working_folder() { QDir::setCurrent(before_); }

  private:
    QString before_;
};

size_t occurrences(const std::string& text, const std::string& part) {
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++n;
    return n;
}

} // namespace

TEST_F(Gui_test, AtStartTheProgramShowsAnUntitledNewDocument) {
    install_fake_editor(true);
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    EXPECT_EQ(window->menuBar()->objectName(), "MainMenu1");
    EXPECT_FALSE(action("Save1")->isEnabled()); // nothing to save yet
    EXPECT_TRUE(action("New1")->isEnabled());
    EXPECT_EQ(action("New1")->shortcut(), QKeySequence(QKeySequence::New));
    EXPECT_EQ(action("Open1")->shortcut(), QKeySequence("Ctrl+O"));
    EXPECT_EQ(action("Save1")->shortcut(), QKeySequence("Ctrl+S"));
    EXPECT_EQ(action("SaveAs1")->shortcut(), QKeySequence(QKeySequence::SaveAs));
    EXPECT_EQ(action("Quit1")->shortcut(), QKeySequence("Ctrl+Q"));
    // The document of New: its defaults in the edits, the header texts in an ordinary row.
    EXPECT_EQ(edit("ed_COM_direct")->text(), "COM1");
    EXPECT_EQ(edit("ed_COM_modem")->text(), "COM2");
    EXPECT_EQ(edit("ed_path_bin")->text(), "c:\\korvandel\\data_bin");
    ASSERT_TRUE(grid()->isVisible());
    EXPECT_FALSE(grid()->horizontalHeader()->isVisible());
    ASSERT_EQ(model()->rowCount(), 1);
    EXPECT_EQ(model()->data(model()->index(0, 0), Qt::DisplayRole).toString(), "ID");
    EXPECT_EQ(model()->station_at(0), nullptr);
    EXPECT_EQ(find<QLabel>("lb_filename")->text(), "");
    EXPECT_EQ(find<QTabWidget>("PageControl1")->currentIndex(), 1);
    EXPECT_EQ(window->windowTitle(), "Untitled[*] - Vemora Editor V1.0");
    EXPECT_FALSE(window->isWindowModified());
    // No row is bound to a station: Delete and Edit Selected find nothing to work on.
    select_rows(0, 0);
    click("Button6");
    click("Button7");
    EXPECT_TRUE(edited.empty());
    EXPECT_EQ(window->document().stations.list.head(), nullptr);
    EXPECT_TRUE(messages.empty());
    EXPECT_FALSE(window->is_modified());
    // Closing an untouched new document asks nothing.
    EXPECT_TRUE(window->close());
    EXPECT_TRUE(messages.empty());
}

TEST_F(Gui_test, OpenShowsTheFileOnTheComPortsPage) {
    const std::string path = write_setup("a.xml", three_stations);
    chosen.push_back(QString::fromStdString(path));
    action("Open1")->trigger();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].proposed, "setup.xml");
    EXPECT_EQ(find<QTabWidget>("PageControl1")->currentWidget()->objectName(), "TabSheet1");
    EXPECT_EQ(find<QLabel>("lb_filename")->text(), QString::fromStdString(path));
    EXPECT_TRUE(action("Save1")->isEnabled());
    EXPECT_EQ(edit("ed_COM_direct")->text(), "COM7");
    EXPECT_EQ(edit("ed_COM_modem")->text(), "COM8");
    EXPECT_EQ(edit("ed_path_bin")->text(), "c:\\data\\");
    ASSERT_EQ(model()->rowCount(), 3);
    EXPECT_EQ(model()->headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(), "Phone Number");
    EXPECT_EQ(model()->data(model()->index(2, Station_grid_model::DESCRIPTION), Qt::DisplayRole).toString(),
              "third");
    EXPECT_EQ(model()->data(model()->index(0, 0), Qt::DisplayRole).toString(), "1");
    for (int c = 0; c < 3; ++c) // at least as wide as ever; the description takes what is left
        EXPECT_GE(grid()->columnWidth(c), Station_grid_model::column_widths[c]) << c;
    EXPECT_FALSE(window->is_modified());
    EXPECT_TRUE(messages.empty());
}

TEST_F(Gui_test, DeleteRemovesEverySelectedStationAndUndoBringsThemBack) {
    const std::string path = write_setup("a.xml", three_stations);
    ASSERT_TRUE(window->open_file(path));
    action("Save1")->trigger(); // the file as Save writes it, to compare with the last Save below
    const std::string saved = read_bytes(path);
    EXPECT_FALSE(window->is_modified());
    select_rows(1, 2);
    click("Button6");
    ASSERT_EQ(model()->rowCount(), 1);
    EXPECT_EQ(model()->data(model()->index(0, Station_grid_model::DESCRIPTION), Qt::DisplayRole).toString(),
              "first");
    EXPECT_TRUE(window->is_modified());
    EXPECT_TRUE(window->isWindowModified());
    EXPECT_EQ(window->statusBar()->currentMessage(), "Deleted 2 stations - Ctrl+Z to undo");
    EXPECT_EQ(action("Undo1")->text(), "&Undo Delete 2 stations (2, 3)");
    grid()->clearSelection();
    click("Button6"); // no selection: nothing happens
    EXPECT_EQ(model()->rowCount(), 1);
    EXPECT_EQ(window->history().size(), 1u);

    action("Undo1")->trigger();
    ASSERT_EQ(model()->rowCount(), 3);
    EXPECT_EQ(model()->data(model()->index(1, Station_grid_model::DESCRIPTION), Qt::DisplayRole).toString(),
              "second");
    EXPECT_EQ(model()->data(model()->index(2, Station_grid_model::DESCRIPTION), Qt::DisplayRole).toString(),
              "third");
    EXPECT_FALSE(window->is_modified()); // back to what was opened
    EXPECT_FALSE(window->isWindowModified());
    EXPECT_EQ(action("Redo1")->text(), "&Redo Delete 2 stations (2, 3)");
    action("Redo1")->trigger();
    EXPECT_EQ(model()->rowCount(), 1);
    EXPECT_TRUE(window->is_modified());
    action("Undo1")->trigger();
    // Save after undoing everything writes the file as it was saved, byte for byte.
    action("Save1")->trigger();
    EXPECT_EQ(read_bytes(path), saved);
}

TEST_F(Gui_test, NewThenSaveAsksForANameAndWritesTheDefaults) {
    action("New1")->trigger();
    EXPECT_EQ(find<QLabel>("lb_filename")->text(), "");
    EXPECT_EQ(edit("ed_COM_direct")->text(), "COM1");
    EXPECT_EQ(model()->station_count(), 0);
    const std::string path = dir.file("new.xml");
    chosen.push_back(QString::fromStdString(path));
    action("Save1")->setEnabled(true);
    action("Save1")->trigger(); // no name yet: Save acts as Save As
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].kind, File_request::SAVE);
    Tsetup expected;
    expected.set_defaults();
    std::string text;
    Text_out out(&text);
    expected.write(&out);
    EXPECT_EQ(read_bytes(path), text);
    EXPECT_EQ(window->file_name(), path);
}

TEST_F(Gui_test, AFailedOpenSaysWhyAndLaterSaveWritesTheEarlierFile) {
    const std::string good = write_setup("good.xml", three_stations);
    ASSERT_TRUE(window->open_file(good));
    const std::string bad = write_setup("bad.xml", "<SETUP><STATIONS>");
    chosen.push_back(QString::fromStdString(bad));
    action("Open1")->trigger();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].kind, Message::WARNING);
    EXPECT_TRUE(messages[0].text.contains(QString::fromStdString(bad)));
    EXPECT_TRUE(messages[0].text.contains("line 1")) << messages[0].text.toStdString();
    EXPECT_EQ(window->file_name(), good);
    EXPECT_EQ(model()->rowCount(), 3);
    select_rows(0, 0);
    click("Button6");
    action("Save1")->trigger();
    EXPECT_NE(read_bytes(good).find("second"), std::string::npos);
    EXPECT_EQ(read_bytes(good).find("first"), std::string::npos);
    EXPECT_EQ(read_bytes(bad), "<SETUP><STATIONS>");
    EXPECT_FALSE(window->is_modified());
}

TEST_F(Gui_test, ASaveThatFailsSaysWhyAndSaveAsKeepsTheOldName) {
    const std::string good = write_setup("good.xml", three_stations);
    ASSERT_TRUE(window->open_file(good));
    select_rows(0, 0);
    click("Button6");
    chosen.push_back(QString::fromStdString(dir.file("no/such/folder/x.xml")));
    action("SaveAs1")->trigger();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(messages[0].text.contains("No such file or directory")) << messages[0].text.toStdString();
    EXPECT_EQ(window->file_name(), good);
    EXPECT_TRUE(window->is_modified());
}

TEST_F(Gui_test, BrowseStartsFromTheEditAndCancelKeepsIt) {
    ASSERT_TRUE(window->open_file(write_setup("a.xml", three_stations)));
    edit("ed_path_bin")->setText("/home/hydro/typed//");
    click("Button3"); // cancelled: no folder chosen
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].kind, File_request::FOLDER);
    EXPECT_EQ(requests[0].title, "Choose a Folder");
    EXPECT_EQ(requests[0].proposed, "/home/hydro/typed");
    EXPECT_EQ(edit("ed_path_bin")->text(), "/home/hydro/typed//");
    EXPECT_STREQ(window->document().path_data_bin, "c:\\data\\"); // the document is not touched
    chosen.push_back("/srv/zevo/bin");
    click("Button3");
    EXPECT_EQ(edit("ed_path_bin")->text(), "/srv/zevo/bin");
    EXPECT_STREQ(window->document().path_data_bin, "/srv/zevo/bin");
    chosen.push_back("/" + QString(600, 'p'));
    click("Button4");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(messages[0].text.contains("at most 511"));
    EXPECT_EQ(edit("ed_path_xml")->text(), "/x");
    EXPECT_STREQ(window->document().path_data_xml, "/x");
}

TEST_F(Gui_test, UnsavedChangesAreAskedForAndCancelKeepsEverything) {
    const std::string path = write_setup("a.xml", three_stations);
    ASSERT_TRUE(window->open_file(path));
    edit("ed_COM_modem")->setText("COM9");
    EXPECT_TRUE(window->isWindowModified());
    edit("ed_COM_modem")->setText("COM8"); // typed back: nothing differs
    EXPECT_FALSE(window->isWindowModified());
    edit("ed_COM_modem")->setText("COM9");
    answers.push_back(Answer::CANCEL);
    action("New1")->trigger();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].kind, Message::SAVE_DISCARD_CANCEL);
    EXPECT_EQ(messages[0].text, "Save changes to " + QString::fromStdString(path) + "?");
    EXPECT_EQ(model()->rowCount(), 3);
    EXPECT_EQ(edit("ed_COM_modem")->text(), "COM9");
    answers.push_back(Answer::SAVE);
    action("New1")->trigger();
    EXPECT_NE(read_bytes(path).find("port=\"COM9\""), std::string::npos);
    EXPECT_EQ(model()->station_count(), 0);
    EXPECT_FALSE(window->is_modified());
    // Closing with changes: Discard closes, Cancel keeps the window.
    edit("ed_path_xml")->setText("/y");
    answers.push_back(Answer::CANCEL);
    EXPECT_FALSE(window->close());
    answers.push_back(Answer::DISCARD);
    EXPECT_TRUE(window->close());
}

TEST_F(Gui_test, EditsHoldOnlyWhatTheDocumentKeeps) {
    EXPECT_EQ(edit("ed_path_bin")->maxLength(), 511);
    EXPECT_EQ(edit("ed_path_xml")->maxLength(), 511);
    EXPECT_EQ(edit("ed_COM_direct")->maxLength(), 31);
    EXPECT_EQ(edit("ed_COM_modem")->maxLength(), 31);
    QLineEdit* port = edit("ed_COM_direct");
    port->clear();
    port->setFocus();
    QTest::keyClicks(port, "COM");
    port->insert(QString::fromUtf8("\xc3\xa9")); // typed or pasted, é is Latin-1: taken
    EXPECT_EQ(port->text(), QString::fromUtf8("COM\xc3\xa9"));
    EXPECT_TRUE(find<QLabel>("lb_hint")->text().isEmpty());
    port->insert(QString::fromUtf8("1\xe2\x82\xac")); // the euro sign is not: the whole paste is refused
    EXPECT_EQ(port->text(), QString::fromUtf8("COM\xc3\xa9"));
    EXPECT_FALSE(find<QLabel>("lb_hint")->text().isEmpty());
    port->setText(QString(40, 'c'));
    EXPECT_EQ(port->text().size(), 31);
}

TEST_F(Gui_test, SaveKeepsPortsThatTheFileDidNotHold) {
    const std::string path = write_setup("a.xml", "<SETUP><STATIONS/></SETUP>");
    ASSERT_TRUE(window->open_file(path));
    EXPECT_EQ(edit("ed_COM_direct")->text(), "COM1");
    EXPECT_EQ(edit("ed_COM_modem")->text(), "COM2");
    edit("ed_COM_modem")->clear();
    action("Save1")->trigger();
    const std::string saved = read_bytes(path);
    EXPECT_NE(
        saved.find(
            "<COMPORT  port=\"COM1\" rate=\"38400\" type=\"direct\" description=\"direct connection\"/>"),
        std::string::npos);
    EXPECT_EQ(saved.find("modem"), std::string::npos); // an empty edit adds no port
}

TEST_F(Gui_test, LatinOneTextsReachTheFileUnchanged) {
    const std::string path = write_setup("a.xml", three_stations);
    ASSERT_TRUE(window->open_file(path));
    edit("ed_path_bin")
        ->setText(QString::fromUtf8("C:\\Donn\xc3\xa9"
                                    "es"));
    action("Save1")->trigger();
    EXPECT_NE(read_bytes(path).find("path=\"C:\\Donn&#xe9;es\""), std::string::npos);
}

TEST_F(Gui_test, FileNamesOutsideLatinOneOpenAndSaveWhereTheyAre) {
    // A setup file in a folder with non-Latin-1 characters: the name is the system's, not a document text.
    std::filesystem::create_directories(dir.path() / "\xce\xb5\xce\xbb");
    const std::string path = (dir.path() / "\xce\xb5\xce\xbb" /
                              "donn\xc3\xa9"
                              "es.xml")
                                 .string();
    std::ofstream(path, std::ios::binary) << three_stations;
    chosen.push_back(QString::fromUtf8(path.c_str()));
    action("Open1")->trigger();
    EXPECT_TRUE(messages.empty()) << (messages.empty() ? "" : messages[0].text.toStdString());
    EXPECT_EQ(window->file_name(), path);
    EXPECT_EQ(find<QLabel>("lb_filename")->text(), QString::fromUtf8(path.c_str()));
    select_rows(0, 0);
    click("Button6");
    action("Save1")->trigger();
    EXPECT_EQ(read_bytes(path).find("first"), std::string::npos);
    const std::string other = (dir.path() / "\xe2\x82\xac.xml").string();
    chosen.push_back(QString::fromUtf8(other.c_str()));
    action("SaveAs1")->trigger();
    EXPECT_TRUE(std::filesystem::exists(other));
    EXPECT_EQ(window->file_name(), other);
}

TEST_F(Gui_test, EditsAreAnnouncedByTheirLabels) {
    const struct {
        const char* edit;
        const char* name;
    } fields[] = {{"ed_COM_direct", "COM port for direct (cable) connection"},
                  {"ed_COM_modem", "COM port for modem connection"},
                  {"ed_path_bin", "Path to BIN directory (flash downloaded file, binary format)"},
                  {"ed_path_xml", "Path to XML directory (flash downloaded file, XML format)"}};
    for (const auto& f : fields) {
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(edit(f.edit));
        ASSERT_NE(a, nullptr);
        EXPECT_EQ(a->text(QAccessible::Name), f.name) << f.edit;
    }
    EXPECT_EQ(find<QLabel>("Label3")->buddy(), edit("ed_COM_direct"));
}

TEST_F(Gui_test, TabGoesThroughEachPageInReadingOrder) {
    // The controls of a page that Tab reaches, in the order it reaches them.
    const auto tab_order = [this](const char* page) {
        QWidget* p = find<QWidget>(page);
        QStringList names;
        QWidget* w = p;
        do {
            w = w->nextInFocusChain();
            if (p->isAncestorOf(w) && (w->focusPolicy() & Qt::TabFocus) && !w->objectName().isEmpty() &&
                !names.contains(w->objectName()))
                names << w->objectName();
        } while (w != p);
        return names;
    };
    EXPECT_EQ(tab_order("TabSheet1"), QStringList({"ed_COM_direct", "ed_COM_modem"}));
    EXPECT_EQ(tab_order("TabSheet2"),
              QStringList({"ed_filter", "StringGrid_stations", "Button7", "Button5", "Button8", "Button6"}));
    EXPECT_EQ(tab_order("TabSheet3"), QStringList({"ed_path_bin", "Button3", "ed_path_xml", "Button4"}));
}

TEST_F(Gui_test, TheGridStaysInstantWithTenThousandStations) {
    // Not a timing: the model reads cells on demand, so a refresh builds no cell text of its own.
    for (int i = 0; i < 10000; ++i) {
        auto* s = new Tstation;
        s->id = i;
        window->document().stations.append(s);
    }
    window->refresh(true);
    EXPECT_EQ(model()->rowCount(), 10000);
    EXPECT_EQ(model()->data(model()->index(9999, 0), Qt::DisplayRole).toString(), "9999");
}

TEST_F(Gui_test, WithNoStationTheHeaderRowIsAnOrdinaryRowThatDeleteAndEditLeaveAlone) {
    install_fake_editor(true);
    QHeaderView* header = grid()->horizontalHeader(); // its own state: Open shows another page
    const auto no_station_grid = [&](const char* when) {
        EXPECT_FALSE(header->isVisibleTo(grid())) << when;
        ASSERT_EQ(model()->rowCount(), 1) << when; // the header texts in an ordinary row, bound to no station
        EXPECT_EQ(model()->station_at(0), nullptr) << when;
        EXPECT_EQ(model()->data(model()->index(0, 0), Qt::DisplayRole).toString(), "ID") << when;
        EXPECT_EQ(
            model()->data(model()->index(0, Station_grid_model::DESCRIPTION), Qt::DisplayRole).toString(),
            "Description")
            << when;
        select_rows(0, 0);
        ASSERT_EQ(grid()->selectionModel()->selectedRows().size(), 1) << when;
        click("Button6");
        click("Button7");
        EXPECT_TRUE(edited.empty()) << when;
        EXPECT_EQ(model()->rowCount(), 1) << when;
        EXPECT_FALSE(window->is_modified()) << when;
    };
    action("New1")->trigger();
    no_station_grid("after New");
    ASSERT_TRUE(window->open_file(write_setup("empty.xml", "<SETUP><STATIONS/></SETUP>")));
    no_station_grid("after Open");
    // The first station makes row 0 the fixed header; deleting the last makes it an ordinary row again.
    click("Button5"); // the stand-in answers OK: the record is appended
    ASSERT_EQ(edited.size(), 1u);
    EXPECT_TRUE(header->isVisibleTo(grid()));
    ASSERT_EQ(model()->rowCount(), 1);
    ASSERT_NE(model()->station_at(0), nullptr);
    EXPECT_EQ(model()->headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(), "ID");
    EXPECT_EQ(model()->data(model()->index(0, 0), Qt::DisplayRole).toString(), "1"); // the next free ID
    select_rows(0, 0);
    click("Button6");
    EXPECT_FALSE(header->isVisibleTo(grid()));
    EXPECT_EQ(model()->station_at(0), nullptr);
    // Two steps away from what was opened, although the stations are the same again; undoing both is back.
    EXPECT_TRUE(window->is_modified());
    action("Undo1")->trigger();
    action("Undo1")->trigger();
    EXPECT_FALSE(window->is_modified());
    EXPECT_TRUE(messages.empty());
}

TEST_F(Gui_test, SaveInTheQuestionBeforeTheDocumentHasAFileAsksForAName) {
    // An unrelated setup.xml where the program runs: the name the Open dialog proposes at start.
    Working_folder here(dir.path());
    const std::string unrelated = write_setup("setup.xml", "an unrelated file");
    install_fake_editor(true);
    click("Button5");
    ASSERT_TRUE(window->is_modified());
    ASSERT_TRUE(action("Save1")->isEnabled()); // Save asks for a name, as Save As does
    action("Save1")->trigger();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].kind, File_request::SAVE);
    requests.clear();
    // Save, then Cancel in the Save dialog: the close, New and Open are all cancelled.
    answers.push_back(Answer::SAVE);
    EXPECT_FALSE(window->close());
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "Save changes to the new setup file?");
    answers.push_back(Answer::SAVE);
    action("New1")->trigger();
    answers.push_back(Answer::SAVE);
    action("Open1")->trigger(); // no Open dialog follows
    ASSERT_EQ(requests.size(), 3u);
    for (const File_request& r : requests)
        EXPECT_EQ(r.kind, File_request::SAVE);
    EXPECT_EQ(model()->station_count(), 1);
    EXPECT_TRUE(window->is_modified());
    EXPECT_EQ(read_bytes(unrelated), "an unrelated file");
    // A name given in the dialog: the document goes there and the close goes on.
    const std::string named = dir.file("named.xml");
    chosen.push_back(QString::fromStdString(named));
    answers.push_back(Answer::SAVE);
    EXPECT_TRUE(window->close());
    EXPECT_EQ(occurrences(read_bytes(named), "<STATION "), 1u);
    EXPECT_EQ(window->file_name(), named);
    EXPECT_TRUE(action("Save1")->isEnabled());
    EXPECT_FALSE(window->is_modified());
    EXPECT_EQ(read_bytes(unrelated), "an unrelated file");
}

TEST_F(Gui_test, AfterAFailedOpenAtStartSaveInTheQuestionStillAsksForAName) {
    Working_folder here(dir.path());
    const std::string unrelated = write_setup("setup.xml", "an unrelated file");
    chosen.push_back(QString::fromStdString(write_setup("bad.xml", "<SETUP>")));
    action("Open1")->trigger();
    ASSERT_EQ(messages.size(), 1u); // it could not be opened: the document still has no file
    edit("ed_COM_direct")->setText("COM4");
    answers.push_back(Answer::SAVE);
    EXPECT_FALSE(window->close()); // the Save dialog is cancelled
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[1].text, "Save changes to the new setup file?");
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[1].kind, File_request::SAVE);
    EXPECT_EQ(read_bytes(unrelated), "an unrelated file");
    EXPECT_EQ(edit("ed_COM_direct")->text(), "COM4");
}

TEST_F(Gui_test, ARefusedFolderIsNamedAsTheUserChoseIt) {
    const QString greek = QString::fromUtf8("/srv/\xce\xb5\xce\xbb\xce\xbb\xce\xac\xce\xb4\xce\xb1/%2/bin");
    chosen.push_back(greek);
    click("Button3");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(messages[0].text.contains("\"" + greek + "\"")) << messages[0].text.toStdString();
    EXPECT_EQ(edit("ed_path_bin")->text(), "c:\\korvandel\\data_bin"); // as it was
    const QString too_long = "/" + QString(300, QChar(0xe9)) + "/" + QString(300, 'p');
    chosen.push_back(too_long);
    click("Button4");
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_TRUE(messages[1].text.contains("\"" + too_long + "\""));
    EXPECT_STREQ(window->document().path_data_xml, "c:\\korvandel\\data_xml");
}

TEST_F(Gui_test, APlainSaveThatFailsSaysWhyAndKeepsTheDocumentsFile) {
    std::filesystem::create_directories(dir.path() / "gone");
    const std::string path = write_setup("gone/a.xml", three_stations);
    ASSERT_TRUE(window->open_file(path));
    std::filesystem::remove_all(dir.path() / "gone"); // the folder went away since Open
    select_rows(0, 0);
    click("Button6");
    action("Save1")->trigger();
    EXPECT_TRUE(requests.empty()); // a plain Save asks for no name
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].kind, Message::WARNING);
    EXPECT_TRUE(messages[0].text.contains(QString::fromStdString(path))) << messages[0].text.toStdString();
    EXPECT_TRUE(messages[0].text.contains("No such file or directory")) << messages[0].text.toStdString();
    EXPECT_EQ(window->file_name(), path);
    EXPECT_EQ(find<QLabel>("lb_filename")->text(), QString::fromStdString(path));
    EXPECT_TRUE(action("Save1")->isEnabled());
    EXPECT_TRUE(window->is_modified());
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "gone"));
    // Closing asks again; Save failing once more keeps the window and the work.
    answers.push_back(Answer::SAVE);
    EXPECT_FALSE(window->close());
    ASSERT_EQ(messages.size(), 3u);
    EXPECT_EQ(messages[1].kind, Message::SAVE_DISCARD_CANCEL);
    EXPECT_EQ(messages[2].kind, Message::WARNING);
    EXPECT_EQ(model()->station_count(), 2);
}

TEST_F(Gui_test, SaveAddsAModemPortThatTheFileDidNotHold) {
    const std::string path = write_setup(
        "a.xml", "<SETUP><COMPORTS><COMPORT port='COM7' type='direct' rate='19200' description='d'/>"
                 "</COMPORTS><STATIONS/></SETUP>");
    ASSERT_TRUE(window->open_file(path));
    EXPECT_EQ(edit("ed_COM_modem")->text(), "COM2");
    edit("ed_COM_modem")->setText("COM5");
    action("Save1")->trigger();
    EXPECT_TRUE(messages.empty());
    std::string saved = read_bytes(path);
    EXPECT_EQ(occurrences(saved, "<COMPORT "), 2u) << saved;
    EXPECT_NE(saved.find("<COMPORT  port=\"COM7\" rate=\"19200\" type=\"direct\" description=\"d\"/>"),
              std::string::npos)
        << saved;
    EXPECT_NE(saved.find("<COMPORT  port=\"COM5\" rate=\"9600\" type=\"modem\" description=\"standard analog "
                         "modem\"/>"),
              std::string::npos)
        << saved;
    EXPECT_FALSE(window->is_modified());
    // Saved again, the port now exists: it takes the edit's text and no second one is added.
    edit("ed_COM_modem")->setText("COM6");
    action("Save1")->trigger();
    saved = read_bytes(path);
    EXPECT_EQ(occurrences(saved, "<COMPORT "), 2u) << saved;
    EXPECT_NE(saved.find("port=\"COM6\" rate=\"9600\" type=\"modem\""), std::string::npos) << saved;
}

TEST_F(Gui_test, AboutIsCentredOnTheScreenNotOnTheMainWindow) {
    TFabout about(window);
    window->set_about_box(&about);
    window->setGeometry(0, 0, 523, 485); // far from the screen's centre
    window->show();
    action("AboutKorvandel1")->trigger();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&about));
    const QPoint screen_centre = about.screen()->availableGeometry().center();
    EXPECT_LE((about.frameGeometry().center() - screen_centre).manhattanLength(), 2)
        << about.frameGeometry().x() << "," << about.frameGeometry().y() << " on a screen centred at "
        << screen_centre.x() << "," << screen_centre.y();
    about.move(0, 0);
    about.hide();
    action("AboutKorvandel1")->trigger(); // centred again each time it is shown
    EXPECT_LE((about.frameGeometry().center() - screen_centre).manhattanLength(), 2);
    about.hide();
}

TEST_F(Gui_test, ARefusedSaveSaysWhyAndWhatToDoAndSaveAsWritesACopy) {
    // The file has a second name: Save refuses, names the reason in the sentence the window uses for any
    // failed save, and leaves both names on the old content; Save As to a new name writes the document.
    const std::string path = write_setup("linked.xml", three_stations);
    const std::string other = dir.file("other-name.xml");
    ASSERT_EQ(link(path.c_str(), other.c_str()), 0);
    ASSERT_TRUE(window->open_file(path));
    select_rows(0, 0);
    click("Button6");
    action("Save1")->trigger();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].kind, Message::WARNING);
    EXPECT_EQ(messages[0].text.toStdString(),
              "The setup file \"" + path +
                  "\" could not be saved: it has 2 hard links; saving would break the link: use Save As to "
                  "save a copy.\nNothing was written.");
    EXPECT_EQ(read_bytes(path), three_stations);
    EXPECT_EQ(read_bytes(other), three_stations);
    EXPECT_TRUE(window->is_modified());
    const std::string copy = dir.file("copy.xml");
    chosen.push_back(QString::fromStdString(copy));
    action("SaveAs1")->trigger();
    EXPECT_EQ(messages.size(), 1u);
    EXPECT_EQ(window->file_name(), copy);
    EXPECT_FALSE(window->is_modified());
    EXPECT_EQ(read_bytes(path), three_stations);
    EXPECT_NE(read_bytes(copy), three_stations);
}
