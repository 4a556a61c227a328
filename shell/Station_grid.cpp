// The station grid model. The facts are read once per change of the document; a filter or an order only
// picks and orders positions, so a keystroke in the filter box costs a pass over small records.
#include "Station_grid.h"

#include <algorithm>
#include <iterator>

#include "Eeprom_configurer.h"
#include "Setup.h"
#include "Station.h"
#include "Station_query.h"
#include "Template_library.h"
#include "Text_bridge.h"

const int Station_grid_model::column_widths[COLUMNS] = {50, 70, 50, 80, 60, 110, 250};

namespace {

const char* const header_texts[Station_grid_model::COLUMNS] = {
    "ID", "Phone Number", "PIN code", "Memory", "Problems", "Template", "Description"};
const Sort_key column_keys[Station_grid_model::COLUMNS] = {
    Sort_key::ID,       Sort_key::PHONE,       Sort_key::PIN,        Sort_key::BYTES,
    Sort_key::PROBLEMS, Sort_key::DESCRIPTION, Sort_key::DESCRIPTION}; // the template column is not sorted

// The mark of a shared ID or phone number: seen without colour, and said by the cell's spoken text.
const QString shared_mark = QString::fromUtf8(" \u26a0");

} // namespace

namespace {
// Stations whose channels are read in one turn of the event loop: about 12 ms, which typing does not feel.
constexpr size_t CHANNEL_SLICE = 2000;
} // namespace

Station_grid_model::Station_grid_model(QObject* parent) : QAbstractTableModel(parent) {
    channel_reader_.setSingleShot(true);
    channel_reader_.setInterval(0);
    connect(&channel_reader_, &QTimer::timeout, this, [this] {
        if (!facts_.add_channels_of(stations_, CHANNEL_SLICE)) channel_reader_.start();
    });
}

void Station_grid_model::fill(Tsetup& setup) {
    setup_ = &setup;
    stations_.clear();
    std::unordered_set<const Tstation*> still_there; // a station kept visible may be gone
    for_each_item<Tstation>(setup.stations.list, [&](Tstation& s) {
        stations_.push_back(&s);
        if (kept_.count(&s) > 0) still_there.insert(&s);
    });
    kept_.swap(still_there);
    facts_.set_reading_channels(query_.names_channels());
    facts_.build(setup, nullptr, query_.controls(), library_.get());
    if (facts_.has_channels())
        channel_reader_.stop();
    else
        channel_reader_.start();
    filled_ = true;
    show_rows();
}

void Station_grid_model::station_changed(int position) {
    if (position < 0 || position >= total_count()) return;
    Document_change change;
    change.changed.push_back(position);
    follow(change);
}

namespace {

bool ascending_within(const std::vector<int>& positions, int count) {
    for (size_t i = 0; i < positions.size(); ++i)
        if (positions[i] < 0 || positions[i] >= count || (i > 0 && positions[i] <= positions[i - 1]))
            return false;
    return true;
}

} // namespace

void Station_grid_model::follow(const Document_change& change) {
    if (change.none() || setup_ == nullptr) return;
    const size_t touched = change.removed.size() + change.inserted.size() + change.changed.size();
    const int after =
        total_count() - static_cast<int>(change.removed.size()) + static_cast<int>(change.inserted.size());
    // An empty list shows the header texts in a row of their own: a change to or from none fills.
    if (!filled_ || change.everything || touched > FOLLOWED_STATIONS || stations_.empty() || after <= 0 ||
        !ascending_within(change.removed, total_count()) || !ascending_within(change.inserted, after) ||
        !ascending_within(change.changed, after)) {
        fill(*setup_);
        return;
    }
    turned_.clear();
    remove_stations(change.removed);
    if (!insert_stations(change.inserted)) {
        fill(*setup_); // the document is not the one the change speaks of
        return;
    }
    for (int position : change.changed) {
        facts_.update(*stations_[static_cast<size_t>(position)], static_cast<size_t>(position));
        note_turned();
        restate(position, true);
    }
    if (turned_.empty()) return;
    // The stations whose ID or phone number turned shared or single: their marks, and with a filter
    // (dup) whether they are shown.
    std::sort(turned_.begin(), turned_.end());
    turned_.erase(std::unique(turned_.begin(), turned_.end()), turned_.end());
    for (int position : turned_)
        restate(position, false);
    turned_.clear();
}

