// The history window: one entry per state of the document, the oldest first, so that the way back reads
// top to bottom; Return or a double click on an entry goes there.
#include "Whistory.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

TFhistory::TFhistory(QWidget* parent) : QDialog(parent) {
    setObjectName("Fhistory");
    setWindowTitle("History");
    setModal(false);
    resize(420, 360);
    auto* layout = new QVBoxLayout(this);
    lb_summary_ = new QLabel(this);
    lb_summary_->setObjectName("lb_history_summary");
    lb_summary_->setWordWrap(true);
    list_ = new QListWidget(this);
    list_->setObjectName("ListBox_history");
    list_->setAccessibleName("History of changes");
    list_->setAccessibleDescription("Return or a double click goes back or forward to the chosen state");
    lb_summary_->setBuddy(list_);
    auto* buttons = new QHBoxLayout;
    auto* go = new QPushButton("&Go to this state", this);
    go->setObjectName("bt_history_go");
    go->setAccessibleName("Go back or forward to the chosen state");
    go->setAutoDefault(false);
    auto* close = new QPushButton("C&lose", this);
    close->setObjectName("bt_history_close");
    close->setAccessibleName("Close the history");
    close->setAutoDefault(false);
    buttons->addStretch(1);
    buttons->addWidget(go);
    buttons->addWidget(close);
    layout->addWidget(lb_summary_);
    layout->addWidget(list_, 1);
    layout->addLayout(buttons);
    const auto choose = [this] {
        if (!filling_ && list_->currentRow() >= 0) emit state_chosen(list_->currentRow());
    };
    connect(list_, &QListWidget::itemActivated, this, choose);
    connect(go, &QPushButton::clicked, this, choose);
    connect(close, &QPushButton::clicked, this, &QDialog::close);
}

void TFhistory::show_history(const QString& start, const QStringList& steps, int done, int saved) {
    filling_ = true;
    list_->clear();
    QStringList entries;
    entries << start;
    entries << steps;
    const QColor undone = palette().color(QPalette::Disabled, QPalette::Text);
    for (int i = 0; i < entries.size(); ++i) {
        QString text = entries[i];
        QStringList marks;
        if (i == done) marks << "now";
        if (i == saved) marks << "saved";
        if (i > done) marks << "undone";
        if (!marks.isEmpty()) text += "  (" + marks.join(", ") + ")";
        auto* item = new QListWidgetItem(text, list_);
        if (i > done) {
            item->setForeground(undone);
            QFont font = item->font();
            font.setItalic(true);
            item->setFont(font);
        }
        if (i == done) {
            QFont font = item->font();
            font.setBold(true);
            item->setFont(font);
        }
    }
    list_->setCurrentRow(done);
    const int undone_steps = static_cast<int>(steps.size()) - done;
    QString summary = steps.isEmpty()     ? QString("No changes yet.")
                      : steps.size() == 1 ? QString("1 change")
                                          : QString("%1 changes").arg(steps.size());
    if (undone_steps > 0) summary += QString(", %1 undone").arg(undone_steps);
    if (!steps.isEmpty()) summary += ". Choose a state to go back or forward to it.";
    lb_summary_->setText(summary);
    filling_ = false;
}
