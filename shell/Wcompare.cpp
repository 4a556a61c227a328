// The comparison window: a read-only table of setting, left value, right value over a model, so that the
// comparison of two large files shows at once; the differing rows marked, and only they shown unless
// "Show all settings" is ticked.
#include "Wcompare.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QFont>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>
#include <vector>

namespace {

const QColor differs_colour(255, 236, 179);

} // namespace

class Compare_model : public QAbstractTableModel {
  public:
    explicit Compare_model(QObject* parent) : QAbstractTableModel(parent) {}

    void set(const QList<Compare_row>* rows, std::vector<int> shown, const QStringList& headers) {
        beginResetModel();
        rows_ = rows;
        shown_ = std::move(shown);
        headers_ = headers;
        endResetModel();
    }
    const Compare_row& row(int r) const { return (*rows_)[shown_[static_cast<size_t>(r)]]; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override {
        return parent.isValid() ? 0 : static_cast<int>(shown_.size());
    }
    int columnCount(const QModelIndex& parent = QModelIndex()) const override {
        return parent.isValid() ? 0 : 3;
    }
    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid()) return QVariant();
        const Compare_row& r = row(index.row());
        const QString text = index.column() == 0   ? r.label
                             : r.heading           ? QString()
                             : index.column() == 1 ? r.left
                                                   : r.right;
        switch (role) {
        case Qt::DisplayRole:
        case Qt::ToolTipRole:
            return text;
        case Qt::FontRole:
            if (r.heading) {
                QFont bold;
                bold.setBold(true);
                return bold;
            }
            return QVariant();
        case Qt::BackgroundRole:
            return r.differs && !r.heading ? QVariant(differs_colour) : QVariant();
        default:
            return QVariant();
        }
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
            section >= headers_.size())
            return QVariant();
        return headers_[section];
    }

  private:
    const QList<Compare_row>* rows_ = nullptr;
    std::vector<int> shown_;
    QStringList headers_;
};

TFcompare::TFcompare(QWidget* parent) : QDialog(parent) {
    setObjectName("Fcompare");
    setModal(false);
    resize(860, 540);
    auto* layout = new QVBoxLayout(this);
    lb_verdict_ = new QLabel(this);
    lb_verdict_->setObjectName("lb_compare_verdict");
    lb_verdict_->setWordWrap(true);
    lb_verdict_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    lb_verdict_->setFocusPolicy(Qt::TabFocus); // the verdict is the first thing a screen reader reaches
    model_ = new Compare_model(this);
    grid_ = new QTableView(this);
    grid_->setObjectName("Grid_compare");
    grid_->setAccessibleName("Settings compared");
    grid_->setModel(model_);
    grid_->verticalHeader()->setVisible(false);
    grid_->verticalHeader()->setDefaultSectionSize(grid_->fontMetrics().height() + 6);
    grid_->horizontalHeader()->setStretchLastSection(true);
    grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid_->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid_->setTabKeyNavigation(false);
    grid_->setWordWrap(false);
    cb_show_all_ = new QCheckBox("Show &all settings", this);
    cb_show_all_->setObjectName("cb_compare_all");
    connect(cb_show_all_, &QCheckBox::toggled, this, &TFcompare::fill);
    auto* copy = new QPushButton("&Copy", this);
    copy->setObjectName("bt_compare_copy");
    copy->setAccessibleName("Copy the comparison as text");
    copy->setAutoDefault(true);
    auto* close = new QPushButton("C&lose", this);
    close->setObjectName("bt_compare_close");
    close->setAccessibleName("Close the comparison");
    close->setAutoDefault(true);
    connect(close, &QPushButton::clicked, this, &QDialog::close);
    connect(copy, &QPushButton::clicked, this, [this] { QApplication::clipboard()->setText(shown_text()); });
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(cb_show_all_);
    bottom->addStretch(1);
    bottom->addWidget(copy);
    bottom->addWidget(close);
    layout->addWidget(lb_verdict_);
    layout->addWidget(grid_, 1);
    layout->addLayout(bottom);
}

void TFcompare::show_comparison(const QString& title, const QString& left_name, const QString& right_name,
                                const QList<Compare_row>& rows, const QString& verdict) {
    setWindowTitle(title);
    rows_ = rows;
    lb_verdict_->setText(verdict);
    lb_verdict_->setAccessibleName(verdict);
    grid_->setProperty("left_name", left_name);
    grid_->setProperty("right_name", right_name);
    fill();
    grid_->setColumnWidth(0, std::max(240, width() * 2 / 5));
    grid_->setColumnWidth(1, std::max(160, width() / 4));
}

void TFcompare::fill() {
    const bool all = cb_show_all_->isChecked();
    std::vector<int> shown;
    const int n = static_cast<int>(rows_.size());
    for (int i = 0; i < n; ++i) {
        if (!rows_[i].heading) {
            if (all || rows_[i].differs) shown.push_back(i);
            continue;
        }
        // A heading is shown above a shown setting, or alone when nothing follows it (a station on one
        // side only).
        bool has_settings = false, any_shown = false;
        for (int j = i + 1; j < n && !rows_[j].heading; ++j) {
            has_settings = true;
            if (all || rows_[j].differs) {
                any_shown = true;
                break;
            }
        }
        if (any_shown || !has_settings) shown.push_back(i);
    }
    model_->set(
        &rows_, std::move(shown),
        {"Setting", grid_->property("left_name").toString(), grid_->property("right_name").toString()});
}

int TFcompare::shown_rows() const {
    return model_->rowCount();
}

QString TFcompare::shown_text() const {
    QStringList lines;
    for (int r = 0; r < model_->rowCount(); ++r) {
        const Compare_row& row = model_->row(r);
        lines << (row.heading ? row.label : QString("%1: %2 -> %3").arg(row.label, row.left, row.right));
    }
    return lines.join('\n');
}
