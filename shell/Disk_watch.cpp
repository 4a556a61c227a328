// The document's file on disk, watched through its folder as well as itself: a rename over the file
// replaces the watched inode.
#include "Disk_watch.h"

#include <QFileInfo>
#include <ctime>

#include "File_lock.h"
#include "Text_bridge.h"

Disk_watch::Disk_watch(QObject* parent) : QObject(parent) {
    settle_.setSingleShot(true);
    settle_.setInterval(150);
    connect(&settle_, &QTimer::timeout, this, [this] {
        watch_again();
        emit touched();
    });
    connect(&watcher_, &QFileSystemWatcher::fileChanged, this, [this] { settle_.start(); });
    connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, [this] { settle_.start(); });
}

Disk_watch::~Disk_watch() {
    release_lock();
}

void Disk_watch::remember(const std::string& path) {
    path_ = path;
    known_ = path.empty() ? File_identity() : identify_file(path);
    told_ = false;
    told_hash_ = 0;
    if (!watcher_.files().isEmpty()) watcher_.removePaths(watcher_.files());
    if (!watcher_.directories().isEmpty()) watcher_.removePaths(watcher_.directories());
    watch_again();
}

void Disk_watch::watch_again() {
    if (path_.empty()) return;
    const QString file = file_text(path_);
    const QString folder = QFileInfo(file).absolutePath();
    if (QFileInfo::exists(file) && !watcher_.files().contains(file)) watcher_.addPath(file);
    if (!watcher_.directories().contains(folder)) watcher_.addPath(folder);
}

Disk_state Disk_watch::state(File_identity* now) const {
    if (path_.empty() || !known_.exists) {
        if (now != nullptr) *now = File_identity();
        return Disk_state::same;
    }
    File_identity seen;
    const Disk_state s = compare_with_disk(known_, path_, &seen);
    if (now != nullptr) *now = seen;
    return s;
}

bool Disk_watch::first_notice(Disk_state state, const File_identity& now) {
    if (state == Disk_state::same) {
        told_ = false; // back as it was: a later change is news again
        return false;
    }
    if (told_ && told_state_ == state && (state == Disk_state::missing || told_hash_ == now.hash))
        return false;
    told_ = true;
    told_state_ = state;
    told_hash_ = now.hash;
    return true;
}

void Disk_watch::hold_lock(const std::string& path, bool replace) {
    if (locked_ == path) return;
    release_lock();
    std::string reason;
    if (write_lock(path, replace, std::time(nullptr), &reason)) locked_ = path;
}

void Disk_watch::release_lock() {
    if (locked_.empty()) return;
    remove_lock(locked_);
    locked_.clear();
}
