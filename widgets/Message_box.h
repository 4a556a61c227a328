// Every message box of the program goes through here, so tests can answer it without showing it.
#pragma once

#include <QString>
#include <functional>

class QWidget;

struct Message {
    enum Kind { INFORMATION, WARNING, SAVE_DISCARD_CANCEL, CONFIRM };
    Kind kind;
    QString title;
    QString text;
    QString details; // shown behind a "Show Details..." button
    QString accept;  // CONFIRM: the button that goes on ("Store and drop them")
    QString decline; // CONFIRM: the button that goes back ("Back to the editor")
};

enum class Answer { OK, SAVE, DISCARD, CANCEL };

class Message_box {
  public:
    static void inform(QWidget* parent, const QString& title, const QString& text,
                       const QString& details = QString());
    static void warn(QWidget* parent, const QString& title, const QString& text);
    // "Save changes to <file>?" with Save, Discard and Cancel.
    static Answer ask_save(QWidget* parent, const QString& title, const QString& text);
    // A question with two buttons named for what they do; OK for the first, CANCEL for the second (and
    // for Escape).
    static Answer confirm(QWidget* parent, const QString& title, const QString& text, const QString& accept,
                          const QString& decline);

    // Tests: every message goes to the responder instead of a window, which returns the answer.
    using Responder = std::function<Answer(const Message&)>;
    static void set_responder(Responder responder);

  private:
    static Answer show(QWidget* parent, const Message& message);
};