void Station_grid_model::note_turned() {
    for (size_t i : facts_.marks_changed())
        turned_.push_back(static_cast<int>(i));
}

void Station_grid_model::remove_stations(const std::vector<int>& positions) {
    if (positions.empty()) return;
    // The rows first, while the rows' positions are still those the view knows; runs from the bottom.
    std::vector<int> rows;
    for (int p : positions)
        if (rows_.row_of(p) >= 0) rows.push_back(rows_.row_of(p));
    std::sort(rows.begin(), rows.end());
    for (size_t end = rows.size(); end > 0;) {
        size_t first = end - 1;
        while (first > 0 && rows[first - 1] + 1 == rows[first])
            --first;
        beginRemoveRows(QModelIndex(), rows[first], rows[end - 1]);
        rows_.erase_rows(rows[first], rows[end - 1]);
        endRemoveRows();
        end = first;
    }
    // A record deleted is gone: its address may come back as another station's. The follow starts with
    // the removals, so no turned mark is noted yet.
    for (int p : positions)
        kept_.erase(stations_[static_cast<size_t>(p)]);
    erase_positions(stations_, positions);
    rows_.remove_positions(positions);
    facts_.erase(positions);
    note_turned();
}

bool Station_grid_model::insert_stations(const std::vector<int>& positions) {
    if (positions.empty()) return true;
    // The new records, each found by its position in the list.
    std::vector<Tstation*> added;
    added.reserve(positions.size());
    for (int position : positions) {
        const Tlist::Tnode* node = setup_->stations.list.node_at(position);
        if (node == nullptr || node->item == nullptr || position < 0) return false;
        added.push_back(static_cast<Tstation*>(node->item));
    }
    if (added.size() != positions.size()) return false;
    rows_.insert_positions(positions);
    insert_positions(stations_, positions, added);
    for (size_t i = 0; i < positions.size(); ++i) {
        // Ascending: each goes in where it stands once all are in, moving the marks noted after it.
        const int at = positions[i];
        for (int& p : turned_)
            p += p >= at ? 1 : 0;
        facts_.insert(static_cast<size_t>(at), *stations_[static_cast<size_t>(at)]);
        note_turned();
    }
    for (int p : positions)
        if (wanted(p)) insert_row(p);
    return true;
}

bool Station_grid_model::wanted(int position) const {
    const auto p = static_cast<size_t>(position);
    return station_matches(query_, facts_, p) || kept_.count(stations_[p]) > 0;
}

int Station_grid_model::row_for(int position, int skip) const {
    // The rows without the one skipped (the station's own, when it is shown already) are in order.
    const int count = station_count() - (skip >= 0 ? 1 : 0);
    const auto at = [&](int i) { return rows_.position_at(skip >= 0 && i >= skip ? i + 1 : i); };
    int low = 0, high = count;
    while (low < high) {
        const int middle = low + (high - low) / 2;
        const bool before =
            order_column_ < 0
                ? at(middle) < position
                : station_before(facts_, static_cast<size_t>(at(middle)), static_cast<size_t>(position),
                                 column_keys[order_column_], order_ == Qt::DescendingOrder);
        if (before)
            low = middle + 1;
        else
            high = middle;
    }
    return low;
}

void Station_grid_model::insert_row(int position) {
    const int row = row_for(position, -1);
    beginInsertRows(QModelIndex(), row, row);
    rows_.insert_row(row, position);
    endInsertRows();
}

void Station_grid_model::remove_row(int row) {
    beginRemoveRows(QModelIndex(), row, row);
    rows_.erase_row(row);
    endRemoveRows();
}

