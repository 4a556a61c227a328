// Every message box of the program goes through here, so tests can answer it without showing it.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>

class QWidget;

struct Message {
    enum Kind { INFORMATION, WARNING, SAVE_DISCARD_CANCEL, CONFIRM, REVIEW, CHOICE };
    Kind kind = INFORMATION;
    QString title;
    QString text;
    QString details;     // shown behind a "Show Details..." button; REVIEW: the lines reviewed, one a line
    QString accept;      // CONFIRM: the button that goes on ("Store and drop them")
    QString decline;     // CONFIRM: the button that goes back ("Back to the editor")
    QStringList choices; // CHOICE: the buttons, the last one the way back (Escape)
    int default_choice = 0;
};

// CHOICE_1 ... for the buttons of a choice, in their order; CANCEL there is the last button.
enum class Answer { OK, SAVE, DISCARD, CANCEL, CHOICE_1, CHOICE_2, CHOICE_3 };

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

    // A question with a button per choice (the last one goes back, as Escape does); the index of the
    // button chosen. default_choice is the button Return presses.
    static int choose(QWidget* parent, const QString& title, const QString& text, const QStringList& choices,
                      int default_choice);

    // Before a change of many stations: the summary, each line of the review in a list the user can read
    // and copy, and two buttons as confirm has them (the decline one the default). OK to go on.
    static Answer review(QWidget* parent, const QString& title, const QString& summary,
                         const QStringList& lines, const QString& accept, const QString& decline);

    // Tests: every message goes to the responder instead of a window, which returns the answer.
    using Responder = std::function<Answer(const Message&)>;
    static void set_responder(Responder responder);

  private:
    static Answer show(QWidget* parent, const Message& message);
};
