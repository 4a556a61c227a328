// The Stations grid follows each step (edit, add, duplicate, delete, undo, redo) row by row: the rows it
// keeps are those a fresh fill gives, and the user's selection and scroll position survive the step, in
// file order, under a filter and under a sort.
#include <QHeaderView>
#include <QTest>
#include <cstdio>
#include <functional>
#include <random>

#include "Lib_text.h"
#include "Station.h"
#include "gui_fixture.h"
#include "random_documents.h"

namespace {

class Station_grid_steps_test : public Gui_test {
  protected:
    void show_window() {
        window->resize(900, 600);
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    }
    // The document's stations made here, then shown as Open shows a file.
    void make_document(const std::vector<Tstation>& stations) {
        for (const Tstation& s : stations)
            window->document().stations.append(new Tstation(s));
        window->refresh(false);
    }

    struct Row {
        const Tstation* station;
        QStringList cells;
        bool operator==(const Row& o) const { return station == o.station && cells == o.cells; }
    };
    std::vector<Row> rows() const {
        std::vector<Row> out;
        for (int r = 0; r < model()->rowCount(); ++r) {
            Row row{model()->station_at(r), {}};
            for (int c = 0; c < Station_grid_model::COLUMNS; ++c)
                row.cells << model()->index(r, c).data(Qt::DisplayRole).toString();
            out.push_back(row);
        }
        return out;
    }
    const Tstation* top() const { return model()->station_at(grid()->rowAt(0)); }
    const Tstation* current() const { return model()->station_at(grid()->currentIndex().row()); }
    std::vector<const Tstation*> selected() const {
        std::vector<const Tstation*> out;
        for (const QModelIndex& index : grid()->selectionModel()->selectedRows())
            out.push_back(model()->station_at(index.row()));
        std::sort(out.begin(), out.end());
        return out;
    }
    void sort_by(int column, Qt::SortOrder order) {
        QHeaderView* header = grid()->horizontalHeader();
        const QPoint at(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                        header->height() / 2);
        // Ascending, descending, file order: at most three clicks to any of them.
        for (int clicks = 0; clicks < 3 && (model()->order_column() != column || model()->order() != order);
             ++clicks)
            QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier, at);
        ASSERT_EQ(model()->order_column(), column);
        ASSERT_EQ(model()->order(), order);
    }
    void set_editor(std::function<void(Tstation*)> change, bool ok = true) {
        window->set_station_editor([change, ok](Tstation* s, bool) {
            if (ok) change(s);
            return ok;
        });
    }
};

void set_text(char* field, size_t size, const std::string& text) {
    copy_text(field, text.c_str(), static_cast<int>(size));
}

} // namespace

