// The versions folder of a setup file: names, notes, the fallback folder, keeping the old file at a save
// (a hard link where the file system allows it, a copy where not), listing and retention.
#include "Versions.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <map>
#include <mutex>
#include <set>

#include "File_identity.h"
#include "Safe_save.h"

namespace {

const char FOLDER_SUFFIX[] = ".versions";
const char NOTE_SUFFIX[] = ".note";
constexpr size_t NOTE_SUFFIX_LENGTH = sizeof NOTE_SUFFIX - 1;
constexpr size_t STAMP_LENGTH = 17; // "2024-05-01_120000"
constexpr int NUMBER_MAX = 9999;    // saves within one second
constexpr size_t NOTE_READ_MAX = 1 << 20;
const char NOTE_HEADER[] = "# Vemora Editor: the setup file as it was before a save";
constexpr long DAY = 86400;

std::string name_of(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string dir_of(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string joined(const std::string& folder, const std::string& name) {
    return folder == "/" ? "/" + name : folder + "/" + name;
}

// "setup.xml" is "setup" and ".xml"; a name without an extension (or only a leading dot) is all stem.
void split_name(const std::string& name, std::string* stem, std::string* ext) {
    const size_t dot = name.find_last_of('.');
    if (dot == std::string::npos || dot == 0) {
        *stem = name;
        ext->clear();
    } else {
        *stem = name.substr(0, dot);
        *ext = name.substr(dot);
    }
}

bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

std::time_t default_time(const Version_keeping& k) {
    if (k.note.time != 0) return k.note.time;
    return k.clock ? k.clock() : std::time(nullptr);
}

std::string system_user() {
    if (const passwd* pw = getpwuid(geteuid())) return pw->pw_name;
    if (const char* user = std::getenv("USER")) return user;
    return "uid " + std::to_string(geteuid());
}

std::string system_host() {
    char host[256] = {};
    if (gethostname(host, sizeof host - 1) != 0) return "";
    return host;
}

std::string home_folder() {
    if (const char* home = std::getenv("HOME"); home != nullptr && home[0] == '/') return home;
    if (const passwd* pw = getpwuid(geteuid()); pw != nullptr && pw->pw_dir != nullptr) return pw->pw_dir;
    return "/tmp";
}

// The setup file's absolute path, its folder resolved, for a name that stays the same from any working
// folder.
std::string absolute_path(const std::string& path) {
    const std::string folder = dir_of(path);
    if (char* real = realpath(folder.c_str(), nullptr)) {
        const std::string result = joined(real, name_of(path));
        std::free(real);
        return result;
    }
    if (!path.empty() && path[0] == '/') return path;
    char cwd[4096];
    return getcwd(cwd, sizeof cwd) != nullptr ? joined(cwd, path) : path;
}

int make_folders(const std::string& path, mode_t mode) {
    for (size_t at = 1; at <= path.size(); ++at) {
        if (at < path.size() && path[at] != '/') continue;
        const std::string part = path.substr(0, at);
        if (mkdir(part.c_str(), mode) != 0 && errno != EEXIST) return errno;
    }
    return 0;
}

// ---- the note ----

std::string escaped(const std::string& text) {
    std::string out;
    const size_t n = std::min(text.size(), NOTE_TEXT_MAX);
    for (size_t i = 0; i < n; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '\\')
            out += "\\\\";
        else if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else if (c == '\t')
            out += "\\t";
        else if (c < 0x20 || c == 0x7F) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        } else
            out += static_cast<char>(c);
    }
    if (text.size() > NOTE_TEXT_MAX) out += "...";
    return out;
}

int hex_value(char c) {
    if (is_digit(c)) return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

std::string unescaped(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        const char c = text[++i];
        if (c == 'n')
            out += '\n';
        else if (c == 'r')
            out += '\r';
        else if (c == 't')
            out += '\t';
        else if (c == 'x' && i + 2 < text.size() && hex_value(text[i + 1]) >= 0 &&
                 hex_value(text[i + 2]) >= 0) {
            out += static_cast<char>(hex_value(text[i + 1]) * 16 + hex_value(text[i + 2]));
            i += 2;
        } else
            out += c;
    }
    return out;
}

std::string local_stamp(std::time_t t, const char* format) {
    std::tm parts{};
    localtime_r(&t, &parts);
    char text[64];
    return std::strftime(text, sizeof text, format, &parts) > 0 ? text : "";
}

} // namespace

