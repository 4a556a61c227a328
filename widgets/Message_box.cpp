// The message box wrapper.
#include "Message_box.h"

#include <QMessageBox>

namespace {
Message_box::Responder responder;
}

void Message_box::set_responder(Responder r) {
    responder = std::move(r);
}

Answer Message_box::show(QWidget* parent, const Message& message) {
    if (responder) return responder(message);
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

void Message_box::inform(QWidget* parent, const QString& title, const QString& text, const QString& details) {
    show(parent, {Message::INFORMATION, title, text, details});
}

void Message_box::warn(QWidget* parent, const QString& title, const QString& text) {
    show(parent, {Message::WARNING, title, text, QString()});
}

Answer Message_box::ask_save(QWidget* parent, const QString& title, const QString& text) {
    return show(parent, {Message::SAVE_DISCARD_CANCEL, title, text, QString()});
}
