// The reading problems window: a list the user can read at leisure, scroll and copy from while working on
// in the main window.
#include "Wproblems.h"

#include <QApplication>
#include <QClipboard>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

TFproblems::TFproblems(QWidget* parent) : QDialog(parent) {
    setObjectName("Fproblems");
    setWindowTitle("Reading problems");
    setModal(false);
    resize(640, 360);
    auto* layout = new QVBoxLayout(this);
    lb_summary_ = new QLabel(this);
    lb_summary_->setObjectName("lb_problems_summary");
    lb_summary_->setWordWrap(true);
    list_ = new QListWidget(this);
    list_->setObjectName("ListBox_problems");
    list_->setAccessibleName("Reading problems");
    list_->setWordWrap(true);
    list_->setAlternatingRowColors(true); // one problem from the next at a glance, also when it wraps
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lb_summary_->setBuddy(list_);
    auto* buttons = new QHBoxLayout;
    auto* copy = new QPushButton("&Copy all", this);
    copy->setObjectName("bt_problems_copy");
    copy->setAccessibleName("Copy all problems");
    auto* close = new QPushButton("C&lose", this);
    close->setObjectName("bt_problems_close");
    close->setAccessibleName("Close the reading problems");
    close->setDefault(true);
    buttons->addStretch(1);
    buttons->addWidget(copy);
    buttons->addWidget(close);
    layout->addWidget(lb_summary_);
    layout->addWidget(list_, 1);
    layout->addLayout(buttons);
    connect(close, &QPushButton::clicked, this, &QDialog::close);
    connect(copy, &QPushButton::clicked, this, [this] {
        QStringList lines;
        for (int i = 0; i < list_->count(); ++i)
            lines << list_->item(i)->text();
        QApplication::clipboard()->setText(lines.join('\n'));
    });
}

void TFproblems::show_problems(const QString& file, const QStringList& problems) {
    lb_summary_->setText(problems.size() == 1
                             ? QString("Reading \"%1\" found 1 problem:").arg(file)
                             : QString("Reading \"%1\" found %2 problems:").arg(file).arg(problems.size()));
    list_->clear();
    list_->addItems(problems);
    for (int i = 0; i < list_->count(); ++i)
        list_->item(i)->setToolTip(problems[i]);
    if (list_->count() > 0) list_->setCurrentRow(0);
}
