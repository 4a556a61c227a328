// The Stations page as a view of the fleet: the filter box gives what `vemora-cli list --where` gives,
// header clicks order the view, and neither changes the file or loses the selection.
#include <QKeySequence>
#include <QTest>
#include <random>
#include <sstream>

#include "Lib_trace.h"
#include "Station.h"
#include "cli_fixture.h"
#include "gui_fixture.h"
#include "query_reference.h"
#include "random_documents.h"

namespace {

const std::string example = VEMORA_EXAMPLES "/setup.xml";

class Station_filter_test : public Gui_test {
  protected:
    QLineEdit* filter() const { return edit("ed_filter"); }
    std::string count_text() const { return find<QLabel>("lb_filter_count")->text().toStdString(); }
    std::string error_text() const { return find<QLabel>("lb_filter_error")->text().toStdString(); }

    // The positions (from 1) of the rows shown, top to bottom.
    std::vector<int> shown() const {
        std::vector<int> out;
        for (int row = 0; row < model()->station_count(); ++row)
            out.push_back(model()->position_at(row) + 1);
        return out;
    }
    std::vector<int32_t> shown_ids() const {
        std::vector<int32_t> out;
        for (int row = 0; row < model()->station_count(); ++row)
            out.push_back(model()->station_at(row)->id);
        return out;
    }
    // The ids in the document's own order.
    std::vector<int32_t> file_ids() {
        std::vector<int32_t> out;
        for_each_item<Tstation>(window->document().stations.list, [&](Tstation& s) { out.push_back(s.id); });
        return out;
    }
    // Typed a key at a time, each keystroke filtering; the test library types ASCII only, so a text with
    // other letters is pasted whole.
    void type_filter(const QString& text) {
        filter()->setFocus();
        filter()->selectAll();
        bool ascii = true;
        for (const QChar c : text)
            ascii = ascii && c.unicode() < 128;
        if (text.isEmpty())
            QTest::keyClick(filter(), Qt::Key_Backspace);
        else if (ascii)
            QTest::keyClicks(filter(), text);
        else
            filter()->setText(text);
    }
    void click_header(int column) {
        QHeaderView* header = grid()->horizontalHeader();
        const QPoint at(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                        header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    }
    int row_of_id(int32_t id) const {
        for (int row = 0; row < model()->station_count(); ++row)
            if (model()->station_at(row)->id == id) return row;
        return -1;
    }
    std::vector<int32_t> selected_ids() const {
        std::vector<int32_t> out;
        for (const QModelIndex& index : grid()->selectionModel()->selectedRows())
            out.push_back(model()->station_at(index.row())->id);
        std::sort(out.begin(), out.end());
        return out;
    }
};

// The positions that `vemora-cli list` prints for the query, sorted by key when one is given.
std::vector<int> listed(const std::string& file, const std::string& query_utf8,
                        const std::string& sort = "") {
    std::vector<std::string> arguments = {"list", file, "--where", query_utf8, "--columns", "id"};
    if (!sort.empty()) arguments.insert(arguments.end(), {"--sort", sort});
    const Cli_result r = cli(arguments);
    EXPECT_TRUE(r.code == 0 || r.code == 6) << query_utf8 << ": " << r.err;
    std::vector<int> positions;
    std::istringstream lines(r.out);
    for (std::string line; std::getline(lines, line);)
        positions.push_back(std::stoi(line.substr(0, line.find('\t'))));
    return positions;
}

} // namespace

TEST_F(Station_filter_test, TheFilterBoxShowsWhatListPrintsOnTheExample) {
    ASSERT_TRUE(window->open_file(example));
    const char* const queries[] = {"uranine",
                                   "uses:161",
                                   "uses:162 -uses:161",
                                   "id:100-199",
                                   "bytes>100",
                                   "spare",
                                   "dup",
                                   "problem",
                                   "ed_acq_interval0=15.00 -spare",
                                   "phone:+4179111010* (uranine OR orbe)",
                                   "PR\xc3\x89S", // UTF-8 for the command line, "PRÉS" typed in the box
                                   "nowhere"};
    int nonempty = 0;
    for (const char* q : queries) {
        type_filter(QString::fromUtf8(q));
        ASSERT_EQ(filter()->text(), QString::fromUtf8(q));
        EXPECT_EQ(error_text(), "") << q;
        EXPECT_EQ(shown(), listed(example, q)) << q;
        nonempty += model()->station_count() > 0 && model()->station_count() < model()->total_count();
    }
    EXPECT_GE(nonempty, 8); // most queries pick some stations, not all
    // The order too: by description, then by ID from the largest.
    type_filter("");
    click_header(Station_grid_model::DESCRIPTION);
    EXPECT_EQ(shown(), listed(example, "", "desc"));
    click_header(Station_grid_model::ID);
    click_header(Station_grid_model::ID);
    type_filter("-spare");
    EXPECT_EQ(shown(), listed(example, "-spare", "-id"));
}

TEST_F(Station_filter_test, TheFilterBoxShowsWhatListPrintsOnGeneratedFiles) {
    std::mt19937 rng(20261216);
    int compared = 0, nonempty = 0;
    for (int round = 0; round < 25; ++round) {
        Tsetup generated;
        random_document(rng, generated);
        random_document(rng, generated); // up to 12 stations
        Tlist::Tnode* first = generated.stations.list.head();
        for (Tlist::Tnode* n = first ? first->next : nullptr; n != nullptr; n = n->next) {
            Tstation* s = static_cast<Tstation*>(n->item);
            const Tstation* f0 = static_cast<Tstation*>(first->item);
            if (rng() % 4 == 0) s->id = f0->id;
            if (rng() % 4 == 0) std::copy(std::begin(f0->phone_nbr), std::end(f0->phone_nbr), s->phone_nbr);
        }
        const std::string path = dir.file("generated.xml");
        ASSERT_EQ(generated.write_file(path.c_str()), 0);
        {
            Trace_capture quiet;
            ASSERT_TRUE(window->open_file(path));
        }
        Tsetup reread;
        Reading_collector notes;
        {
            Trace_capture quiet;
            ASSERT_EQ(reread.read_file(path.c_str(), nullptr, &notes), 0);
        }
        const std::vector<Reference_station> stations = reference_stations(reread, &notes);
        for (int k = 0; k < 6; ++k) {
            const Reference_query q = random_query(rng, stations);
            type_filter(QString::fromLatin1(q.text.c_str()));
            ASSERT_EQ(error_text(), "") << q.text;
            const std::vector<int> expected = listed(path, q.text);
            EXPECT_EQ(shown(), expected) << q.text;
            EXPECT_EQ(expected, reference_positions(q, stations)) << q.text;
            ++compared;
            nonempty += !expected.empty();
        }
    }
    EXPECT_GT(nonempty, compared / 4);
}

TEST_F(Station_filter_test, AWrongQueryKeepsTheRowsAndSaysWhere) {
    ASSERT_TRUE(window->open_file(example));
    type_filter("uranine");
    const std::vector<int> before = shown();
    ASSERT_FALSE(before.empty());
    type_filter("uranine)");
    EXPECT_EQ(shown(), before);
    EXPECT_EQ(error_text(), "Not applied: unexpected ')' at character 8");
    EXPECT_EQ(filter()->accessibleDescription().toStdString(), error_text());
    EXPECT_TRUE(messages.empty()); // no message box
    // A character no station text can hold is said the same way.
    type_filter(QString::fromUtf8("\xe2\x82\xac")); // the euro sign
    EXPECT_EQ(shown(), before);
    EXPECT_NE(error_text().find("at character 1"), std::string::npos) << error_text();
    type_filter("orbe");
    EXPECT_EQ(error_text(), "");
    EXPECT_TRUE(filter()->accessibleDescription().startsWith("1 of 5 stations"));
}

TEST_F(Station_filter_test, TheCountSaysShownOfAllWithGroupSeparators) {
    Tsetup& setup = window->document();
    setup.clear();
    for (int i = 0; i < 5000; ++i) {
        auto* s = new Tstation;
        s->id = i;
        setup.stations.append(s);
    }
    window->refresh(true);
    EXPECT_EQ(count_text(), "5,000 stations");
    type_filter("id:100-136");
    EXPECT_EQ(count_text(), "37 of 5,000 stations");
    type_filter("id:-5");
    EXPECT_EQ(count_text(), "0 of 5,000 stations");
    EXPECT_FALSE(grid()->horizontalHeader()->isHidden()); // the header stays to sort by
}

TEST_F(Station_filter_test, HeaderClicksSortUpDownThenFileOrderAndNeverTheFile) {
    ASSERT_TRUE(window->open_file(example));
    const std::vector<int32_t> in_file = file_ids();
    ASSERT_EQ(in_file, (std::vector<int32_t>{101, 102, 203, 304, -1}));
    QHeaderView* header = grid()->horizontalHeader();
    click_header(Station_grid_model::ID);
    EXPECT_EQ(shown_ids(), (std::vector<int32_t>{-1, 101, 102, 203, 304})); // as numbers
    EXPECT_TRUE(header->isSortIndicatorShown());
    EXPECT_EQ(header->sortIndicatorSection(), Station_grid_model::ID);
    click_header(Station_grid_model::ID);
    EXPECT_EQ(shown_ids(), (std::vector<int32_t>{304, 203, 102, 101, -1}));
    click_header(Station_grid_model::ID);
    EXPECT_EQ(shown_ids(), in_file);
    EXPECT_FALSE(header->isSortIndicatorShown());
    // Memory as numbers, largest first on the second click; the spare's 0 last.
    click_header(Station_grid_model::MEMORY);
    click_header(Station_grid_model::MEMORY);
    std::vector<int> bytes;
    for (int row = 0; row < model()->station_count(); ++row)
        bytes.push_back(
            model()->index(row, Station_grid_model::MEMORY).data(Station_grid_model::NUMBER_ROLE).toInt());
    EXPECT_TRUE(std::is_sorted(bytes.rbegin(), bytes.rend()));
    EXPECT_EQ(bytes.back(), 0);
    EXPECT_EQ(file_ids(), in_file);
    EXPECT_FALSE(window->is_modified()); // sorting and filtering are no change of the document
}

TEST_F(Station_filter_test, SelectionAndCurrentFollowTheirStationsThroughSortAndFilter) {
    ASSERT_TRUE(window->open_file(example));
    grid()->selectionModel()->setCurrentIndex(
        model()->index(row_of_id(304), 2), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    grid()->selectionModel()->select(model()->index(row_of_id(102), 0),
                                     QItemSelectionModel::Select | QItemSelectionModel::Rows);
    click_header(Station_grid_model::ID);
    click_header(Station_grid_model::ID);
    EXPECT_EQ(selected_ids(), (std::vector<int32_t>{102, 304}));
    EXPECT_EQ(model()->station_at(grid()->currentIndex().row())->id, 304);
    EXPECT_EQ(grid()->currentIndex().column(), 2);
    // Typed a key at a time: "id:3" hides 304 for a keystroke, and "id:300-400" shows it selected again.
    type_filter("id:300-400");
    EXPECT_EQ(selected_ids(), (std::vector<int32_t>{304}));
    ASSERT_TRUE(grid()->currentIndex().isValid());
    EXPECT_EQ(model()->station_at(grid()->currentIndex().row())->id, 304);
    type_filter("");
    EXPECT_EQ(selected_ids(), (std::vector<int32_t>{102, 304}));
    // A command acts on the stations selected, whatever the view: it shows 304 above 203, Delete takes
    // both, and undo puts them back in their places in the file.
    type_filter("id:200-400");
    select_rows(0, 1);
    ASSERT_EQ(shown_ids(), (std::vector<int32_t>{304, 203}));
    click("Button6");
    EXPECT_EQ(file_ids(), (std::vector<int32_t>{101, 102, -1}));
    action("Undo1")->trigger();
    EXPECT_EQ(file_ids(), (std::vector<int32_t>{101, 102, 203, 304, -1}));
}

TEST_F(Station_filter_test, CtrlFFindsTheBoxEscapeClearsDownGoesToTheList) {
    ASSERT_TRUE(window->open_file(example)); // Open shows the COM ports page
    window->show();
    QApplication::setActiveWindow(window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    edit("ed_COM_direct")->setFocus();
    QTest::keySequence(QApplication::focusWidget(), QKeySequence::Find);
    EXPECT_EQ(find<QTabWidget>("PageControl1")->currentIndex(), 1);
    EXPECT_EQ(QApplication::focusWidget(), filter());
    QTest::keyClicks(filter(), "orbe");
    EXPECT_EQ(model()->station_count(), 1);
    // Ctrl+F again selects the text, so typing replaces it.
    grid()->setFocus();
    QTest::keySequence(grid(), QKeySequence::Find);
    EXPECT_EQ(filter()->selectedText(), "orbe");
    QTest::keyClick(filter(), Qt::Key_Escape);
    EXPECT_EQ(filter()->text(), "");
    EXPECT_EQ(model()->station_count(), 5);
    QTest::keyClick(filter(), Qt::Key_Down);
    EXPECT_EQ(QApplication::focusWidget(), grid());
    EXPECT_TRUE(grid()->currentIndex().isValid());
    window->hide();
}

TEST_F(Station_filter_test, MemoryProblemsAndSharedMarksInTheCells) {
    const std::string path = write_setup(
        "shared.xml", "<SETUP><STATIONS><STATION id='7' phone_nbr='+1'/><STATION id='8x' phone_nbr='+2'/>"
                      "<STATION id='7' phone_nbr='+3'/><STATION id='9' phone_nbr='+2'/></STATIONS></SETUP>");
    {
        Trace_capture quiet;
        ASSERT_TRUE(window->open_file(path));
    }
    const auto cell = [this](int row, int column, int role = Qt::DisplayRole) {
        return model()->index(row, column).data(role).toString();
    };
    const QString mark = QString::fromUtf8(" \u26a0");
    EXPECT_EQ(cell(0, Station_grid_model::ID), "7" + mark);
    EXPECT_EQ(cell(0, Station_grid_model::ID, Qt::ToolTipRole), "ID 7 is shared with another station");
    EXPECT_EQ(cell(0, Station_grid_model::ID, Qt::AccessibleTextRole), "7, shared with another station");
    EXPECT_EQ(cell(0, Station_grid_model::PHONE), "+1");
    EXPECT_EQ(cell(1, Station_grid_model::PHONE), "+2" + mark);
    EXPECT_EQ(cell(1, Station_grid_model::ID), "8");
    EXPECT_EQ(cell(0, Station_grid_model::MEMORY), "0 of 223");
    // Station 2's id is no clean number, and 3 repeats an id: a reading note each.
    EXPECT_EQ(cell(0, Station_grid_model::PROBLEMS), "");
    EXPECT_EQ(cell(0, Station_grid_model::PROBLEMS, Qt::AccessibleTextRole), "no reading notes");
    EXPECT_EQ(cell(1, Station_grid_model::PROBLEMS), "1");
    type_filter("dup");
    EXPECT_EQ(shown(), (std::vector<int>{1, 2, 3, 4}));
    type_filter("problem");
    EXPECT_EQ(shown(), (std::vector<int>{2, 3}));
}

TEST_F(Station_filter_test, AnEditedOrAddedStationStaysShownUntilTheFilterChanges) {
    ASSERT_TRUE(window->open_file(example));
    type_filter("boudry OR orbe");
    ASSERT_EQ(shown(), (std::vector<int>{1, 2}));
    // Station 1 loses the word and takes station 2's id: still shown, and both now marked as shared.
    Tstation* first = model()->station_at(0);
    std::snprintf(first->description, sizeof first->description, "Areuse");
    first->id = 102;
    model()->station_changed(0);
    EXPECT_EQ(shown(), (std::vector<int>{1, 2}));
    EXPECT_TRUE(model()->facts().at(1).duplicate_id);
    EXPECT_TRUE(model()->index(1, Station_grid_model::ID).data().toString().startsWith("102 "));
    // An added one that does not match, kept visible after the document's change.
    auto* added = new Tstation;
    added->id = 900;
    window->document().stations.append(added);
    window->refresh(true);
    model()->keep_visible(added);
    EXPECT_EQ(shown(), (std::vector<int>{1, 2, 6}));
    EXPECT_EQ(count_text(), "3 of 6 stations");
    type_filter("boudry OR orbe ");
    EXPECT_EQ(shown(), (std::vector<int>{2}));
    EXPECT_EQ(model()->row_of_position(0), -1);
    EXPECT_EQ(model()->row_of_position(1), 0);
    EXPECT_EQ(model()->row_of_position(5), -1);
}
