// The document's file on disk: what it was when the document was read or saved, whether it changed since
// (another program, a colleague, a script), told once per content; and the lock that tells others the file
// is open here.
#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <QTimer>
#include <string>

#include "File_identity.h"

class Disk_watch : public QObject {
    Q_OBJECT
  public:
    explicit Disk_watch(QObject* parent = nullptr);
    ~Disk_watch() override;

    // The file as it is now is the document's (after Open and Save); an empty path: the document has no
    // file. What was told about an earlier content is forgotten.
    void remember(const std::string& path);
    const std::string& path() const { return path_; }

    // The file now against what the document was read from or saved to. now, when given, gets what the
    // disk holds.
    Disk_state state(File_identity* now = nullptr) const;
    // Whether this change is news: the first time a content (or the file's absence) is seen. Marks it told.
    bool first_notice(Disk_state state, const File_identity& now);

    // The lock file: taken for the path (replacing another's when asked), released on close. Locks can be
    // turned off in the preferences; a folder where no lock can be written opens without one.
    void hold_lock(const std::string& path, bool replace);
    void release_lock();
    const std::string& locked_path() const { return locked_; }

  signals:
    // The file system reported a change of the file or of its folder (a save by rename replaces the file).
    void touched();

  private:
    void watch_again();

    QFileSystemWatcher watcher_;
    QTimer settle_; // a save is several events: told once they settle
    std::string path_;
    File_identity known_;
    bool told_ = false;
    Disk_state told_state_ = Disk_state::same;
    uint64_t told_hash_ = 0;
    std::string locked_;
};