std::string note_text(const Version_note& note) {
    std::string text = std::string(NOTE_HEADER) + "\n";
    text +=
        "saved: " + local_stamp(note.time, "%Y-%m-%d %H:%M:%S") + " (" + std::to_string(note.time) + ")\n";
    text += "user: " + escaped(note.user) + "\n";
    text += "host: " + escaped(note.host) + "\n";
    text +=
        "stations: " + (note.stations < 0 ? std::string("unknown") : std::to_string(note.stations)) + "\n";
    if (!note.label.empty()) text += "label: " + escaped(note.label) + "\n";
    text += "changes:\n";
    const size_t shown = std::min(note.changes.size(), NOTE_CHANGES_MAX);
    for (size_t i = 0; i < shown; ++i)
        text += "\t" + escaped(note.changes[i]) + "\n";
    if (note.changes.size() > shown)
        text += "\t... and " + std::to_string(note.changes.size() - shown) + " more\n";
    return text;
}

bool parse_note(const std::string& text, Version_note* note) {
    Version_note n;
    size_t at = 0;
    bool first = true, in_changes = false;
    while (at < text.size()) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        const std::string line = text.substr(at, end - at);
        at = end + 1;
        if (first) {
            if (line != NOTE_HEADER) return false;
            first = false;
            continue;
        }
        if (in_changes) {
            if (!line.empty() && line[0] == '\t') n.changes.push_back(unescaped(line.substr(1)));
            continue;
        }
        const size_t colon = line.find(": ");
        const std::string key = line == "changes:" ? "changes" : line.substr(0, colon);
        const std::string value = colon == std::string::npos ? "" : line.substr(colon + 2);
        if (key == "changes") {
            in_changes = true;
        } else if (key == "saved") {
            const size_t open = value.rfind('(');
            if (open != std::string::npos)
                n.time = static_cast<std::time_t>(std::atoll(value.c_str() + open + 1));
        } else if (key == "user") {
            n.user = unescaped(value);
        } else if (key == "host") {
            n.host = unescaped(value);
        } else if (key == "stations") {
            n.stations =
                value == "unknown" || value.empty() || !is_digit(value[0]) ? -1 : std::atol(value.c_str());
        } else if (key == "label") {
            n.label = unescaped(value);
        }
    }
    if (first) return false;
    if (note != nullptr) *note = std::move(n);
    return true;
}

// ---- names and folders ----

std::string versions_folder(const std::string& setup_path) {
    return setup_path + FOLDER_SUFFIX;
}

std::string fallback_versions_folder(const std::string& setup_path) {
    const char* state = std::getenv("XDG_STATE_HOME");
    const std::string base =
        state != nullptr && state[0] == '/' ? std::string(state) : home_folder() + "/.local/state";
    const std::string absolute = absolute_path(setup_path);
    char hash[24];
    std::snprintf(hash, sizeof hash, "%016llx",
                  static_cast<unsigned long long>(content_hash(absolute.data(), absolute.size())));
    // The name's first part only helps a person find the folder; the hash makes it unique.
    std::string shown = name_of(setup_path).substr(0, 100);
    return base + "/vemora/versions/" + shown + "-" + hash;
}

std::string version_name(const std::string& setup_name, std::time_t t, int n) {
    std::string stem, ext;
    split_name(setup_name, &stem, &ext);
    std::string name = stem + "." + local_stamp(t, "%Y-%m-%d_%H%M%S");
    if (n > 1) name += "-" + std::to_string(n);
    return name + ext;
}

bool parse_version_name(const std::string& name, const std::string& setup_name, bool* note, std::time_t* t,
                        int* n) {
    std::string stem, ext;
    split_name(setup_name, &stem, &ext);
    if (name.size() < stem.size() + 1 + STAMP_LENGTH + ext.size()) return false;
    if (name.compare(0, stem.size(), stem) != 0 || name[stem.size()] != '.') return false;
    size_t at = stem.size() + 1;
    const std::string stamp = name.substr(at, STAMP_LENGTH);
    static const char shape[] = "dddd-dd-dd_dddddd";
    for (size_t i = 0; i < STAMP_LENGTH; ++i)
        if (shape[i] == 'd' ? !is_digit(stamp[i]) : stamp[i] != shape[i]) return false;
    at += STAMP_LENGTH;
    int number = 1;
    if (at < name.size() && name[at] == '-') {
        size_t digits = 0;
        while (at + 1 + digits < name.size() && is_digit(name[at + 1 + digits]) && digits < 5)
            ++digits;
        if (digits == 0 || name[at + 1] == '0') return false;
        number = std::atoi(name.substr(at + 1, digits).c_str());
        if (number < 2 || number > NUMBER_MAX) return false;
        at += 1 + digits;
    }
    const std::string rest = name.substr(at);
    bool is_note;
    if (rest == ext)
        is_note = false;
    else if (rest == ext + NOTE_SUFFIX)
        is_note = true;
    else
        return false;
    std::tm parts{};
    parts.tm_year = std::atoi(stamp.substr(0, 4).c_str()) - 1900;
    parts.tm_mon = std::atoi(stamp.substr(5, 2).c_str()) - 1;
    parts.tm_mday = std::atoi(stamp.substr(8, 2).c_str());
    parts.tm_hour = std::atoi(stamp.substr(11, 2).c_str());
    parts.tm_min = std::atoi(stamp.substr(13, 2).c_str());
    parts.tm_sec = std::atoi(stamp.substr(15, 2).c_str());
    parts.tm_isdst = -1;
    if (parts.tm_mon > 11 || parts.tm_mday < 1 || parts.tm_mday > 31 || parts.tm_hour > 23 ||
        parts.tm_min > 59 || parts.tm_sec > 60)
        return false;
    const std::time_t when = mktime(&parts);
    if (when == static_cast<std::time_t>(-1)) return false;
    if (note != nullptr) *note = is_note;
    if (t != nullptr) *t = when;
    if (n != nullptr) *n = number;
    return true;
}

