// A drop-down list that a screen reader announces by what it is, not by the item it shows.
#pragma once

#include <QComboBox>

// Qt's own interface for a combo box on Linux gives the current item as the list's name (and leaves
// the label to a relation that a list in a grid cell does not have): "Keep, combo box". This list
// gives its accessibleName as the name and its current item as the value: "Outputs S3 of the first
// conditional action, combo box, Keep".
class Choice_list : public QComboBox {
    Q_OBJECT
  public:
    explicit Choice_list(QWidget* parent = nullptr);
};
