// The comparison of two stations, or of the open document with a file, side by side beside the main
// window: the settings that differ by default, every setting on a switch, both sides named.
#pragma once

#include <QDialog>
#include <QList>
#include <QString>

class QCheckBox;
class QLabel;
class QTableView;
class Compare_model;

// One line of a comparison: a heading (a station pair, the paths, the COM ports) or a setting with its
// value on each side.
struct Compare_row {
    bool heading = false;
    QString label;
    QString left;
    QString right;
    bool differs = false;
};

class TFcompare : public QDialog {
    Q_OBJECT
  public:
    explicit TFcompare(QWidget* parent = nullptr);

    // Shows a comparison, replacing what the window showed. verdict: one sentence ("4 settings differ.").
    void show_comparison(const QString& title, const QString& left_name, const QString& right_name,
                         const QList<Compare_row>& rows, const QString& verdict);

    // The rows the table shows now (headings kept only above a shown setting), for tests.
    int shown_rows() const;

    // The shown rows as text, one line each: headings as they stand, settings "label: left -> right".
    QString shown_text() const;

  private:
    void fill();

    QList<Compare_row> rows_;
    QLabel* lb_verdict_ = nullptr;
    QCheckBox* cb_show_all_ = nullptr;
    QTableView* grid_ = nullptr;
    Compare_model* model_ = nullptr;
};