namespace {

// The names in a folder that are versions (and notes) of setup_name.
struct Found {
    std::string name;
    bool note;
    std::time_t time;
    int number;
};

std::vector<Found> found_in(const std::string& folder, const std::string& setup_name) {
    std::vector<Found> found;
    DIR* d = opendir(folder.c_str());
    if (d == nullptr) return found;
    while (const dirent* entry = readdir(d)) {
        Found f;
        f.name = entry->d_name;
        if (parse_version_name(f.name, setup_name, &f.note, &f.time, &f.number))
            found.push_back(std::move(f));
    }
    closedir(d);
    return found;
}

bool is_regular(const std::string& path, struct stat* info = nullptr) {
    struct stat s {};
    if (lstat(path.c_str(), &s) != 0 || !S_ISREG(s.st_mode)) return false;
    if (info != nullptr) *info = s;
    return true;
}

bool read_small(const std::string& path, std::string* text) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) return false;
    text->assign(NOTE_READ_MAX, '\0');
    const size_t n = std::fread(&(*text)[0], 1, text->size(), f);
    std::fclose(f);
    text->resize(n);
    return true;
}

std::vector<std::string> folders_of(const std::string& setup_path) {
    std::vector<std::string> folders{versions_folder(setup_path)};
    const std::string fallback = fallback_versions_folder(setup_path);
    if (fallback != folders[0]) folders.push_back(fallback);
    return folders;
}

bool newer(const Version_entry& a, const Version_entry& b) {
    if (a.time != b.time) return a.time > b.time;
    if (a.number != b.number) return a.number > b.number;
    return a.file > b.file;
}

} // namespace

std::vector<Version_entry> list_versions(const std::string& setup_path) {
    std::vector<Version_entry> entries;
    const std::string setup_name = name_of(setup_path);
    for (const std::string& folder : folders_of(setup_path)) {
        const std::vector<Found> found = found_in(folder, setup_name);
        std::set<std::string> notes;
        for (const Found& f : found)
            if (f.note) notes.insert(f.name);
        for (const Found& f : found) {
            if (f.note) continue;
            Version_entry e;
            e.file = joined(folder, f.name);
            if (!is_regular(e.file)) continue;
            e.time = f.time;
            e.number = f.number;
            const std::string note_name = f.name + NOTE_SUFFIX;
            std::string text;
            if (notes.count(note_name) > 0 && is_regular(joined(folder, note_name)) &&
                read_small(joined(folder, note_name), &text)) {
                e.note_file = joined(folder, note_name);
                if (!parse_note(text, &e.note)) e.note = Version_note();
            }
            entries.push_back(std::move(e));
        }
    }
    std::sort(entries.begin(), entries.end(), newer);
    return entries;
}

