// The changed-on-disk bar: a line of text and the buttons its kind offers.
#include "Disk_bar.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

#include "Announce.h"
#include "Named_button.h"

Disk_bar::Disk_bar(QWidget* parent) : QFrame(parent) {
    setObjectName("pn_disk");
    setFrameShape(QFrame::StyledPanel);
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, p.color(QPalette::ToolTipBase));
    p.setColor(QPalette::WindowText, p.color(QPalette::ToolTipText));
    setPalette(p);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(8, 4, 8, 4);
    text_ = new QLabel(this);
    text_->setObjectName("lb_disk");
    text_->setWordWrap(true);
    text_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    reload_ = named_button("&Reload", "Reload the file from disk", this, "bt_disk_reload", true);
    compare_ = named_button("Co&mpare...", "Compare the document with the file on disk", this,
                            "bt_disk_compare", true);
    ignore_ = named_button("I&gnore", "Ignore the change on disk", this, "bt_disk_ignore", true);
    save_ = named_button("&Save", "Save the document to its file again", this, "bt_disk_save", true);
    save_as_ =
        named_button("Save &As...", "Save the document under another name", this, "bt_disk_save_as", true);
    layout->addWidget(text_, 1);
    for (QPushButton* b : {reload_, compare_, ignore_, save_, save_as_})
        layout->addWidget(b);
    connect(reload_, &QPushButton::clicked, this, &Disk_bar::reload_wanted);
    connect(compare_, &QPushButton::clicked, this, &Disk_bar::compare_wanted);
    connect(ignore_, &QPushButton::clicked, this, &QWidget::hide);
    connect(save_, &QPushButton::clicked, this, &Disk_bar::save_wanted);
    connect(save_as_, &QPushButton::clicked, this, &Disk_bar::save_as_wanted);
    hide();
}

void Disk_bar::show_for(Kind kind, const QString& file_name) {
    kind_ = kind;
    const bool changed = kind == Kind::CHANGED;
    reload_->setVisible(changed);
    compare_->setVisible(changed);
    ignore_->setVisible(true);
    save_->setVisible(!changed);
    save_as_->setVisible(!changed);
    const QString text =
        changed ? QString("%1 was changed on disk by another program.").arg(file_name)
                : QString("%1 was deleted or moved away on disk. Save writes it again; Save As writes it "
                          "elsewhere.")
                      .arg(file_name);
    setAccessibleName(text);
    show();
    announce(text_, text);
}

QString Disk_bar::text() const {
    return text_->text();
}