TEST_F(Station_grid_steps_test, AfterRandomStepsTheRowsAreThoseOfAFreshFill) {
    show_window();
    std::mt19937 rng(20261217);
    // Few IDs and phone numbers, so that steps make and break the shared marks (and the dup filter).
    const auto crowd = [&rng](Tstation* s) {
        s->id = static_cast<int32_t>(1 + rng() % 12);
        static const char* const phones[] = {"", "+41 1", "+41 2", "+41 3"};
        set_text(s->phone_nbr, sizeof s->phone_nbr, phones[rng() % 4]);
        static const char* const words[] = {"alpha", "beta", "gamma alpha", "delta", "Alpha 2", "alpha 10"};
        set_text(s->description, sizeof s->description, words[rng() % 6]);
    };
    std::vector<Tstation> stations;
    for (int i = 0; i < 40; ++i) {
        stations.push_back(random_station(rng));
        crowd(&stations.back());
    }
    make_document(stations);
    const char* const filters[] = {"", "dup", "alpha", "id:3-8", "-beta"};
    int steps = 0;
    for (int round = 0; round < 120; ++round) {
        const int what = static_cast<int>(rng() % 10);
        std::string step;
        if (what == 0) {
            const char* f = filters[rng() % 5];
            step = std::string("filter ") + f;
            edit("ed_filter")->setText(f);
        } else if (what == 1) {
            const int column = static_cast<int>(rng() % 5); // ID, phone, PIN, memory, problems
            step = "sort " + std::to_string(column);
            sort_by(column == 4 ? Station_grid_model::DESCRIPTION : column,
                    rng() % 2 ? Qt::AscendingOrder : Qt::DescendingOrder);
        } else {
            if (model()->station_count() > 0 && !model()->is_header_row(0)) {
                const int first = static_cast<int>(rng() % static_cast<unsigned>(model()->station_count()));
                const int last = std::min(model()->station_count() - 1, first + static_cast<int>(rng() % 3));
                select_rows(first, what == 4 ? last : first);
            }
            set_editor(crowd, rng() % 5 != 0);
            switch (what) {
            case 2:
            case 3:
                step = "edit";
                window->Button7Click();
                break;
            case 4:
                step = "delete";
                window->Button6Click();
                break;
            case 5:
                step = "add";
                window->Button5Click();
                break;
            case 6:
                step = "duplicate";
                window->Button8Click();
                break;
            case 7:
            case 8:
                step = "undo";
                window->Undo1Click();
                break;
            default:
                step = "redo";
                window->Redo1Click();
                break;
            }
            ++steps;
        }
        QApplication::processEvents();
        const std::string when = "round " + std::to_string(round) + ", " + step;
        ASSERT_EQ(model()->total_count(), window->document().stations.list.count()) << when;
        const std::vector<Row> followed = rows();
        model()->fill(window->document());
        const std::vector<Row> filled = rows();
        ASSERT_EQ(followed.size(), filled.size()) << when;
        for (size_t r = 0; r < filled.size(); ++r) {
            ASSERT_EQ(followed[r].station, filled[r].station) << when << ", row " << r;
            ASSERT_EQ(followed[r].cells, filled[r].cells) << when << ", row " << r;
        }
    }
    EXPECT_GT(steps, 80);
}

TEST_F(Station_grid_steps_test, SelectionAndScrollPositionSurviveEachStep) {
    show_window();
    std::vector<Tstation> stations(400);
    for (int i = 0; i < 400; ++i) {
        stations[static_cast<size_t>(i)].id = 1000 + i;
        // Descriptions in another order than the file's, for the sort.
        set_text(stations[static_cast<size_t>(i)].description, sizeof stations[0].description,
                 "site " + std::to_string((i * 7919) % 400 + 1000));
    }
    make_document(stations);
    for (int view = 0; view < 3; ++view) {
        const std::string mode = view == 0 ? "file order" : view == 1 ? "filter" : "sort";
        if (view == 1) edit("ed_filter")->setText("id:1000-1349");
        if (view == 2) {
            edit("ed_filter")->clear();
            sort_by(Station_grid_model::DESCRIPTION, Qt::DescendingOrder);
        }
        QApplication::processEvents();
        grid()->scrollTo(model()->index(150, 0), QAbstractItemView::PositionAtTop);
        QApplication::processEvents();
        const Tstation* first_visible = top();
        ASSERT_NE(first_visible, nullptr) << mode;
        ASSERT_GT(grid()->rowAt(0), 100) << mode;
        grid()->selectRow(grid()->rowAt(0) + 5);
        const Tstation* chosen = current();
        ASSERT_NE(chosen, nullptr);
        const auto expect_kept = [&](const Tstation* selected_station, const std::string& step) {
            QApplication::processEvents();
            EXPECT_EQ(top(), first_visible) << mode << ", " << step << ": the view scrolled";
            EXPECT_EQ(current(), selected_station) << mode << ", " << step;
            EXPECT_EQ(selected(), std::vector<const Tstation*>{selected_station}) << mode << ", " << step;
        };

        // OK in the editor: the description changes, which moves the station under the sort.
        set_editor([](Tstation* s) { set_text(s->description, sizeof s->description, "site 0999 edited"); });
        window->Button7Click();
        expect_kept(chosen, "edit");
        window->Undo1Click();
        expect_kept(chosen, "undo of the edit");
        window->Redo1Click();
        expect_kept(chosen, "redo of the edit");
        window->Undo1Click();
        // Cancel changes nothing.
        set_editor([](Tstation*) {}, false);
        window->Button7Click();
        expect_kept(chosen, "cancel");

        // Delete: the row taking the deleted one's place is selected.
        const int row = grid()->currentIndex().row();
        const Tstation* next = model()->station_at(row + 1);
        window->Button6Click();
        expect_kept(next, "delete");
        window->Undo1Click();
        expect_kept(next, "undo of the delete");
        window->Redo1Click();
        expect_kept(next, "redo of the delete");
        window->Undo1Click();

        // Add and Duplicate select the new station; the stations seen at the top stay there while it
        // lands out of sight below them.
        set_editor([](Tstation* s) { set_text(s->description, sizeof s->description, "site 0000 new"); });
        window->Button5Click();
        QApplication::processEvents();
        ASSERT_NE(current(), nullptr) << mode;
        EXPECT_STREQ(current()->description, "site 0000 new") << mode;
        EXPECT_EQ(selected(), std::vector<const Tstation*>{current()}) << mode;
        window->Undo1Click();
        grid()->scrollTo(model()->index(model()->row_of_station(first_visible), 0),
                         QAbstractItemView::PositionAtTop);
        grid()->selectRow(model()->row_of_station(next));
        set_editor([](Tstation*) {});
        window->Button8Click();
        QApplication::processEvents();
        ASSERT_NE(current(), nullptr) << mode;
        EXPECT_NE(current(), next) << mode;
        EXPECT_EQ(std::string(current()->description).rfind(next->description, 0), 0u)
            << mode << ": the copy is selected, not " << current()->description;
        EXPECT_EQ(top(), first_visible) << mode << ", duplicate";
        // Undo takes the selected copy away: the row it stood in is selected, as after Delete.
        const int copy_row = grid()->currentIndex().row();
        const Tstation* after_copy = model()->station_at(copy_row + 1);
        window->Undo1Click();
        expect_kept(after_copy, "undo of the duplicate");
    }
}

