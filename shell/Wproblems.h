// The reading problems of the last Open: one line per note, each whole, in words, beside the main window.
#pragma once

#include <QDialog>
#include <QStringList>

class QLabel;
class QListWidget;

class TFproblems : public QDialog {
    Q_OBJECT
  public:
    explicit TFproblems(QWidget* parent = nullptr);

    // Shows the problems of the file, replacing what the window showed before.
    void show_problems(const QString& file, const QStringList& problems);

  private:
    QLabel* lb_summary_ = nullptr;
    QListWidget* list_ = nullptr;
};
