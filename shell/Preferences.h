// The user's preferences kept between runs (recent files, window places). Nothing in them changes how a
// setup file is read or written.
#pragma once

#include <QByteArray>
#include <QStringList>

class QWidget;

namespace Preferences {

constexpr int RECENT_FILES = 8;

// The files last opened or saved, newest first, at most RECENT_FILES; each as the user's path text.
QStringList recent_files();
// Puts the file first, taking out an earlier entry of the same file.
void add_recent_file(const QString& path);
void clear_recent_files();

// A window's size and place, under its own key. restore_geometry returns false when nothing usable is
// stored, and leaves the window as it was.
void save_geometry(const QWidget* window, const char* key);
bool restore_geometry(QWidget* window, const char* key);

// The template library: the one the user chose, or the default one in the user's configuration folder.
QString template_library();
void set_template_library(const QString& path);

// Sharing a setup file: a lock file beside it while it is open (on unless turned off), and a version of
// the file each save replaces (on unless turned off).
bool lock_files();
void set_lock_files(bool on);
bool keep_versions();
void set_keep_versions(bool on);

} // namespace Preferences
