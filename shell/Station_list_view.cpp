// The Stations page's filter row, sort clicks and memory bars over the station grid model.
#include "Station_list_view.h"

#include <QAction>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QTableView>
#include <algorithm>
#include <unordered_set>

#include "Document_history.h"
#include "Eeprom_configurer.h"
#include "Station_grid.h"

namespace {

const char filter_hint[] = "Words of the ID, phone number or description; id:100-199, uses:161, bytes>200, "
                           "problem, dup, OR, -word. Escape clears, Down goes to the list";

// "5,000": the group separator the count is read with, whatever the desktop's language.
QString number_text(int n) {
    return QLocale(QLocale::English).toString(n);
}

// The memory column: its text as the model gives it (what a screen reader reads), over a bar as long as
// the share of the 223 bytes used.
class Memory_bar : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyledItemDelegate::paint(painter, option, index);
        const QVariant bytes = index.data(Station_grid_model::NUMBER_ROLE);
        if (!bytes.isValid()) return;
        const double share = std::clamp(bytes.toDouble() / IMAGE_USABLE, 0.0, 1.0);
        QRect bar = option.rect.adjusted(2, 2, -2, -2);
        bar.setWidth(static_cast<int>(bar.width() * share));
        QColor colour = option.palette.color(
            (option.state & QStyle::State_Selected) ? QPalette::HighlightedText : QPalette::Highlight);
        colour.setAlpha(70);
        painter->fillRect(bar, colour);
    }
};

} // namespace

Station_list_view::Station_list_view(QTableView* grid, Station_grid_model* model, QWidget* parent,
                                     QWidget* window)
    : QObject(parent), grid_(grid), model_(model) {
    grid_->setItemDelegateForColumn(Station_grid_model::MEMORY, new Memory_bar(grid_));
    QHeaderView* header = grid_->horizontalHeader();
    header->setSectionsClickable(true);
    header->setSortIndicatorShown(false);
    connect(header, &QHeaderView::sectionClicked, this, &Station_list_view::header_clicked);
    connect(model_, &QAbstractItemModel::modelAboutToBeReset, this, [this] { restoring_ = true; });
    connect(model_, &QAbstractItemModel::modelReset, this, &Station_list_view::restore_selection);
    // A row shown or hidden alone (a station kept visible, a step followed) changes the count too.
    connect(model_, &QAbstractItemModel::rowsInserted, this, &Station_list_view::show_count);
    connect(model_, &QAbstractItemModel::rowsRemoved, this, &Station_list_view::show_count);
    connect(grid_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &Station_list_view::remember_selection);
    connect(grid_->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &Station_list_view::remember_selection);

    row_ = new QHBoxLayout;
    auto* label = new QLabel("Fi&lter:", parent);
    label->setObjectName("lb_filter");
    filter_ = new QLineEdit(parent);
    filter_->setObjectName("ed_filter");
    filter_->setAccessibleName("Filter stations");
    filter_->setPlaceholderText("words, id:100-199, uses:161, dup ... (Ctrl+F)");
    filter_->setClearButtonEnabled(true);
    filter_->setToolTip(filter_hint);
    label->setBuddy(filter_);
    count_ = new QLabel(parent);
    count_->setObjectName("lb_filter_count");
    error_ = new QLabel(parent);
    error_->setObjectName("lb_filter_error");
    error_->setWordWrap(true);
    error_->setVisible(false);
    row_->addWidget(label);
    row_->addWidget(filter_, 2);
    row_->addWidget(count_);
    row_->addWidget(error_, 1);
    filter_->installEventFilter(this);
    connect(filter_, &QLineEdit::textChanged, this, &Station_list_view::filter_changed);

    find_ = new QAction("&Find Stations", window);
    find_->setObjectName("FindStations1");
    find_->setShortcut(QKeySequence::Find);
    find_->setShortcutContext(Qt::WindowShortcut);
    window->addAction(find_);
    connect(find_, &QAction::triggered, this, &Station_list_view::focus_filter);
    show_count();
}

void Station_list_view::remember_selection() {
    if (restoring_) return;
    selected_.clear();
    for (const QModelIndex& index : grid_->selectionModel()->selectedRows())
        if (const Tstation* s = model_->station_at(index.row())) selected_.insert(s);
    current_ = model_->station_at(grid_->currentIndex().row());
    current_column_ = std::max(0, grid_->currentIndex().column());
}