void Station_grid_model::place_changed_row(int row) {
    const int position = rows_.position_at(row);
    const int to = order_column_ < 0 ? row : row_for(position, row);
    if (to != row) {
        // Moved, not removed and inserted: the view's selection and current index go with the row.
        beginMoveRows(QModelIndex(), row, row, QModelIndex(), to < row ? to : to + 1);
        rows_.move_row(row, to);
        endMoveRows();
    }
    emit dataChanged(index(to, 0), index(to, COLUMNS - 1));
}

void Station_grid_model::restate(int position, bool keep_shown) {
    const int row = row_of_position(position);
    const Tstation* station = stations_[static_cast<size_t>(position)];
    if (row >= 0 && keep_shown) kept_.insert(station);
    if (row >= 0 && wanted(position))
        place_changed_row(row);
    else if (row >= 0)
        remove_row(row);
    else if (wanted(position))
        insert_row(position);
}

bool Station_grid_model::set_filter(const QString& text, QString* error) {
    if (!is_latin1(text)) {
        for (int i = 0; i < text.size(); ++i)
            if (!is_latin1(text.mid(i, 1))) {
                *error =
                    QString("'%1' at character %2 is in no station's texts").arg(text.mid(i, 1)).arg(i + 1);
                break;
            }
        return false;
    }
    Station_query query;
    std::string problem;
    if (!query.parse(to_latin1(text), &problem)) {
        *error = to_qstring(problem);
        return false;
    }
    if (text != filter_text_) kept_.clear();
    filter_text_ = text;
    query_ = query;
    // A control a query names is read for every station once; later keystrokes find it held.
    bool held = true;
    for (const std::string& name : query_.controls())
        held = held && facts_.control_column(name) >= 0;
    if (!held && setup_ != nullptr) facts_.add_controls(*setup_, query_.controls());
    // Tried once per document view: a library that cannot be read is said once, not at every keystroke.
    if (query_.uses_templates() && library_ == nullptr && !library_tried_ && load_library()) return true;
    // The channels too, once: until a query names one, a change of the document does not read them.
    if (query_.names_channels() && !facts_.has_channels()) {
        facts_.add_channels_of(stations_, stations_.size());
        channel_reader_.stop();
    }
    show_rows();
    return true;
}

void Station_grid_model::set_order(int column, Qt::SortOrder order) {
    order_column_ = column >= 0 && column < COLUMNS && column != TEMPLATE ? column : -1;
    order_ = order;
    show_rows();
}

bool Station_grid_model::load_library() {
    if (!library_source_) return false;
    library_tried_ = true;
    library_ = library_source_();
    if (setup_ != nullptr) fill(*setup_);
    return library_ != nullptr;
}

void Station_grid_model::forget_library() {
    library_.reset();
    if (setup_ != nullptr) fill(*setup_);
}

std::vector<int> Station_grid_model::ordered_positions() const {
    if (!filled_ || order_column_ < 0) return {};
    std::vector<size_t> all(stations_.size());
    for (size_t i = 0; i < all.size(); ++i)
        all[i] = i;
    all = sorted_stations(facts_, std::move(all), column_keys[order_column_], order_ == Qt::DescendingOrder);
    return std::vector<int>(all.begin(), all.end());
}

void Station_grid_model::keep_visible(const Tstation* station) {
    if (station == nullptr) return;
    kept_.insert(station);
    // A station the grid does not hold yet (just added to the document) is shown when the step is followed.
    if (!filled_) return;
    for (size_t p = 0; p < stations_.size(); ++p)
        if (stations_[p] == station) {
            if (rows_.row_of(static_cast<int>(p)) < 0) insert_row(static_cast<int>(p));
            return;
        }
}

void Station_grid_model::show_rows() {
    if (!filled_) return;
    std::vector<size_t> shown = filter_stations(query_, facts_);
    if (!kept_.empty() && shown.size() < stations_.size()) {
        std::vector<size_t> kept;
        for (size_t i = 0; i < stations_.size(); ++i)
            if (kept_.count(stations_[i]) > 0) kept.push_back(i);
        std::vector<size_t> both;
        both.reserve(shown.size() + kept.size());
        std::set_union(shown.begin(), shown.end(), kept.begin(), kept.end(), std::back_inserter(both));
        shown.swap(both);
    }
    if (order_column_ >= 0)
        shown = sorted_stations(facts_, std::move(shown), column_keys[order_column_],
                                order_ == Qt::DescendingOrder);
    beginResetModel();
    rows_.assign(std::vector<int>(shown.begin(), shown.end()), total_count());
    endResetModel();
}

