// Window places kept between runs in the user's settings, checked against today's screens.
#include "Window_place.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QSettings>
#include <QWidget>

namespace {

// The part of a window's top edge a user needs to grab it and see its title.
QRect title_band(const QRect& r) {
    return QRect(r.left(), r.top(), r.width(), qMin(r.height(), 30));
}

QRect fit_on(QRect r, const QRect& screen) {
    r.setSize(r.size().boundedTo(screen.size()));
    if (r.right() > screen.right()) r.moveRight(screen.right());
    if (r.bottom() > screen.bottom()) r.moveBottom(screen.bottom());
    if (r.left() < screen.left()) r.moveLeft(screen.left());
    if (r.top() < screen.top()) r.moveTop(screen.top());
    return r;
}

} // namespace

// The application's names as the program sets them; an empty organisation would make QSettings refuse
// to write, so the application name stands in for it.
QString settings_organisation() {
    return QCoreApplication::organizationName().isEmpty() ? QCoreApplication::applicationName()
                                                          : QCoreApplication::organizationName();
}

QRect window_place(const QRect& stored, QSize preferred, QSize minimum, const QList<QRect>& screens,
                   const QRect& around) {
    if (screens.isEmpty())
        return QRect(around.center() - QPoint(preferred.width(), preferred.height()) / 2, preferred);
    if (stored.isValid()) {
        // At least 100 pixels (or the whole width) of the title band on one screen: the user can grab it.
        for (const QRect& screen : screens) {
            const QRect seen = title_band(stored).intersected(screen);
            if (!seen.isEmpty() && seen.width() >= qMin(100, stored.width()))
                return fit_on(QRect(stored.topLeft(), stored.size().expandedTo(minimum)), screen);
        }
    }
    QRect screen = screens.first();
    for (const QRect& s : screens)
        if (s.contains(around.center())) screen = s;
    QRect r(QPoint(0, 0), preferred.expandedTo(minimum).boundedTo(screen.size()));
    r.moveCenter(around.isValid() ? around.center() : screen.center());
    return fit_on(r, screen);
}

void restore_window_place(QWidget* window, const char* key, QSize preferred) {
    const QWidget* parent = window->parentWidget();
    const bool beside = parent != nullptr && parent->window()->isVisible();
    const QRect around = beside ? parent->window()->frameGeometry() : QRect();
    // The size and place are the client area's and the frame's top left corner: the screens are taken
    // less the frame's width and height, as the main window's frame shows them.
    const QSize frame =
        beside ? parent->window()->frameGeometry().size() - parent->window()->size() : QSize(0, 0);
    QList<QRect> screens;
    for (const QScreen* s : QGuiApplication::screens())
        screens << s->availableGeometry().adjusted(0, 0, -frame.width(), -frame.height());
    const QRect stored =
        QSettings(settings_organisation(), QCoreApplication::applicationName()).value(key).toRect();
    const QRect place = window_place(stored, preferred, window->minimumSizeHint(), screens, around);
    window->resize(place.size());
    window->move(place.topLeft());
}

void save_window_place(const QWidget* window, const char* key) {
    QSettings(settings_organisation(), QCoreApplication::applicationName())
        .setValue(key, QRect(window->pos(), window->size()));
}