int prune_versions(const std::string& setup_path, std::time_t now, std::vector<std::string>* removed,
                   std::string* reason) {
    const std::vector<Version_entry> entries = list_versions(setup_path);
    std::set<std::pair<int, int>> days_seen; // (year, day of the year) of a version kept as its day's last
    std::string failed;
    const auto remove = [&](const std::string& path) {
        if (unlink(path.c_str()) != 0 && errno != ENOENT && failed.empty())
            failed = "cannot remove \"" + path + "\": " + std::strerror(errno);
    };
    for (size_t i = 0; i < entries.size(); ++i) {
        const Version_entry& e = entries[i];
        const long age = static_cast<long>(now - e.time);
        std::tm parts{};
        localtime_r(&e.time, &parts);
        const bool first_of_day = days_seen.insert({parts.tm_year, parts.tm_yday}).second;
        bool keep;
        if (i < VERSIONS_KEPT_NEWEST || age <= VERSIONS_KEPT_DAYS * DAY)
            keep = true;
        else if (age > VERSIONS_MAX_DAYS * DAY)
            keep = false;
        else
            keep = first_of_day; // the list is newest first: the first seen of a day is its last
        if (keep) continue;
        remove(e.file);
        if (!e.note_file.empty()) remove(e.note_file);
        if (removed != nullptr) removed->push_back(e.file);
    }
    // Notes whose version is gone (a save killed between writing the note and keeping the file), once
    // they are too old to belong to a save still running.
    const std::string setup_name = name_of(setup_path);
    for (const std::string& folder : folders_of(setup_path)) {
        const std::vector<Found> found = found_in(folder, setup_name);
        std::set<std::string> versions;
        for (const Found& f : found)
            if (!f.note) versions.insert(f.name + NOTE_SUFFIX);
        for (const Found& f : found)
            if (f.note && versions.count(f.name) == 0 && now - f.time > 60 &&
                is_regular(joined(folder, f.name)))
                remove(joined(folder, f.name));
    }
    if (!failed.empty()) {
        if (reason != nullptr) *reason = failed;
        return 1;
    }
    return 0;
}

// ---- keeping the old file at a save ----

namespace {

// The folder a version goes to: the one beside the file when it can be made and written, else the
// per-user fallback; "" for the reason in *why.
std::string usable_folder(const std::string& setup_path, bool* fallback, std::string* why) {
    const std::string primary = versions_folder(setup_path);
    int error = 0;
    if (mkdir(primary.c_str(), 0777) != 0 && errno != EEXIST) error = errno;
    struct stat info {};
    if (error == 0 && stat(primary.c_str(), &info) != 0) error = errno;
    if (error == 0 && !S_ISDIR(info.st_mode)) error = ENOTDIR;
    if (error == 0 && access(primary.c_str(), W_OK | X_OK) != 0) error = errno;
    *fallback = false;
    if (error == 0) return primary;
    *fallback = true;
    *why = error == ENOTDIR ? "a file of that name is in the way" : std::strerror(error);
    const std::string second = fallback_versions_folder(setup_path);
    if (const int e = make_folders(second, 0700)) {
        *why = "neither \"" + primary + "\" (" + *why + ") nor \"" + second + "\" (" + std::strerror(e) +
               ") can be made";
        return "";
    }
    if (access(second.c_str(), W_OK | X_OK) != 0) {
        *why = "neither \"" + primary + "\" (" + *why + ") nor \"" + second + "\" (" + std::strerror(errno) +
               ") can be written";
        return "";
    }
    return second;
}

// A version already linked to the old file: one that a save killed before its rename left.
std::string linked_version(const std::string& folder, const std::string& setup_name, const struct stat& old) {
    for (const Found& f : found_in(folder, setup_name)) {
        struct stat info {};
        if (!f.note && is_regular(joined(folder, f.name), &info) && info.st_dev == old.st_dev &&
            info.st_ino == old.st_ino)
            return joined(folder, f.name);
    }
    return "";
}

// The stations of a setup file as this program writes it: its STATION start tags.
long count_stations(int dir, const std::string& name) {
    const int fd = openat(dir, name.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) return -1;
    struct stat info {};
    if (fstat(fd, &info) != 0 || info.st_size <= 0) {
        close(fd);
        return info.st_size == 0 ? 0 : -1;
    }
    const size_t size = static_cast<size_t>(info.st_size);
    void* map = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
    close(fd);
    if (map == MAP_FAILED) return -1;
    const char* p = static_cast<const char*>(map);
    const char* end = p + size;
    static const char tag[] = "<STATION";
    long count = 0;
    while (const void* found = memmem(p, static_cast<size_t>(end - p), tag, sizeof tag - 1)) {
        p = static_cast<const char*>(found) + sizeof tag - 1;
        if (p < end && (*p == ' ' || *p == '>' || *p == '/' || *p == '\t' || *p == '\r' || *p == '\n'))
            ++count;
    }
    munmap(map, size);
    return count;
}

// Writes bytes as a whole new file (named only once complete) with the given permissions.
std::string write_whole(const std::string& path, const std::function<int(FILE*)>& content, mode_t mode) {
    std::string reason;
    const int result = save_file(
        path.c_str(),
        [&](FILE* f) {
            fchmod(fileno(f), mode);
            return content(f);
        },
        &reason);
    return result == 0 ? "" : reason;
}

// Copies the old file, checked to be the one the save replaces, into a new file at path.
std::string copy_old(int dir, const std::string& name, const struct stat& old, const std::string& path) {
    const int fd = openat(dir, name.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) return std::strerror(errno);
    struct stat info {};
    if (fstat(fd, &info) != 0 || info.st_dev != old.st_dev || info.st_ino != old.st_ino) {
        close(fd);
        return "the file was replaced by another while it was being saved";
    }
    const std::string why = write_whole(
        path,
        [fd](FILE* f) {
            char block[1 << 16];
            for (;;) {
                const ssize_t n = read(fd, block, sizeof block);
                if (n < 0 && errno == EINTR) continue;
                if (n < 0) return errno;
                if (n == 0) return 0;
                if (std::fwrite(block, 1, static_cast<size_t>(n), f) != static_cast<size_t>(n))
                    return errno != 0 ? errno : EIO;
            }
        },
        old.st_mode & 0777);
    close(fd);
    return why;
}

std::mutex told_mutex;
std::set<std::string> told_folders;

} // namespace