void Station_list_view::restore_selection() {
    QItemSelection selection;
    int current_row = -1;
    if (!selected_.empty() || current_ != nullptr) {
        for (int row = 0, first = -1; row <= model_->station_count(); ++row) {
            const Tstation* s = model_->station_at(row);
            if (s != nullptr && s == current_) current_row = row;
            const bool in = s != nullptr && selected_.count(s) > 0;
            if (in && first < 0) first = row;
            if (!in && first >= 0) { // one range per run of selected rows
                selection.select(model_->index(first, 0),
                                 model_->index(row - 1, Station_grid_model::COLUMNS - 1));
                first = -1;
            }
        }
    }
    if (current_row >= 0) {
        const QModelIndex at = model_->index(current_row, current_column_);
        grid_->selectionModel()->setCurrentIndex(at, QItemSelectionModel::NoUpdate);
        grid_->scrollTo(at);
    }
    grid_->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    restoring_ = false;
    show_count();
}

void Station_list_view::fill(Tsetup& setup) {
    // After a change of the document only what is selected now counts: a station remembered from before
    // may have been deleted.
    remember_selection();
    model_->fill(setup);
    remember_selection();
    // A fixed header once there is a station; until then the header texts are an ordinary row.
    grid_->horizontalHeader()->setVisible(model_->total_count() > 0);
    show_count();
}

void Station_list_view::station_changed(int position) {
    const Tstation* top = top_station();
    model_->station_changed(position);
    scroll_to_top(top);
}

void Station_list_view::follow(const Document_change& change) {
    if (change.none()) return;
    const Tstation* top = top_station();
    // A station remembered from before may be deleted by the step, and its address taken by a new one.
    remember_selection();
    model_->follow(change);
    remember_selection();
    grid_->horizontalHeader()->setVisible(model_->total_count() > 0);
    scroll_to_top(top);
    show_count();
}

const Tstation* Station_list_view::top_station() const {
    return model_->station_at(grid_->rowAt(0));
}

void Station_list_view::scroll_to_top(const Tstation* station) {
    const int row = model_->row_of_station(station);
    if (row < 0 || grid_->rowAt(0) == row) return;
    grid_->scrollTo(model_->index(row, grid_->horizontalHeader()->logicalIndexAt(0)),
                    QAbstractItemView::PositionAtTop);
}

void Station_list_view::focus_filter() {
    emit filter_wanted();
    filter_->setFocus(Qt::ShortcutFocusReason);
    filter_->selectAll();
}

void Station_list_view::filter_changed(const QString& text) {
    QString error;
    if (model_->set_filter(text, &error)) {
        error_->clear();
        error_->setVisible(false);
    } else {
        // The rows stay those of the last query that worked; the box says what is wrong with this one.
        error_->setText(QString("Not applied: %1").arg(error));
        error_->setVisible(true);
    }
    show_count();
}

void Station_list_view::header_clicked(int column) {
    // Ascending, descending, then the file's order again.
    int to = column;
    Qt::SortOrder order = Qt::AscendingOrder;
    if (column == model_->order_column()) {
        if (model_->order() == Qt::AscendingOrder)
            order = Qt::DescendingOrder;
        else
            to = -1;
    }
    sort_by(to, order);
}

void Station_list_view::sort_by(int column, Qt::SortOrder order) {
    model_->set_order(column, order);
    QHeaderView* header = grid_->horizontalHeader();
    header->setSortIndicatorShown(column >= 0);
    if (column >= 0) header->setSortIndicator(column, order);
}

void Station_list_view::show_count() {
    const int total = model_->total_count();
    const QString stations = total == 1 ? "station" : "stations";
    const QString count =
        model_->filter().trimmed().isEmpty()
            ? QString("%1 %2").arg(number_text(total), stations)
            : QString("%1 of %2 %3").arg(number_text(model_->station_count()), number_text(total), stations);
    count_->setText(count);
    // A label of fixed size tells no layout of its new text: otherwise the count of every step would lay
    // out the page and paint it whole. Its width only grows, so that no count is ever cut.
    const QSize wanted = count_->sizeHint();
    const int width = count_->maximumWidth() == QWIDGETSIZE_MAX ? 0 : count_->maximumWidth();
    if (wanted.width() > width || wanted.height() != count_->maximumHeight())
        count_->setFixedSize(std::max(wanted.width(), width), wanted.height());
    // A screen reader hears the count, or what is wrong, with the box.
    filter_->setAccessibleDescription(!error_->text().isEmpty() ? error_->text()
                                                                : count + ". " + filter_hint);
}

bool Station_list_view::eventFilter(QObject* watched, QEvent* event) {
    if (watched != filter_ || event->type() != QEvent::KeyPress) return QObject::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Escape && key->modifiers() == Qt::NoModifier && !filter_->text().isEmpty()) {
        filter_->clear();
        return true;
    }
    if (key->key() == Qt::Key_Down && key->modifiers() == Qt::NoModifier) {
        grid_->setFocus(Qt::TabFocusReason);
        if (!grid_->currentIndex().isValid() && model_->station_count() > 0)
            grid_->selectionModel()->setCurrentIndex(
                model_->index(0, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        return true;
    }
    return QObject::eventFilter(watched, event);
}
