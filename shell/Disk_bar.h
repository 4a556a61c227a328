// The bar above the pages that says the document's file changed on disk, or went away, with what the
// user can do about it.
#pragma once

#include <QFrame>

class QLabel;
class QPushButton;

class Disk_bar : public QFrame {
    Q_OBJECT
  public:
    enum class Kind { CHANGED, MISSING };
    explicit Disk_bar(QWidget* parent = nullptr);

    // Shows the bar for the file's name (without its folder), told to a screen reader.
    void show_for(Kind kind, const QString& file_name);
    Kind kind() const { return kind_; }
    QString text() const;

  signals:
    void reload_wanted();
    void compare_wanted();
    void save_wanted();
    void save_as_wanted();

  private:
    Kind kind_ = Kind::CHANGED;
    QLabel* text_;
    QPushButton* reload_;
    QPushButton* compare_;
    QPushButton* ignore_;
    QPushButton* save_;
    QPushButton* save_as_;
};