std::string keep_version(const std::string& setup_path, int dir, const std::string& name,
                         const struct stat& old, Version_keeping& k, Kept_version* kept) {
    *kept = Kept_version();
    bool fallback = false;
    std::string why;
    const std::string folder = usable_folder(setup_path, &fallback, &why);
    if (folder.empty()) return "the version of the old file cannot be kept: " + why;
    if (fallback) {
        std::lock_guard<std::mutex> lock(told_mutex);
        if (told_folders.insert(folder).second)
            k.told = "versions of \"" + name_of(setup_path) + "\" are kept in \"" + folder + "\": \"" +
                     versions_folder(setup_path) + "\" cannot be used (" + why + ")";
    }
    const std::string setup_name = name_of(setup_path);
    const std::string already = linked_version(folder, setup_name, old);
    if (!already.empty()) {
        kept->file = k.kept_file = already;
        return "";
    }

    Version_note note = k.note;
    note.time = default_time(k);
    if (note.user.empty()) note.user = system_user();
    if (note.host.empty()) note.host = system_host();
    if (note.stations < 0) note.stations = count_stations(dir, name);
    const std::string text = note_text(note);
    const auto put_text = [&text](FILE* f) {
        return std::fwrite(text.data(), 1, text.size(), f) == text.size() ? 0 : (errno != 0 ? errno : EIO);
    };
    const mode_t mode = old.st_mode & 0777;

    for (int n = 1; n <= NUMBER_MAX; ++n) {
        const std::string file = joined(folder, version_name(setup_name, note.time, n));
        const std::string note_file = file + NOTE_SUFFIX;
        struct stat info {};
        if (lstat(file.c_str(), &info) == 0 || lstat(note_file.c_str(), &info) == 0) continue;
        // The note first: a save killed after it leaves a note without a version, which pruning removes;
        // killed after the link, the old file is both in place and kept.
        why = write_whole(note_file, put_text, mode);
        if (!why.empty()) return "the version's note cannot be written (" + why + ")";
        int error = 0;
        if (linkat(dir, name.c_str(), AT_FDCWD, file.c_str(), 0) != 0) error = errno;
        if (error == EEXIST) { // another save took the name in between
            unlink(note_file.c_str());
            continue;
        }
        if (error != 0) {
            // No hard link here (another file system, a file system without links, a file of another
            // user's): a copy, named only once complete.
            why = copy_old(dir, name, old, file);
            if (!why.empty()) {
                unlink(note_file.c_str());
                return "the old file cannot be copied into \"" + folder + "\" (" + why + ")";
            }
        }
        kept->file = k.kept_file = file;
        kept->note_file = note_file;
        kept->made = true;
        return "";
    }
    return "the version of the old file cannot be kept: too many saves within one second";
}

void drop_version(const Kept_version& kept) {
    if (!kept.made) return;
    unlink(kept.file.c_str());
    if (!kept.note_file.empty()) unlink(kept.note_file.c_str());
}

unsigned long version_links(const std::string& setup_path, const struct stat& old) {
    unsigned long links = 0;
    const std::string setup_name = name_of(setup_path);
    for (const std::string& folder : folders_of(setup_path))
        for (const Found& f : found_in(folder, setup_name)) {
            struct stat info {};
            if (!f.note && is_regular(joined(folder, f.name), &info) && info.st_dev == old.st_dev &&
                info.st_ino == old.st_ino)
                ++links;
        }
    return links;
}
