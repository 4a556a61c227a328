// The Stations page's view of the fleet: the filter box with its count, the header's sort clicks, the
// memory column's bar, and the selection and current station kept by station through every change of the
// rows shown.
#pragma once

#include <QObject>
#include <unordered_set>

class QAction;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QTableView;
class QWidget;
class Station_grid_model;
class Tsetup;
struct Document_change;
class Tstation;

class Station_list_view : public QObject {
    Q_OBJECT
  public:
    // Sets the grid up over the model and makes the filter row (its widgets children of parent) and the
    // Find action of window (Ctrl+F: the filter box, from anywhere in the window).
    Station_list_view(QTableView* grid, Station_grid_model* model, QWidget* parent, QWidget* window);

    QHBoxLayout* filter_row() const { return row_; }
    QLineEdit* filter_box() const { return filter_; }
    QAction* find_action() const { return find_; }

    // The model filled from the document, the selected stations and the current one kept.
    void fill(Tsetup& setup);
    // One station edited in place (position from 0): its facts again, the selection kept.
    void station_changed(int position);
    // A step of the document's history followed row by row (a fill when the step says everything): the
    // selected stations stay selected, the current one current, and the station at the top of the view
    // stays at the top while it is shown.
    void follow(const Document_change& change);
    // Ctrl+F: the filter box focused with its text selected.
    void focus_filter();
    // Orders the rows by a column (-1: file order) as header clicks do, the header's mark with them: the
    // way the keyboard sorts.
    void sort_by(int column, Qt::SortOrder order);

  signals:
    // Before the filter box takes the focus: the window shows the page the grid is on.
    void filter_wanted();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void filter_changed(const QString& text);
    void header_clicked(int column);
    void show_count();
    // The station at the top of the view, and the view scrolled so that it is at the top again.
    const Tstation* top_station() const;
    void scroll_to_top(const Tstation* station);
    // The stations the user selected and the current one, as they are now.
    void remember_selection();
    // After any reset of the model (a fill, a filter, an order, a station kept visible): the remembered
    // stations selected again, the current one current, where they are shown, and the count.
    void restore_selection();

    QTableView* grid_;
    Station_grid_model* model_;
    QHBoxLayout* row_ = nullptr;
    QLineEdit* filter_ = nullptr;
    QLabel* count_ = nullptr;
    QLabel* error_ = nullptr;
    QAction* find_ = nullptr;
    // What the user selected last: a station hidden by one keystroke of a query is selected again when a
    // later one shows it. Never a station the view does not show: commands act on the selection.
    std::unordered_set<const Tstation*> selected_;
    const Tstation* current_ = nullptr;
    int current_column_ = 0;
    bool restoring_ = false;
};
