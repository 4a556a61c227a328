// The message box wrapper.
#include "Message_box.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
Message_box::Responder responder;
}

void Message_box::set_responder(Responder r) {
    responder = std::move(r);
}

namespace {

// The review: its lines in a read-only text the keyboard can scroll, select and copy.
Answer show_review(QWidget* parent, const Message& message) {
    QDialog box(parent);
    box.setObjectName("Freview");
    box.setWindowTitle(message.title);
    auto* layout = new QVBoxLayout(&box);
    auto* summary = new QLabel(message.text, &box);
    summary->setObjectName("lb_review_summary");
    summary->setWordWrap(true);
    auto* lines = new QPlainTextEdit(message.details, &box);
    lines->setObjectName("ed_review_lines");
    lines->setReadOnly(true);
    lines->setLineWrapMode(QPlainTextEdit::NoWrap);
    lines->setAccessibleName("Changes to review");
    lines->setTabChangesFocus(true);
    auto* buttons = new QDialogButtonBox(&box);
    QPushButton* accept = buttons->addButton(message.accept, QDialogButtonBox::AcceptRole);
    QPushButton* decline = buttons->addButton(message.decline, QDialogButtonBox::RejectRole);
    accept->setObjectName("bt_review_apply");
    decline->setObjectName("bt_review_back");
    decline->setDefault(true); // Enter alone must not change a fleet
    QObject::connect(buttons, &QDialogButtonBox::accepted, &box, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &box, &QDialog::reject);
    layout->addWidget(summary);
    layout->addWidget(lines, 1);
    layout->addWidget(buttons);
    box.resize(760, 420);
    lines->setFocus();
    return box.exec() == QDialog::Accepted ? Answer::OK : Answer::CANCEL;
}

} // namespace

Answer Message_box::show(QWidget* parent, const Message& message) {
    if (responder) return responder(message);
    if (message.kind == Message::REVIEW) return show_review(parent, message);
    QMessageBox box(parent);
    box.setWindowTitle(message.title);
    box.setText(message.text);
    if (!message.details.isEmpty()) box.setDetailedText(message.details);
    switch (message.kind) {
    case Message::INFORMATION:
        box.setIcon(QMessageBox::Information);
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case Message::WARNING:
        box.setIcon(QMessageBox::Warning);
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case Message::SAVE_DISCARD_CANCEL:
        box.setIcon(QMessageBox::Question);
        box.setStandardButtons(QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel);
        box.setDefaultButton(QMessageBox::Save);
        break;
    case Message::CHOICE: {
        box.setIcon(QMessageBox::Warning);
        QList<QPushButton*> buttons;
        for (int i = 0; i < message.choices.size(); ++i)
            buttons << box.addButton(message.choices[i], i + 1 == message.choices.size()
                                                             ? QMessageBox::RejectRole
                                                             : QMessageBox::AcceptRole);
        if (buttons.isEmpty()) return Answer::CANCEL;
        box.setDefaultButton(buttons.value(message.default_choice, buttons.last()));
        box.setEscapeButton(buttons.last());
        box.exec();
        const int chosen = static_cast<int>(buttons.indexOf(static_cast<QPushButton*>(box.clickedButton())));
        return chosen < 0 || chosen + 1 == buttons.size()
                   ? Answer::CANCEL
                   : static_cast<Answer>(static_cast<int>(Answer::CHOICE_1) + chosen);
    }
    case Message::REVIEW:
    case Message::CONFIRM: {
        box.setIcon(QMessageBox::Question);
        QPushButton* accept = box.addButton(message.accept, QMessageBox::AcceptRole);
        QPushButton* decline = box.addButton(message.decline, QMessageBox::RejectRole);
        box.setDefaultButton(decline); // going on loses data: Enter alone must not do it
        box.setEscapeButton(decline);
        box.exec();
        return box.clickedButton() == accept ? Answer::OK : Answer::CANCEL;
    }
    }
    switch (box.exec()) {
    case QMessageBox::Save:
        return Answer::SAVE;
    case QMessageBox::Discard:
        return Answer::DISCARD;
    case QMessageBox::Cancel:
        return Answer::CANCEL;
    default:
        return message.kind == Message::SAVE_DISCARD_CANCEL ? Answer::CANCEL : Answer::OK;
    }
}

namespace {

Message message(Message::Kind kind, const QString& title, const QString& text, const QString& details,
                const QString& accept, const QString& decline) {
    Message m;
    m.kind = kind;
    m.title = title;
    m.text = text;
    m.details = details;
    m.accept = accept;
    m.decline = decline;
    return m;
}

} // namespace

void Message_box::inform(QWidget* parent, const QString& title, const QString& text, const QString& details) {
    show(parent, message(Message::INFORMATION, title, text, details, QString(), QString()));
}

void Message_box::warn(QWidget* parent, const QString& title, const QString& text) {
    show(parent, message(Message::WARNING, title, text, QString(), QString(), QString()));
}

Answer Message_box::confirm(QWidget* parent, const QString& title, const QString& text, const QString& accept,
                            const QString& decline) {
    return show(parent, message(Message::CONFIRM, title, text, QString(), accept, decline));
}

int Message_box::choose(QWidget* parent, const QString& title, const QString& text,
                        const QStringList& choices, int default_choice) {
    Message m = message(Message::CHOICE, title, text, QString(), QString(), QString());
    m.choices = choices;
    m.default_choice = default_choice;
    const Answer a = show(parent, m);
    const int last = static_cast<int>(choices.size()) - 1;
    if (a == Answer::CANCEL || a == Answer::DISCARD) return last;
    if (a == Answer::OK || a == Answer::SAVE) return 0;
    const int index = static_cast<int>(a) - static_cast<int>(Answer::CHOICE_1);
    return index >= 0 && index < last ? index : last;
}

Answer Message_box::ask_save(QWidget* parent, const QString& title, const QString& text) {
    return show(parent, message(Message::SAVE_DISCARD_CANCEL, title, text, QString(), QString(), QString()));
}

Answer Message_box::review(QWidget* parent, const QString& title, const QString& summary,
                           const QStringList& lines, const QString& accept, const QString& decline) {
    return show(parent, message(Message::REVIEW, title, summary, lines.join('\n'), accept, decline));
}