namespace {

// Counts the paint events a widget gets.
class Paint_counter : public QObject {
  public:
    explicit Paint_counter(QWidget* watched) { watched->installEventFilter(this); }
    int paints = 0;

  protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++paints;
        return false;
    }
};

} // namespace

TEST_F(Station_grid_steps_test, AStepPaintsTheListAndItsCountNotThePage) {
    show_window();
    std::vector<Tstation> stations(120);
    for (size_t i = 0; i < stations.size(); ++i)
        stations[i].id = 500 + static_cast<int32_t>(i);
    make_document(stations);
    edit("ed_filter")->setText("id:500-599"); // the count says "100 of 120 stations"
    QApplication::processEvents();
    auto* count = find<QLabel>("lb_filter_count");
    // The filter box is left out: its clear button fades in for a while after the filter is typed.
    Paint_counter filter_label(find<QLabel>("lb_filter")), add_button(find<QPushButton>("Button5"));
    set_editor([](Tstation* s) { set_text(s->description, sizeof s->description, "edited"); });
    const auto step = [&](const char* name, const std::function<void()>& handler, int row = 40) {
        grid()->selectRow(row);
        for (int turn = 0; turn < 5; ++turn)
            QApplication::processEvents();
        filter_label.paints = add_button.paints = 0;
        handler();
        // Laying out and painting take more than one turn of the event loop.
        for (int turn = 0; turn < 5; ++turn)
            QApplication::processEvents();
        // Only what changed is painted: the rows and the count, not the filter's label or the buttons (a
        // new count laid the whole page out again, and every step painted it whole).
        EXPECT_EQ(filter_label.paints, 0) << name;
        EXPECT_EQ(add_button.paints, 0) << name;
        // The count is never cut.
        EXPECT_GE(count->width(), count->sizeHint().width()) << name << ": " << count->text().toStdString();
    };
    step("edit", [&] { window->Button7Click(); });
    step("delete", [&] { window->Button6Click(); });
    EXPECT_EQ(count->text(), "99 of 119 stations");
    step("undo", [&] { window->Undo1Click(); });
    step("duplicate", [&] { window->Button8Click(); }); // the copy's ID, 620, is outside the filter
    EXPECT_EQ(count->text(), "101 of 121 stations");
    // Fewer than 10 rows shown: a shorter count, in the width the longer one had.
    edit("ed_filter")->setText("id:500-508");
    QApplication::processEvents();
    step(
        "delete of one of nine", [&] { window->Button6Click(); }, 4);
    EXPECT_EQ(count->text(), "8 of 120 stations");
    edit("ed_filter")->clear(); // "120 stations"
    QApplication::processEvents();
    EXPECT_GE(count->width(), count->sizeHint().width());
}
