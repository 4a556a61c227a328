// The About window: our picture, the web address and the date and time the program was built.
#pragma once

#include <QDialog>
#include <QString>

class TFabout : public QDialog {
    Q_OBJECT
  public:
    explicit TFabout(QWidget* parent = nullptr);

    // The build date as "Dec  8 2026" (the day right-aligned in two places) and time as "07:42:01".
    static QString build_date();
    static QString build_time();

  public slots:
    void Button1Click();
};

// Our own picture for the About window: a river with a measuring station, 700 by 200 pixels.
class QPixmap;
QPixmap about_picture();
