// The versions of the setup file that earlier saves replaced, newest first: when, the label, how many
// stations, what changed; each can be compared with the document, opened as a new document or restored.
#pragma once

#include <QDialog>
#include <string>
#include <vector>

#include "Versions.h"

class QLabel;
class QPushButton;
class QTreeWidget;

class TFversions : public QDialog {
    Q_OBJECT
  public:
    explicit TFversions(QWidget* parent = nullptr);

    // The versions of the setup file at path (the list is read again).
    void show_versions(const std::string& path);
    const std::vector<Version_entry>& versions() const { return versions_; }
    // The version chosen in the list, or -1.
    int chosen() const;

  signals:
    // The user asked this of the version with this index in versions().
    void compare_wanted(int index);
    void open_wanted(int index);
    void restore_wanted(int index);

  private:
    void update_buttons();

    std::vector<Version_entry> versions_;
    QLabel* lb_summary_ = nullptr;
    QTreeWidget* list_ = nullptr;
    QPushButton* compare_ = nullptr;
    QPushButton* open_ = nullptr;
    QPushButton* restore_ = nullptr;
};
