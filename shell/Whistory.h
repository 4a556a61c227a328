// The document's history beside the main window: every step since New or Open, the ones undone greyed,
// the current state and the saved one marked; choosing an entry undoes or redoes to it.
#pragma once

#include <QDialog>
#include <QStringList>

class QLabel;
class QListWidget;

class TFhistory : public QDialog {
    Q_OBJECT
  public:
    explicit TFhistory(QWidget* parent = nullptr);

    // start names the state before the first step ("Opened setup.xml"); steps are the steps' names, oldest
    // first; done how many of them are done; saved the state that was saved (an index like done), or -1.
    void show_history(const QString& start, const QStringList& steps, int done, int saved);

  signals:
    // The user chose the state after this many steps.
    void state_chosen(int done);

  private:
    QLabel* lb_summary_ = nullptr;
    QListWidget* list_ = nullptr;
    bool filling_ = false;
};
