// The About window. The picture is drawn here, so nothing but our own code goes into it.
#include "Wabout.h"

#include <QEvent>
#include <QFont>
#include <QGuiApplication>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>

namespace {

// Centres the window it watches on its screen each time the window is shown. A dialog would otherwise
// be placed over its parent, the main window.
class Screen_centring : public QObject {
  public:
    using QObject::QObject;

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show && watched->isWidgetType()) {
            auto* window = static_cast<QWidget*>(watched);
            QWidget* parent = window->parentWidget();
            const QScreen* screen = parent != nullptr ? parent->screen() : QGuiApplication::primaryScreen();
            if (screen != nullptr) {
                QRect frame = window->frameGeometry();
                frame.moveCenter(screen->availableGeometry().center());
                window->move(frame.topLeft());
            }
        }
        return false;
    }
};

} // namespace

QString TFabout::build_date() {
    return QString::fromLatin1(__DATE__);
}
QString TFabout::build_time() {
    return QString::fromLatin1(__TIME__);
}

QPixmap about_picture() {
    QPixmap picture(700, 200);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, 200);
    sky.setColorAt(0, QColor(198, 226, 245));
    sky.setColorAt(1, QColor(240, 248, 252));
    p.fillRect(picture.rect(), sky);
    // Hills, then the river winding through them.
    QPainterPath hills;
    hills.moveTo(0, 120);
    hills.cubicTo(150, 70, 260, 140, 400, 95);
    hills.cubicTo(520, 60, 610, 110, 700, 85);
    hills.lineTo(700, 200);
    hills.lineTo(0, 200);
    p.fillPath(hills, QColor(120, 170, 110));
    QPainterPath river;
    river.moveTo(0, 170);
    river.cubicTo(180, 140, 300, 190, 460, 160);
    river.cubicTo(560, 142, 640, 150, 700, 140);
    river.lineTo(700, 165);
    river.cubicTo(630, 175, 560, 170, 470, 185);
    river.cubicTo(320, 205, 170, 170, 0, 200);
    river.closeSubpath();
    p.fillPath(river, QColor(56, 128, 196));
    // The station: a post with its logger box and antenna on the bank.
    p.setPen(QPen(QColor(60, 60, 60), 3));
    p.drawLine(520, 150, 520, 95);
    p.fillRect(505, 100, 30, 24, QColor(240, 200, 60));
    p.drawRect(505, 100, 30, 24);
    p.drawLine(535, 100, 548, 70);
    p.setPen(QPen(QColor(60, 60, 60), 2));
    for (int r = 8; r <= 24; r += 8)
        p.drawArc(548 - r, 70 - r, 2 * r, 2 * r, 20 * 16, 50 * 16);
    // The name.
    QFont font("Verdana", 34, QFont::Bold);
    p.setFont(font);
    p.setPen(QColor(20, 60, 110));
    p.drawText(QRect(30, 20, 440, 60), Qt::AlignLeft | Qt::AlignVCenter, "Vemora Editor");
    p.setFont(QFont("Verdana", 12));
    p.drawText(QRect(34, 75, 440, 24), Qt::AlignLeft | Qt::AlignVCenter,
               "Configuration of ZEVO-4K measuring stations");
    return picture;
}

TFabout::TFabout(QWidget* parent) : QDialog(parent) {
    setObjectName("Fabout");
    setWindowTitle("About us");
    setFixedSize(700, 255);
    installEventFilter(new Screen_centring(this));
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, Qt::white);
    setPalette(palette);

    auto* image = new QLabel(this);
    image->setObjectName("Image1");
    image->setGeometry(0, 0, 700, 200);
    image->setPixmap(about_picture());
    image->setAccessibleName("Vemora Editor");

    QFont bold("Verdana", 12, QFont::Bold);
    auto* visit = new QLabel("Visit us at", this);
    visit->setObjectName("Label1");
    visit->setFont(bold);
    visit->move(16, 208);
    auto* address = new QLabel("vemora.example", this);
    address->setObjectName("Label2");
    QFont underlined = bold;
    underlined.setUnderline(true);
    address->setFont(underlined);
    address->setStyleSheet("color: blue");
    address->move(112, 208);

    auto* date = new QLabel(build_date(), this);
    date->setObjectName("lb_date");
    date->move(16, 240);
    auto* time = new QLabel(build_time(), this);
    time->setObjectName("lb_time");
    time->move(112, 240);

    auto* ok = new QPushButton("&OK", this);
    ok->setObjectName("Button1");
    ok->setGeometry(616, 216, 75, 25);
    connect(ok, &QPushButton::clicked, this, &TFabout::Button1Click);
}

void TFabout::Button1Click() {
    hide();
}
