// The lock file: written whole under a temporary name and linked or renamed into place, read line by line.
#include "File_lock.h"

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <sstream>

#include "Safe_save.h"

namespace {

const char FIRST_LINE[] = "vemora-editor lock";
constexpr size_t LOCK_SIZE_MAX = 4096;

std::string user_name() {
    if (const char* u = std::getenv("USER"); u != nullptr && *u != 0) return u;
    if (const passwd* p = getpwuid(geteuid()); p != nullptr && p->pw_name != nullptr) return p->pw_name;
    return "uid " + std::to_string(geteuid());
}

std::string host_name() {
    char name[256] = {};
    if (gethostname(name, sizeof name - 1) != 0 || name[0] == 0) return "localhost";
    return name;
}

// One line of a lock file: no line breaks in a name a system gave.
std::string one_line(std::string text) {
    for (char& c : text)
        if (c == '\n' || c == '\r') c = ' ';
    return text.substr(0, 200);
}

std::string lock_text(const Lock_holder& h) {
    return std::string(FIRST_LINE) + "\nuser: " + one_line(h.user) + "\nhost: " + one_line(h.host) +
           "\npid: " + std::to_string(h.pid) + "\ntime: " + std::to_string(static_cast<long long>(h.time)) +
           "\n";
}

bool parse_lock(const std::string& text, Lock_holder* h) {
    std::istringstream in(text);
    std::string line;
    if (!std::getline(in, line) || line != FIRST_LINE) return false;
    bool pid = false, time = false;
    while (std::getline(in, line)) {
        const size_t colon = line.find(": ");
        if (colon == std::string::npos) continue;
        const std::string key = line.substr(0, colon), value = line.substr(colon + 2);
        char* end = nullptr;
        errno = 0;
        if (key == "user") {
            h->user = value;
        } else if (key == "host") {
            h->host = value;
        } else if (key == "pid") {
            h->pid = std::strtol(value.c_str(), &end, 10);
            pid = errno == 0 && end != value.c_str() && *end == 0 && h->pid > 0;
        } else if (key == "time") {
            h->time = static_cast<std::time_t>(std::strtoll(value.c_str(), &end, 10));
            time = errno == 0 && end != value.c_str() && *end == 0;
        }
    }
    return pid && time && !h->host.empty();
}

bool read_lock(const std::string& path, std::string* text, bool* exists) {
    *exists = false;
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) {
        *exists = errno != ENOENT;
        return false;
    }
    *exists = true;
    char buffer[LOCK_SIZE_MAX + 1];
    size_t got = 0;
    for (ssize_t n; got < sizeof buffer && (n = read(fd, buffer + got, sizeof buffer - got)) != 0;) {
        if (n < 0) {
            if (errno == EINTR) continue;
            close(fd);
            return false;
        }
        got += static_cast<size_t>(n);
    }
    close(fd);
    if (got > LOCK_SIZE_MAX) return false;
    text->assign(buffer, got);
    return true;
}

bool process_alive(long pid) {
    return kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

std::string folder_of(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".")
           : slash == 0               ? std::string("/")
                                      : path.substr(0, slash);
}

std::string name_of(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace

std::string lock_file_path(const std::string& setup_path) {
    return setup_path + ".lock";
}

Lock_holder this_process(std::time_t now) {
    return {user_name(), host_name(), static_cast<long>(getpid()), now};
}

Lock_state inspect_lock(const std::string& setup_path, std::time_t now) {
    Lock_state state;
    std::string text;
    bool exists = false;
    if (!read_lock(lock_file_path(setup_path), &text, &exists)) {
        if (!exists) return state;
        state.status = Lock_status::STALE;
        state.reason = "it cannot be read";
        return state;
    }
    if (!parse_lock(text, &state.holder)) {
        state.status = Lock_status::STALE;
        state.reason = "it is no lock this program wrote";
        state.holder = Lock_holder();
        return state;
    }
    const Lock_holder me = this_process(now);
    const Lock_holder& h = state.holder;
    if (h.host == me.host) {
        if (h.pid == me.pid) {
            state.status = Lock_status::MINE;
        } else if (!process_alive(h.pid)) {
            state.status = Lock_status::STALE;
            state.reason = "its process " + std::to_string(h.pid) + " on " + h.host + " is gone";
        } else {
            state.status = Lock_status::HELD;
        }
    } else if (now - h.time > LOCK_STALE_SECONDS) {
        state.status = Lock_status::STALE;
        state.reason = "it is more than a day old and from another computer";
    } else {
        state.status = Lock_status::HELD;
    }
    return state;
}

bool write_lock(const std::string& setup_path, bool replace, std::time_t now, std::string* reason) {
    const std::string lock = lock_file_path(setup_path);
    const std::string temp =
        folder_of(lock) + "/" + save_temporary_name(name_of(lock), static_cast<size_t>(NAME_MAX));
    const int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) {
        if (reason != nullptr) *reason = std::strerror(errno);
        return false;
    }
    const std::string text = lock_text(this_process(now));
    bool written = write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    const int write_error = errno;
    written = close(fd) == 0 && written;
    if (!written) {
        unlink(temp.c_str());
        if (reason != nullptr) *reason = std::strerror(write_error != 0 ? write_error : EIO);
        return false;
    }
    // link refuses a name that exists, also between two hosts on a shared folder; rename replaces.
    const int result = replace ? rename(temp.c_str(), lock.c_str()) : link(temp.c_str(), lock.c_str());
    const int error = errno;
    if (!replace || result != 0) unlink(temp.c_str());
    if (result != 0) {
        if (reason != nullptr) *reason = error == EEXIST ? "locked" : std::strerror(error);
        return false;
    }
    return true;
}

void remove_lock(const std::string& setup_path) {
    if (inspect_lock(setup_path, std::time(nullptr)).status == Lock_status::MINE)
        unlink(lock_file_path(setup_path).c_str());
}

std::string holder_text(const Lock_holder& h) {
    char when[32] = "an unknown time";
    const std::time_t t = h.time;
    std::tm local{};
    if (localtime_r(&t, &local) != nullptr) std::strftime(when, sizeof when, "%Y-%m-%d %H:%M", &local);
    return (h.user.empty() ? std::string("someone") : h.user) + " on " + h.host + " (process " +
           std::to_string(h.pid) + "), since " + when;
}
