// The station grid as a model over the fleet: the document's stations in file order with their facts, and
// the rows shown, which a filter query picks and a column orders. Neither ever changes the document.
#pragma once

#include <QAbstractTableModel>
#include <QString>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "Document_history.h"
#include "Row_map.h"
#include "Station_facts.h"
#include "Station_order.h"
#include "Station_query.h"

class Tsetup;
class Tstation;

class Station_grid_model : public QAbstractTableModel {
    Q_OBJECT
  public:
    enum Column { ID, PHONE, PIN, MEMORY, PROBLEMS, TEMPLATE, DESCRIPTION };
    static constexpr int COLUMNS = 7;
    static constexpr int EMPTY_ROWS = 4; // what the grid shows before it was ever filled
    static const int column_widths[COLUMNS];
    // The memory used as a number (the memory column's bar); the problems as a number too.
    static constexpr int NUMBER_ROLE = Qt::UserRole + 1;

    explicit Station_grid_model(QObject* parent = nullptr);

    // Takes the document's stations and reads their facts again (a change of the document: about 1.5 us a
    // station; the channels each page measures, 6 us a station more, are read afterwards a slice at a time
    // while the event loop is idle, or at once when a query names a channel first), then shows them through
    // the filter and order in force. Before the first fill the grid shows empty rows bound to no station and
    // no header texts. Filled from an empty list, it shows the header texts in one ordinary row bound to no
    // station, since a fixed header needs a station row below it.
    void fill(Tsetup& setup);
    bool filled() const { return filled_; }
    // Where the template library comes from when the template column or a query (template:, drift) first
    // needs it; the library is kept until the next set_library_source or forget_library.
    void set_library_source(std::function<std::shared_ptr<const Template_library>()> source) {
        library_source_ = std::move(source);
    }
    // Reads the library (again) and matches every station with it; false when there is none.
    bool load_library();
    void forget_library();
    bool has_library() const { return library_ != nullptr; }
    // Whether every station's channels are read (the slices of reading after a fill are done).
    bool channels_read() const { return facts_.has_channels(); }
    // Reads the station at this position (from 0) again after an edit of that one record: its facts and
    // the duplicate marks, then the rows. The station stays shown while the filter text stays the same.
    void station_changed(int position);
    // Follows a step of the document's history: the stations it removed, inserted and changed, each read
    // again alone and put in its row (matched by the filter, placed by the order), the rows whose
    // duplicate marks turned told too, without a reset of the model, so that the view keeps its selection
    // and its scroll position. A station changed while shown stays shown, as after station_changed. A step
    // that says everything, one that touches many stations, or one that empties the list or fills an
    // empty one, fills the grid again.
    void follow(const Document_change& change);

    // Shows the stations the query matches; false with *error (where it is wrong) and nothing changed
    // for a query that does not parse. The stations kept visible are forgotten when the text changes.
    bool set_filter(const QString& text, QString* error);
    const QString& filter() const { return filter_text_; }
    // Orders the rows by a column, or in file order for -1.
    void set_order(int column, Qt::SortOrder order);
    int order_column() const { return order_column_; }
    Qt::SortOrder order() const { return order_; }
    // Every station's file position (from 0) in the order shown, hidden ones included: what "Sort into
    // File Order" makes the file's order. Empty while the rows are in file order.
    std::vector<int> ordered_positions() const;
    // An edited or added station stays shown, whatever the filter, until the filter text changes.
    void keep_visible(const Tstation* station);

    // The station bound to a row, or null.
    Tstation* station_at(int row) const;
    // The station at a file position (from 0), shown or not, or null.
    Tstation* station_of(int position) const;
    // The row showing this station, or -1 (a pass over the positions).
    int row_of_station(const Tstation* station) const;
    // The file position (from 0) of a row's station, or -1.
    int position_at(int row) const;
    // The row showing the station at a file position, or -1 when it is hidden (or there is none).
    int row_of_position(int position) const;
    // Whether the row is the header texts' ordinary row of an empty list.
    bool is_header_row(int row) const { return filled_ && stations_.empty() && row == 0; }
    int station_count() const { return rows_.rows(); } // rows shown
    int total_count() const { return static_cast<int>(stations_.size()); }
    const Fleet_facts& facts() const { return facts_; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // A step touching more stations than this fills the grid again: one row signal per station would cost
    // more than the reset.
    static constexpr size_t FOLLOWED_STATIONS = 256;

  private:
    // The rows again from the facts, the query, the stations kept and the order.
    void show_rows();
    // Whether the station at a position is shown: the query takes it, or it is kept visible.
    bool wanted(int position) const;
    // The row a station takes among the rows (by file position, or by the order in force), the row skip
    // (its own, or -1) left out.
    int row_for(int position, int skip) const;
    // Rows added, moved or taken away one station at a time, with the signals a view keeps its selection
    // and scroll position through.
    void insert_row(int position);
    void remove_row(int row);
    void place_changed_row(int row);
    void remove_stations(const std::vector<int>& positions);
    // False when the document has no station at one of the positions.
    bool insert_stations(const std::vector<int>& positions);
    // The stations whose duplicate marks the last read of facts turned, kept for the end of a follow by
    // their positions, which the stations inserted after it move on.
    void note_turned();
    // After the facts changed: the station's row shown, hidden or moved as the filter and order say now.
    void restate(int position, bool keep_shown);

    Tsetup* setup_ = nullptr;
    std::vector<Tstation*> stations_; // the document's, in file order
    Fleet_facts facts_;
    Station_query query_;
    QString filter_text_;
    int order_column_ = -1;
    Qt::SortOrder order_ = Qt::AscendingOrder;
    std::unordered_set<const Tstation*> kept_;
    std::vector<int> turned_; // positions
    Row_map rows_;            // each row's file position, and each file position's row
    bool filled_ = false;
    QTimer channel_reader_; // the next slice of the channels' reading
    std::function<std::shared_ptr<const Template_library>()> library_source_;
    std::shared_ptr<const Template_library> library_;
    bool library_tried_ = false;
};
