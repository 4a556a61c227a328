// Preferences live in QSettings under the application's organisation and name.
#include "Preferences.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QWidget>

#include "Template_library.h"
#include "Text_bridge.h"
#include "Window_place.h"
#include <algorithm>

namespace Preferences {

namespace {

const char recent_key[] = "recent/files";

QSettings settings() {
    return QSettings(settings_organisation(), QCoreApplication::applicationName());
}

QString same_file_key(const QString& path) {
    const QFileInfo info(path);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : canonical;
}

} // namespace

QStringList recent_files() {
    QStringList files = settings().value(recent_key).toStringList();
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
    settings().setValue(recent_key, files);
}

void clear_recent_files() {
    settings().remove(recent_key);
}

void save_geometry(const QWidget* window, const char* key) {
    save_window_place(window, key);
}

bool restore_geometry(QWidget* window, const char* key) {
    // Nothing stored: the window keeps the place it was given.
    if (!settings().contains(key)) return false;
    restore_window_place(window, key, window->size());
    return true;
}

QString template_library() {
    const QString chosen = settings().value("templates/library").toString();
    return chosen.isEmpty() ? file_text(default_library_path()) : chosen;
}

void set_template_library(const QString& path) {
    settings().setValue("templates/library", path);
}

bool lock_files() {
    return settings().value("files/lock_files", true).toBool();
}

void set_lock_files(bool on) {
    settings().setValue("files/lock_files", on);
}

bool keep_versions() {
    return settings().value("files/keep_versions", true).toBool();
}

void set_keep_versions(bool on) {
    settings().setValue("files/keep_versions", on);
}

} // namespace Preferences