Tstation* Station_grid_model::station_at(int row) const {
    const int position = position_at(row);
    return position < 0 ? nullptr : stations_[static_cast<size_t>(position)];
}

Tstation* Station_grid_model::station_of(int position) const {
    if (position < 0 || position >= total_count()) return nullptr;
    return stations_[static_cast<size_t>(position)];
}

int Station_grid_model::row_of_station(const Tstation* station) const {
    if (station == nullptr) return -1;
    for (size_t p = 0; p < stations_.size(); ++p)
        if (stations_[p] == station) return rows_.row_of(static_cast<int>(p));
    return -1;
}

int Station_grid_model::position_at(int row) const {
    return rows_.position_at(row);
}

int Station_grid_model::row_of_position(int position) const {
    return rows_.row_of(position);
}

int Station_grid_model::rowCount(const QModelIndex& parent) const {
    if (parent.isValid()) return 0;
    if (!filled_) return EMPTY_ROWS;
    return stations_.empty() ? 1 : rows_.rows();
}

int Station_grid_model::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : COLUMNS;
}

QVariant Station_grid_model::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole && role != Qt::AccessibleTextRole &&
        role != NUMBER_ROLE && role != Qt::TextAlignmentRole)
        return QVariant();
    const int column = index.column();
    if (column < 0 || column >= COLUMNS) return QVariant();
    if (is_header_row(index.row()))
        return role == Qt::DisplayRole ? QVariant(header_texts[column]) : QVariant();
    const int position = position_at(index.row());
    if (position < 0) return QVariant();
    const Tstation& s = *stations_[static_cast<size_t>(position)];
    const Station_facts& f = facts_.at(static_cast<size_t>(position));
    if (role == Qt::TextAlignmentRole)
        return column == MEMORY || column == PROBLEMS ? QVariant(Qt::AlignRight | Qt::AlignVCenter)
                                                      : QVariant();
    if (role == NUMBER_ROLE)
        return column == MEMORY ? QVariant(f.bytes) : column == PROBLEMS ? QVariant(f.problems) : QVariant();
    const bool shared = (column == ID && f.duplicate_id) || (column == PHONE && f.duplicate_phone);
    QString text;
    switch (column) {
    case ID:
        text = QString::number(s.id);
        break;
    case PHONE:
        text = to_qstring(s.phone_nbr);
        break;
    case PIN:
        text = to_qstring(s.pin);
        break;
    case MEMORY:
        text = QString("%1 of %2").arg(f.bytes).arg(IMAGE_USABLE);
        break;
    case PROBLEMS:
        if (f.problems > 0) text = QString::number(f.problems);
        break;
    case TEMPLATE: {
        text = to_qstring(facts_.template_column(static_cast<size_t>(position)));
        break;
    }
    default:
        text = to_qstring(s.description);
        break;
    }
    if (role == Qt::DisplayRole) return shared ? text + shared_mark : text;
    if (role == Qt::AccessibleTextRole) {
        if (shared) return text + ", shared with another station";
        if (column == MEMORY) return text + " bytes";
        if (column == PROBLEMS)
            return f.problems == 0   ? QString("no reading notes")
                   : f.problems == 1 ? QString("1 reading note")
                                     : QString("%1 reading notes").arg(f.problems);
        return QVariant(); // the cell's text
    }
    // The tooltip.
    if (shared)
        return QString("%1 %2 is shared with another station")
            .arg(column == ID ? "ID" : "Phone number", text);
    if (column == MEMORY) return QString("%1 bytes of the station's configuration memory used").arg(text);
    if (column == PROBLEMS && f.problems > 0)
        return f.problems == 1 ? QString("1 reading note about this station")
                               : QString("%1 reading notes about this station").arg(f.problems);
    return text;
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
