// The lock file that tells others a setup file is open: beside "setup.xml", "setup.xml.lock" names the
// user, the host, the process and the time. It guards a shared folder against two people editing one
// file unawares; it is advice between editors, not a lock the system enforces.
#pragma once

#include <ctime>
#include <string>

struct Lock_holder {
    std::string user, host;
    long pid = 0;
    std::time_t time = 0;
};

enum class Lock_status {
    NONE,  // no lock file
    MINE,  // this process's
    HELD,  // another editor's that is alive, or may be
    STALE, // its process is gone (on this host), or it is older than a day (on another host)
};

struct Lock_state {
    Lock_status status = Lock_status::NONE;
    Lock_holder holder; // what the lock file says (for NONE: nothing)
    std::string reason; // why a lock is stale, in words ("its process 4711 on lab-pc is gone")
};

// A lock on another host is taken for stale once it is this old: a host cannot see whether another
// host's process still runs.
constexpr long LOCK_STALE_SECONDS = 24 * 60 * 60;

std::string lock_file_path(const std::string& setup_path);
// This process as a lock names it.
Lock_holder this_process(std::time_t now);
// Reads the lock file of setup_path. An unreadable or unrecognisable lock file counts as stale, as it
// cannot belong to a running editor (an editor writes its lock whole, by a rename).
Lock_state inspect_lock(const std::string& setup_path, std::time_t now);
// Writes this process's lock. Without replace it is made only where no lock file is (atomically: two
// editors opening at once cannot both succeed); with replace it takes the place of any lock there.
// False with the system's reason (a read-only folder) or "locked" when another lock was there first.
bool write_lock(const std::string& setup_path, bool replace, std::time_t now, std::string* reason);
// Removes the lock when it is this process's; another's is left alone.
void remove_lock(const std::string& setup_path);
// "anna on lab-pc (process 4711), since 2026-12-09 14:02"
std::string holder_text(const Lock_holder& holder);
