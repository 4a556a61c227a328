// Where a window opens: where the user left it, or a size that fits the screen, never larger than it.
#pragma once

#include <QList>
#include <QRect>
#include <QString>

class QWidget;

// The place for a window: `stored` (a former geometry, possibly null) when its top edge still lies on
// one of the screens' available areas, shrunk and moved to lie wholly on that screen; else `preferred`
// (shrunk to the screen holding the centre of `around`, or the first screen) centred on `around`.
// Never larger than the chosen screen, even when `minimum` is.
QRect window_place(const QRect& stored, QSize preferred, QSize minimum, const QList<QRect>& screens,
                   const QRect& around);

// The organisation the preferences are kept under: the program's, or its name when it sets none.
QString settings_organisation();

// Applies the stored place (QSettings key, e.g. "editor/geometry") or the fallback to a top-level window.
void restore_window_place(QWidget* window, const char* key, QSize preferred);
// Stores the window's current place under the key.
void save_window_place(const QWidget* window, const char* key);
