// Preferences live in QSettings under the application's organisation and name.
#include "Preferences.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QSettings>
#include <QWidget>
#include <algorithm>

namespace Preferences {

namespace {

const char recent_key[] = "recent/files";

QString same_file_key(const QString& path) {
    const QFileInfo info(path);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : canonical;
}

} // namespace

QStringList recent_files() {
    QStringList files = QSettings().value(recent_key).toStringList();
    files.removeAll(QString());
    while (files.size() > RECENT_FILES)
        files.removeLast();
    return files;
}

void add_recent_file(const QString& path) {
    if (path.isEmpty()) return;
    const QString key = same_file_key(path);
    QStringList files = recent_files();
    files.erase(std::remove_if(files.begin(), files.end(),
                               [&key](const QString& f) { return same_file_key(f) == key; }),
                files.end());
    files.prepend(QFileInfo(path).absoluteFilePath());
    while (files.size() > RECENT_FILES)
        files.removeLast();
    QSettings().setValue(recent_key, files);
}

void clear_recent_files() {
    QSettings().remove(recent_key);
}

void save_geometry(const QWidget* window, const char* key) {
    QSettings().setValue(key, window->saveGeometry());
}

bool restore_geometry(QWidget* window, const char* key) {
    const QByteArray stored = QSettings().value(key).toByteArray();
    if (stored.isEmpty()) return false;
    const QRect before = window->geometry();
    if (!window->restoreGeometry(stored)) return false;
    // A place stored on a screen that is gone: back to where the window was, inside the screen it shows on.
    const QScreen* screen = QGuiApplication::screenAt(window->geometry().center());
    if (screen == nullptr) {
        window->setGeometry(before);
        return false;
    }
    return true;
}

} // namespace Preferences
