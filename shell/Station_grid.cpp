// The station grid model. Cells are read from the records when shown, so filling costs one pass over the
// list whatever its length.
#include "Station_grid.h"

#include "Station.h"
#include "Text_bridge.h"

const int Station_grid_model::column_widths[COLUMNS] = {50, 70, 50, 250};

namespace {
const char* const header_texts[Station_grid_model::COLUMNS] = {"ID", "Phone Number", "PIN code",
                                                               "Description"};
}

Station_grid_model::Station_grid_model(QObject* parent) : QAbstractTableModel(parent) {}

void Station_grid_model::fill(Tstations& stations) {
    beginResetModel();
    rows_.clear();
    for_each_item<Tstation>(stations.list, [this](Tstation& s) { rows_.push_back(&s); });
    filled_ = true;
    endResetModel();
}

void Station_grid_model::station_changed(int position) {
    const int row = row_of_position(position);
    if (row >= 0) emit dataChanged(index(row, 0), index(row, COLUMNS - 1));
}

Tstation* Station_grid_model::station_at(int row) const {
    if (row < 0 || row >= static_cast<int>(rows_.size())) return nullptr;
    return rows_[static_cast<size_t>(row)];
}

int Station_grid_model::rowCount(const QModelIndex& parent) const {
    if (parent.isValid()) return 0;
    if (!filled_) return EMPTY_ROWS;
    return rows_.empty() ? 1 : static_cast<int>(rows_.size());
}

int Station_grid_model::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : COLUMNS;
}

QVariant Station_grid_model::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole) return QVariant();
    if (is_header_row(index.row()) && index.column() >= 0 && index.column() < COLUMNS)
        return header_texts[index.column()];
    const Tstation* s = station_at(index.row());
    if (s == nullptr) return QVariant();
    switch (index.column()) {
    case 0:
        return QString::number(s->id);
    case 1:
        return to_qstring(s->phone_nbr);
    case 2:
        return to_qstring(s->pin);
    default:
        return to_qstring(s->description);
    }
}

QVariant Station_grid_model::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= COLUMNS ||
        !filled_)
        return QVariant();
    return header_texts[section];
}

Qt::ItemFlags Station_grid_model::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    return Qt::ItemIsSelectable | Qt::ItemIsEnabled; // cells are read-only
}
