// An accessibility check for any window: what a keyboard or screen-reader user meets on what the window
// shows now (for a window with pages, call it once per page).
#pragma once

#include <QStringList>

class QWidget;

// One line per problem, naming the control (its objectName, or its class and its parent's name):
// - a focusable control (Tab focus, shown; enabled or not) whose accessible name is empty;
// - a drop-down list announced by one of its items instead of by what it is;
// - two focusable controls with the same accessible name;
// - a focusable control that Tab, pressed from the first control, never reaches, or one Tab does not leave.
// Controls disabled by the window's display conditions are enabled while Tab walks and disabled again
// afterwards: Tab skips them, but only for as long as they are disabled.
QStringList accessibility_problems(QWidget* window);

// The controls Tab may stop on (Tab focus, shown, enabled or not), in focus chain order.
QList<QWidget*> focus_stops(QWidget* window);

// The accessible name as a screen reader gets it from Qt's accessibility interface.
QString spoken_name(QWidget* control);
