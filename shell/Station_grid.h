// The station grid as a model over the station list: each row bound to its Tstation.
#pragma once

#include <QAbstractTableModel>
#include <vector>

class Tstation;
class Tstations;

class Station_grid_model : public QAbstractTableModel {
    Q_OBJECT
  public:
    explicit Station_grid_model(QObject* parent = nullptr);

    // Rebuilds the rows from the list, in list order. Before the first fill the grid shows empty rows
    // bound to no station and no header texts. Filled from an empty list, it shows the header texts in
    // one ordinary row bound to no station, since a fixed header needs a station row below it.
    void fill(Tstations& stations);
    bool filled() const { return filled_; }

    // The station bound to a row, or null.
    Tstation* station_at(int row) const;
    // Whether the row is the header texts' ordinary row of an empty list.
    bool is_header_row(int row) const { return filled_ && rows_.empty() && row == 0; }
    int station_count() const { return static_cast<int>(rows_.size()); }
    // The file position (from 0) of a row's station, or -1; the row of a file position, or -1.
    int position_at(int row) const { return station_at(row) != nullptr ? row : -1; }
    int row_of_position(int position) const {
        return position >= 0 && position < station_count() ? position : -1;
    }
    // The station stays shown while the filter stays as it is (an edited or added one).
    void keep_visible(const Tstation*) {}
    // The station at this file position was edited in place: its row is shown again.
    void station_changed(int position);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    static constexpr int COLUMNS = 4;
    static constexpr int EMPTY_ROWS = 4; // what the grid shows before it was ever filled
    static const int column_widths[COLUMNS];

  private:
    std::vector<Tstation*> rows_;
    bool filled_ = false;
};
