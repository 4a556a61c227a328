// The Versions window: a list of the kept files with their notes, and what can be done with one.
#include "Wversions.h"

#include <QDateTime>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "Named_button.h"
#include "Text_bridge.h"

namespace {

// A version's note is UTF-8 text.
QString note_text(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// What a version's note says in one line of the list: its first change, and how many more.
QString first_change(const Version_note& note) {
    if (note.changes.empty()) return QString();
    QString text = note_text(note.changes.front());
    if (note.changes.size() > 1) text += QString(" (and %1 more)").arg(note.changes.size() - 1);
    return text;
}

} // namespace

TFversions::TFversions(QWidget* parent) : QDialog(parent) {
    setObjectName("Fversions");
    setWindowTitle("Versions");
    setModal(false);
    resize(640, 380);
    auto* layout = new QVBoxLayout(this);
    lb_summary_ = new QLabel(this);
    lb_summary_->setObjectName("lb_versions_summary");
    lb_summary_->setWordWrap(true);
    list_ = new QTreeWidget(this);
    list_->setObjectName("ListView_versions");
    list_->setAccessibleName("Versions of the setup file, newest first");
    list_->setRootIsDecorated(false);
    list_->setAllColumnsShowFocus(true);
    list_->setHeaderLabels({"Saved", "Label", "Stations", "Changes", "By"});
    list_->header()->setStretchLastSection(false);
    list_->header()->setSectionResizeMode(3, QHeaderView::Stretch);
    lb_summary_->setBuddy(list_);
    compare_ = named_button("Compare with &Current", "Compare the chosen version with the document", this,
                            "bt_version_compare", false);
    open_ = named_button("&Open as New Document", "Open the chosen version as a new document", this,
                         "bt_version_open", false);
    restore_ = named_button("&Restore", "Restore the chosen version into the document, as one step", this,
                            "bt_version_restore", false);
    auto* close = named_button("C&lose", "Close the versions", this, "bt_versions_close", false);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(compare_);
    buttons->addWidget(open_);
    buttons->addWidget(restore_);
    buttons->addStretch(1);
    buttons->addWidget(close);
    layout->addWidget(lb_summary_);
    layout->addWidget(list_, 1);
    layout->addLayout(buttons);
    connect(compare_, &QPushButton::clicked, this, [this] {
        if (chosen() >= 0) emit compare_wanted(chosen());
    });
    connect(open_, &QPushButton::clicked, this, [this] {
        if (chosen() >= 0) emit open_wanted(chosen());
    });
    connect(restore_, &QPushButton::clicked, this, [this] {
        if (chosen() >= 0) emit restore_wanted(chosen());
    });
    // Return or a double click compares: the harmless thing to do with a version.
    connect(list_, &QTreeWidget::itemActivated, this, [this] {
        if (chosen() >= 0) emit compare_wanted(chosen());
    });
    connect(list_, &QTreeWidget::currentItemChanged, this, &TFversions::update_buttons);
    connect(close, &QPushButton::clicked, this, &QDialog::close);
}

void TFversions::show_versions(const std::string& path) {
    versions_ = list_versions(path);
    list_->clear();
    for (size_t i = 0; i < versions_.size(); ++i) {
        const Version_entry& v = versions_[i];
        const QString when =
            QDateTime::fromSecsSinceEpoch(static_cast<qint64>(v.time)).toString("yyyy-MM-dd HH:mm:ss");
        const QString stations = v.note.stations >= 0 ? QString::number(v.note.stations) : QString();
        QString by = note_text(v.note.user);
        if (!v.note.host.empty()) by += " on " + note_text(v.note.host);
        auto* item =
            new QTreeWidgetItem(list_, {when, note_text(v.note.label), stations, first_change(v.note), by});
        item->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
        QStringList all;
        for (const std::string& change : v.note.changes)
            all << note_text(change);
        item->setToolTip(3, all.join('\n'));
        item->setData(0, Qt::AccessibleTextRole,
                      QString("Saved %1%2, %3 stations")
                          .arg(when, v.note.label.empty() ? QString() : ", " + note_text(v.note.label),
                               stations.isEmpty() ? QString("unknown") : stations));
    }
    for (int c = 0; c < 5; ++c)
        if (c != 3) list_->resizeColumnToContents(c);
    const QString name = QFileInfo(file_text(path)).fileName();
    lb_summary_->setText(
        versions_.empty()
            ? QString("No versions of %1 yet: each Save keeps the file it replaces here.").arg(name)
        : versions_.size() == 1
            ? QString("1 &version of %1, kept by an earlier save.").arg(name)
            : QString("%1 &versions of %2, newest first.").arg(versions_.size()).arg(name));
    if (!versions_.empty()) list_->setCurrentItem(list_->topLevelItem(0));
    update_buttons();
}

int TFversions::chosen() const {
    const QTreeWidgetItem* item = list_->currentItem();
    return item == nullptr ? -1 : list_->indexOfTopLevelItem(const_cast<QTreeWidgetItem*>(item));
}

void TFversions::update_buttons() {
    const bool any = chosen() >= 0;
    for (QPushButton* b : {compare_, open_, restore_})
        b->setEnabled(any);
}
