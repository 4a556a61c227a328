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
    // The file position (from 0) of a row's station, or -1.
    int position_at(int row) const;
    // The row showing the station at a file position, or -1 when it is hidden (or there is none).
    int row_of_position(int position) const;
    // Whether the row is the header texts' ordinary row of an empty list.
    bool is_header_row(int row) const { return filled_ && stations_.empty() && row == 0; }
    int station_count() const { return static_cast<int>(rows_.size()); } // rows shown
    int total_count() const { return static_cast<int>(stations_.size()); }
    const Fleet_facts& facts() const { return facts_; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

  private:
    // The rows again from the facts, the query, the stations kept and the order.
    void show_rows();

    Tsetup* setup_ = nullptr;
    std::vector<Tstation*> stations_; // the document's, in file order
    Fleet_facts facts_;
    Station_query query_;
    QString filter_text_;
    int order_column_ = -1;
    Qt::SortOrder order_ = Qt::AscendingOrder;
    std::unordered_set<const Tstation*> kept_;
    std::vector<int> rows_;   // the file position of each row's station
    std::vector<int> row_of_; // per file position, its row or -1
    bool filled_ = false;
    QTimer channel_reader_; // the next slice of the channels' reading
    std::function<std::shared_ptr<const Template_library>()> library_source_;
    std::shared_ptr<const Template_library> library_;
    bool library_tried_ = false;
};
