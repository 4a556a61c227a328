// Saving a file in place of another: the file found through its links, what a save refuses, the new file
// given the old one's owner, group, mode and extended attributes, the rename by a helper process, and the
// temporary files that killed saves left.
#include "Safe_save.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <pthread.h>
#include <sched.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <vector>

#include "Reading_context.h"
#include "Reading_report.h"

namespace {

const char TEMP_MARK[] = ".vemora-";
constexpr size_t TEMP_MARK_LENGTH = sizeof TEMP_MARK - 1;
constexpr size_t RANDOM_LENGTH = 6;
constexpr int LINKS_FOLLOWED_MAX = 40; // the kernel's own bound on a chain of links
const char ACL_ATTRIBUTE[] = "system.posix_acl_access";

std::string system_reason(int error) {
    return std::strerror(error);
}

std::string mode_text(mode_t mode) {
    char text[16];
    std::snprintf(text, sizeof text, "mode %03o", static_cast<unsigned>(mode & 07777));
    return text;
}

bool is_letter_or_digit(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// Six letters and digits for a temporary name, as mkstemp would choose them.
std::string random_suffix() {
    static const char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    unsigned char bytes[RANDOM_LENGTH];
    if (getrandom(bytes, sizeof bytes, 0) != static_cast<ssize_t>(sizeof bytes)) {
        const unsigned long long seed = static_cast<unsigned long long>(getpid()) * 2654435761u ^
                                        static_cast<unsigned long long>(clock());
        for (size_t i = 0; i < sizeof bytes; ++i)
            bytes[i] = static_cast<unsigned char>(seed >> (i * 8));
    }
    std::string suffix(RANDOM_LENGTH, 'x');
    for (size_t i = 0; i < sizeof bytes; ++i)
        suffix[i] = letters[bytes[i] % (sizeof letters - 1)];
    return suffix;
}

} // namespace

std::string save_temporary_name(const std::string& name, size_t name_max) {
    const std::string tail = TEMP_MARK + random_suffix();
    return name.size() + tail.size() <= name_max ? name + tail : tail;
}

bool is_save_temporary_name(const std::string& name, const std::string& target_name) {
    const size_t tail = TEMP_MARK_LENGTH + RANDOM_LENGTH;
    if (name.size() != tail && name.size() != target_name.size() + tail) return false;
    const size_t at = name.size() - tail;
    if (name.compare(0, at, target_name, 0, at) != 0) return false;
    if (name.compare(at, TEMP_MARK_LENGTH, TEMP_MARK) != 0) return false;
    return std::all_of(name.end() - RANDOM_LENGTH, name.end(), is_letter_or_digit);
}

namespace {

// The file a save replaces: the one the path names, or where its links lead.
struct Target {
    std::string folder, name;
    bool exists = false;
    bool through_link = false;
    struct stat info {};
};

std::string in_folder(const std::string& folder, const std::string& name) {
    return folder == "/" ? "/" + name : folder + "/" + name;
}

const char* kind_of(mode_t mode) {
    if (S_ISDIR(mode)) return "a folder";
    if (S_ISFIFO(mode)) return "a named pipe";
    if (S_ISSOCK(mode)) return "a socket";
    if (S_ISCHR(mode)) return "a character device";
    if (S_ISBLK(mode)) return "a block device";
    return "a special file";
}

int read_link(const std::string& path, std::string* text) {
    std::vector<char> buffer(256);
    for (;;) {
        const ssize_t n = readlink(path.c_str(), buffer.data(), buffer.size());
        if (n < 0) return errno;
        if (static_cast<size_t>(n) < buffer.size()) {
            text->assign(buffer.data(), static_cast<size_t>(n));
            return 0;
        }
        if (buffer.size() > (1u << 16)) return ENAMETOOLONG;
        buffer.resize(buffer.size() * 2);
    }
}

const char SAVE_AS_ITS_OWN[] = "; use Save As to save to a file of its own";
const std::string LINK_LOOP = std::string("it is a symbolic link in a loop of links") + SAVE_AS_ITS_OWN;

// Follows the links that name the file one at a time, with the rule the kernel applies when
// protected_symlinks is on: in a sticky, world-writable folder (as /tmp) a link is followed only when this
// user, root or the folder's owner owns it, since anyone else may have put it there to make this save
// replace a file of its choosing. "" or the reason for refusing.
std::string find_target(const std::string& path, Target* t) {
    std::string current = path;
    for (int followed = 0;; ++followed) {
        struct stat info {};
        if (lstat(current.c_str(), &info) != 0) {
            const int error = errno;
            if (t->through_link && (error == ENOENT || error == ENOTDIR))
                return std::string("it is a symbolic link to a file that does not exist") + SAVE_AS_ITS_OWN;
            if (t->through_link && error == ELOOP) return LINK_LOOP;
            if (error != ENOENT) return system_reason(error);
            break; // a new file
        }
        if (!S_ISLNK(info.st_mode)) {
            t->exists = true;
            t->info = info;
            break;
        }
        if (followed == LINKS_FOLLOWED_MAX) return LINK_LOOP;
        const std::string folder = folder_of(current);
        struct stat where {};
        if (stat(folder.c_str(), &where) != 0) return system_reason(errno);
        const bool shared = (where.st_mode & S_ISVTX) != 0 && (where.st_mode & S_IWOTH) != 0;
        if (shared && info.st_uid != geteuid() && info.st_uid != 0 && info.st_uid != where.st_uid)
            return "it is a symbolic link owned by another user (uid " + std::to_string(info.st_uid) +
                   ") in a shared folder (sticky and world-writable), which a save does not follow" +
                   SAVE_AS_ITS_OWN;
        std::string text;
        if (const int error = read_link(current, &text)) return system_reason(error);
        current = text[0] == '/' ? text : in_folder(folder, text);
        t->through_link = true;
    }
    const size_t slash = current.find_last_of('/');
    t->folder = folder_of(current);
    t->name = slash == std::string::npos ? current : current.substr(slash + 1);
    // "folder/": only a folder (or a link to one) exists under such a name.
    if (t->name.empty())
        return t->exists ? std::string("it is a folder, not a regular file") + SAVE_AS_ITS_OWN
                         : system_reason(ENOENT);
    return "";
}

// What a save refuses to replace, and whether this user may write the folder and the file; "" or why not.
std::string check_target(int dir, Target* t, const Save_keeping* keeping) {
    if (t->exists) {
        struct stat now {};
        if (fstatat(dir, t->name.c_str(), &now, AT_SYMLINK_NOFOLLOW) != 0) return system_reason(errno);
        if (now.st_dev != t->info.st_dev || now.st_ino != t->info.st_ino)
            return "it was replaced by another file while it was being saved; save again";
        const mode_t mode = now.st_mode;
        if (!S_ISREG(mode))
            return std::string(t->through_link ? "it is a symbolic link to " : "it is ") + kind_of(mode) +
                   (t->through_link ? ", not to a regular file" : ", not a regular file") + SAVE_AS_ITS_OWN;
        const unsigned long own =
            now.st_nlink > 1 && keeping != nullptr && keeping->own_links ? keeping->own_links(now) : 0;
        if (now.st_nlink > 1 + own)
            return "it has " + std::to_string(now.st_nlink) +
                   " hard links; saving would break the link: use Save As to save a copy";
    }
    if (faccessat(dir, ".", W_OK | X_OK, AT_EACCESS) != 0) return system_reason(errno);
    if (!t->exists) return "";
    // The folder lets anyone who may write it replace the file; the file's own mode says who should.
    const mode_t mode = t->info.st_mode & 07777;
    const std::string read_only =
        "it is read-only (" + mode_text(mode) + "); use Save As to save a copy, or make it writable first";
    if (geteuid() == 0) return (mode & 0222) == 0 ? read_only : "";
    if (faccessat(dir, t->name.c_str(), W_OK, AT_EACCESS) == 0) return "";
    const int error = errno;
    if (error != EACCES) return system_reason(error);
    if (t->info.st_uid == geteuid()) return read_only;
    return "you may not write it (" + mode_text(mode) + ", owner uid " + std::to_string(t->info.st_uid) +
           "); use Save As to save a copy";
}

// Gives the new file the old one's owner and group, before anything is written to it.
std::string keep_owner(int fd, const struct stat& old) {
    struct stat now {};
    if (fstat(fd, &now) != 0) return system_reason(errno);
    if (now.st_uid == old.st_uid && now.st_gid == old.st_gid) return "";
    if (fchown(fd, old.st_uid, old.st_gid) == 0) return "";
    const int error = errno;
    if (error != EPERM)
        return "its owner and group cannot be kept (" + system_reason(error) +
               "); use Save As to save a copy";
    if (now.st_uid != old.st_uid)
        return "it belongs to another user (uid " + std::to_string(old.st_uid) +
               "), and a file you save would belong to you; use Save As to save a copy";
    return "its group (gid " + std::to_string(old.st_gid) +
           ") cannot be kept, as you are not a member of it; use Save As to save a copy";
}

struct Attribute {
    std::string name, value;
};

// A file's extended attribute names through fd, or by path where it could not be opened. A file system
// without extended attributes has none.
int attribute_names(int fd, const std::string& path, std::vector<std::string>* names) {
    names->clear();
    std::vector<char> list;
    for (int attempt = 0; attempt < 8; ++attempt) {
        const ssize_t size = fd >= 0 ? flistxattr(fd, nullptr, 0) : llistxattr(path.c_str(), nullptr, 0);
        if (size < 0) return errno == ENOTSUP ? 0 : errno;
        if (size == 0) return 0;
        list.resize(static_cast<size_t>(size));
        const ssize_t got = fd >= 0 ? flistxattr(fd, list.data(), list.size())
                                    : llistxattr(path.c_str(), list.data(), list.size());
        if (got < 0 && errno == ERANGE) continue; // attributes were added in between
        if (got < 0) return errno;
        for (size_t at = 0; at < static_cast<size_t>(got);) {
            const size_t length = strnlen(list.data() + at, static_cast<size_t>(got) - at);
            if (length > 0) names->emplace_back(list.data() + at, length);
            at += length + 1;
        }
        return 0;
    }
    return ERANGE;
}

int attribute_value(int fd, const std::string& path, const std::string& name, std::string* value) {
    for (int attempt = 0; attempt < 8; ++attempt) {
        const ssize_t size = fd >= 0 ? fgetxattr(fd, name.c_str(), nullptr, 0)
                                     : lgetxattr(path.c_str(), name.c_str(), nullptr, 0);
        if (size < 0) return errno;
        value->assign(static_cast<size_t>(size), '\0');
        if (size == 0) return 0;
        const ssize_t got = fd >= 0 ? fgetxattr(fd, name.c_str(), &(*value)[0], value->size())
                                    : lgetxattr(path.c_str(), name.c_str(), &(*value)[0], value->size());
        if (got < 0 && errno == ERANGE) continue;
        if (got < 0) return errno;
        value->resize(static_cast<size_t>(got));
        return 0;
    }
    return ERANGE;
}

std::string attribute_shown(const std::string& name) {
    if (name == ACL_ATTRIBUTE) return "access control list";
    return "extended attribute \"" + shown_text(name, 80) + "\"";
}

// The old file's extended attributes (its ACL among them), read before the new file is written so that
// one that cannot be read refuses the save at once.
std::string read_attributes(int dir, const Target& t, std::vector<Attribute>* out) {
    // Through a descriptor where the file can be read (its identity checked); by path where it cannot,
    // which still lists its attributes and reads those that need no permission.
    int fd = openat(dir, t.name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd >= 0) {
        struct stat info {};
        if (fstat(fd, &info) != 0 || info.st_dev != t.info.st_dev || info.st_ino != t.info.st_ino) {
            close(fd);
            return "it was replaced by another file while it was being saved; save again";
        }
    }
    const std::string path = in_folder(t.folder, t.name);
    std::vector<std::string> names;
    int error = attribute_names(fd, path, &names);
    std::string failed;
    for (size_t i = 0; error == 0 && i < names.size(); ++i) {
        Attribute a;
        a.name = names[i];
        error = attribute_value(fd, path, a.name, &a.value);
        if (error == ENODATA)
            error = 0; // removed in between
        else if (error == 0)
            out->push_back(std::move(a));
        else
            failed = names[i];
    }
    if (fd >= 0) close(fd);
    if (error == 0) return "";
    if (failed.empty())
        return "its extended attributes cannot be read (" + system_reason(error) +
               "); use Save As to save a copy";
    return "its " + attribute_shown(failed) + " cannot be read (" + system_reason(error) +
           "); use Save As to save a copy";
}

// Gives the new file exactly the old one's attributes: any it got on its own (an ACL inherited from the
// folder's default ACL) go first, since they would change who may read or write it.
std::string give_attributes(int fd, const std::vector<Attribute>& old) {
    std::vector<std::string> present;
    if (const int error = attribute_names(fd, std::string(), &present))
        return "its extended attributes cannot be kept (" + system_reason(error) +
               "); use Save As to save a copy";
    for (const std::string& name : present) {
        const bool kept =
            std::any_of(old.begin(), old.end(), [&](const Attribute& a) { return a.name == name; });
        if (kept || fremovexattr(fd, name.c_str()) == 0 || errno == ENODATA) continue;
        return "a new file here gets the " + attribute_shown(name) +
               ", which it has not and which cannot be removed (" + system_reason(errno) +
               "); use Save As to save a copy";
    }
    for (const Attribute& a : old) {
        if (fsetxattr(fd, a.name.c_str(), a.value.data(), a.value.size(), 0) == 0) continue;
        const int error = errno;
        // One the system gives every new file already (a security label) need not be set.
        std::string now;
        if (attribute_value(fd, std::string(), a.name, &now) == 0 && now == a.value) continue;
        return "its " + attribute_shown(a.name) + " cannot be kept (" + system_reason(error) +
               "); use Save As to save a copy";
    }
    return "";
}

// The old file's permissions, last: they may take away this user's own right to write the new file.
std::string keep_mode(int fd, mode_t mode) {
    if (fchmod(fd, mode) != 0)
        return "its permissions (" + mode_text(mode) + ") cannot be kept (" + system_reason(errno) +
               "); use Save As to save a copy";
    struct stat now {};
    if (fstat(fd, &now) != 0) return system_reason(errno);
    // The system drops a set-group-ID bit silently where the group is not this user's.
    if ((now.st_mode & 07777) != mode)
        return "its permissions (" + mode_text(mode) + ") cannot be kept; use Save As to save a copy";
    return "";
}

// What the helper below needs and what it answers: the unnamed file as /proc/self/fd/N, candidate
// names beside the target, the target's folder and name; 0 or the error number, and whether naming
// already failed.
struct Placing {
    const char* self = nullptr;
    const char* const* names = nullptr; // null-terminated
    int dir = -1;
    const char* target = nullptr;
    int error = EIO;
    int naming_failed = 0;
};

// Gives the unnamed file a free name beside the target and renames it over the target. Only system
// calls, no allocation and no sanitizer instrumentation: it may run on the helper's own small stack.
#if defined(__clang__)
__attribute__((no_sanitize("address", "undefined", "coverage")))
#else
__attribute__((no_sanitize("address", "undefined")))
#endif
__attribute__((noinline)) int
name_and_rename(void* argument) {
    Placing* p = static_cast<Placing*>(argument);
    p->naming_failed = 1;
    p->error = EEXIST;
    for (const char* const* name = p->names; *name != nullptr; ++name) {
        if (linkat(AT_FDCWD, p->self, p->dir, *name, AT_SYMLINK_FOLLOW) == 0) {
            p->naming_failed = 0;
            p->error = renameat(p->dir, *name, p->dir, p->target) == 0 ? 0 : errno;
            if (p->error != 0) unlinkat(p->dir, *name, 0);
            return 0;
        }
        p->error = errno;
        // A name too long for this file system (whose limit may be below the one it tells) tries the
        // short names at the end of the list.
        if (p->error != EEXIST && p->error != ENAMETOOLONG) break;
    }
    return 0;
}

// Names the unnamed file and renames it over the target in a helper process that shares this one's
// memory and runs while this thread waits (as vfork does). Between the two steps the file has a name; a
// SIGKILL of the saving process there would leave it behind, but the helper is another process and
// finishes both steps. Where no helper can be started, the steps are taken here.
void put_in_place(int fd, int dir, const std::string& target, size_t name_max, Placing* p) {
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    std::vector<std::string> names;
    for (int i = 0; i < 16; ++i)
        names.push_back(save_temporary_name(target, i < 12 ? name_max : 0));
    std::vector<const char*> name_texts;
    for (const std::string& n : names)
        name_texts.push_back(n.c_str());
    name_texts.push_back(nullptr);
    p->self = self.c_str();
    p->names = name_texts.data();
    p->dir = dir;
    p->target = target.c_str();

    constexpr size_t stack_size = 64 * 1024;
    void* stack =
        mmap(nullptr, stack_size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_STACK, -1, 0);
    // The helper starts with every signal blocked, so that no handler of this process runs on its stack;
    // only SIGKILL and SIGSTOP reach it. This thread gets its signals once the helper is done.
    sigset_t all, before;
    sigfillset(&all);
    pthread_sigmask(SIG_SETMASK, &all, &before);
    const pid_t helper = stack == MAP_FAILED ? -1
                                             : clone(&name_and_rename, static_cast<char*>(stack) + stack_size,
                                                     CLONE_VM | CLONE_VFORK | SIGCHLD, p);
    pthread_sigmask(SIG_SETMASK, &before, nullptr);
    if (helper < 0) {
        name_and_rename(p);
    } else {
        while (waitpid(helper, nullptr, 0) < 0 && errno == EINTR) {
        }
    }
    if (stack != MAP_FAILED) munmap(stack, stack_size);
}

// Creates a named temporary file beside the target; 0 or the system's error number.
int create_named(int dir, const std::string& target, size_t name_max, std::string* temp, int* fd) {
    int error = EEXIST;
    for (int attempt = 0; attempt < 100; ++attempt) {
        *temp = save_temporary_name(target, name_max);
        *fd = openat(dir, temp->c_str(), O_CREAT | O_EXCL | O_WRONLY | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (*fd >= 0) return 0;
        error = errno;
        if (error == ENAMETOOLONG && name_max > 0)
            name_max = 0; // the file system's limit is lower
        else if (error != EEXIST)
            break;
    }
    temp->clear();
    return error;
}

// Removes what killed saves of this file left, and nothing else: one of its temporary names, a regular
// file of this user's with no other link, that nobody has written to for a while (a younger one may
// belong to a save still running).
void remove_leftovers(int dir, const std::string& target) {
    const int fd = openat(dir, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    DIR* folder = fdopendir(fd);
    if (folder == nullptr) {
        close(fd);
        return;
    }
    std::vector<std::string> candidates;
    while (const dirent* entry = readdir(folder))
        if (is_save_temporary_name(entry->d_name, target)) candidates.emplace_back(entry->d_name);
    closedir(folder);
    const time_t now = time(nullptr);
    for (const std::string& name : candidates) {
        struct stat info {};
        if (fstatat(dir, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) continue;
        if (!S_ISREG(info.st_mode) || info.st_uid != geteuid() || info.st_nlink != 1) continue;
        if (now - info.st_mtime < SAVE_LEFTOVER_AGE_SECONDS) continue;
        unlinkat(dir, name.c_str(), 0);
    }
}

// How a save puts its file in place: an unnamed file named at the end, or a named temporary file.
enum class Save_way { UNNAMED, NAMED, NAMING_FAILED };

struct Save_job {
    const Target* target;
    int dir;         // the target's folder
    mode_t mode;     // the new file's permissions
    size_t name_max; // the longest name the folder takes
    const Save_content* content;
    const Save_keeping* keeping;
};

// Keeps the old file as the save asks, right before the rename; "" or why not.
std::string keep_old(const Save_job& job) {
    if (!job.target->exists || job.keeping == nullptr || !job.keeping->keep_old) return "";
    return job.keeping->keep_old(job.dir, job.target->name, job.target->info);
}

void drop_kept(const Save_job& job) {
    if (job.target->exists && job.keeping != nullptr && job.keeping->drop_kept) job.keeping->drop_kept();
}

// One attempt to write the content and put it in place of the target: 0, or the system's error number,
// or a refusal set in *refusal.
int save_once(const Save_job& job, Save_way* way, std::string* refusal) {
    const Target& target = *job.target;
    std::string temp;
    int fd = -1;
    if (*way == Save_way::UNNAMED) {
        fd = openat(job.dir, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
        if (fd < 0 && errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) return errno;
        if (fd < 0) *way = Save_way::NAMED;
    }
    if (fd < 0) {
        if (const int error = create_named(job.dir, target.name, job.name_max, &temp, &fd)) return error;
    }
    const bool unnamed = *way == Save_way::UNNAMED;

    // A second descriptor keeps an unnamed file alive after the stream is closed, so that every error the
    // close reports comes before the file is given a name.
    const int kept = unnamed ? dup(fd) : -1;
    const auto fail = [&](int error) {
        if (kept >= 0) close(kept);
        if (!temp.empty()) unlinkat(job.dir, temp.c_str(), 0);
        return error != 0 ? error : EIO;
    };
    const auto refuse = [&](const std::string& why) {
        *refusal = why;
        return fail(EPERM);
    };
    if (unnamed && kept < 0) {
        const int error = errno;
        close(fd);
        return fail(error);
    }
    // Owner and group go first, so that a refusal costs no writing; the attributes are read now for the
    // same reason and given once the content is written.
    std::vector<Attribute> attributes;
    if (target.exists) {
        std::string why = keep_owner(fd, target.info);
        if (why.empty()) why = read_attributes(job.dir, target, &attributes);
        if (!why.empty()) {
            close(fd);
            return refuse(why);
        }
    } else {
        fchmod(fd, job.mode); // the mode given at creation is cut by the umask
    }
    FILE* f = fdopen(fd, "wb");
    if (f == nullptr) {
        const int error = errno;
        close(fd);
        return fail(error);
    }
    int error = (*job.content)(f);
    bool ok = error == 0;
    if (ok && std::fflush(f) != 0) ok = false, error = errno;
    if (ok && target.exists) {
        std::string why = give_attributes(fileno(f), attributes);
        if (why.empty()) why = keep_mode(fileno(f), job.mode);
        if (!why.empty()) {
            std::fclose(f);
            return refuse(why);
        }
    }
    if (ok && fsync(fileno(f)) != 0) ok = false, error = errno;
    if (std::fclose(f) != 0 && ok) ok = false, error = errno;
    if (!ok) return fail(error);
    const std::string not_kept = keep_old(job);
    if (!not_kept.empty()) return refuse(not_kept);
    if (unnamed) {
        Placing placed;
        put_in_place(kept, job.dir, target.name, job.name_max, &placed);
        close(kept);
        if (placed.naming_failed) *way = Save_way::NAMING_FAILED;
        if (placed.error != 0) drop_kept(job);
        return placed.error;
    }
    if (renameat(job.dir, temp.c_str(), job.dir, target.name.c_str()) != 0) {
        const int error = errno;
        drop_kept(job);
        return fail(error);
    }
    return 0;
}

} // namespace

// The new content goes into a file that has no name while it is written: opened with O_TMPFILE in the
// target's folder, it vanishes with the process if the save is killed, so nothing is left behind. Only
// once it is complete and flushed is it given a name beside the target and renamed over it, both by a
// helper process that a kill of this one does not stop. Where the file system has no unnamed files, a
// named temporary file takes its place; one that a killed save left is removed by a later save.
int save_file(const char* path, const Save_content& content, std::string* reason,
              const Save_keeping* keeping) {
    const auto result = [&](int code, const std::string& why) {
        if (code != 0 && reason != nullptr) *reason = why;
        return code;
    };
    if (path == nullptr || path[0] == 0) return result(1, "no file name");
    Target target;
    std::string why = find_target(path, &target);
    if (!why.empty()) return result(1, why);
    // Every step from here names the file relative to its folder, which stays the one checked.
    const int dir = open(target.folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0) return result(1, system_reason(errno));
    struct Closing {
        int fd;
        ~Closing() { close(fd); }
    } closing{dir};
    why = check_target(dir, &target, keeping);
    if (!why.empty()) return result(1, why);

    // The saved file keeps the permissions of the one it replaces, or gets the usual ones for a new file.
    mode_t mode;
    if (target.exists) {
        mode = target.info.st_mode & 07777;
    } else {
        const mode_t mask = umask(0);
        umask(mask);
        mode = 0666 & ~mask;
    }
    const long name_max = fpathconf(dir, _PC_NAME_MAX);
    remove_leftovers(dir, target.name);

    const Save_job job{&target,  dir,    mode, name_max > 0 ? static_cast<size_t>(name_max) : NAME_MAX,
                       &content, keeping};
    Save_way way = Save_way::UNNAMED;
    std::string refusal;
    int error = save_once(job, &way, &refusal);
    // Without /proc an unnamed file cannot be given a name: the named way writes it again.
    if (refusal.empty() && error == ENOENT && way == Save_way::NAMING_FAILED) {
        way = Save_way::NAMED;
        error = save_once(job, &way, &refusal);
    }
    if (!refusal.empty()) return result(1, refusal);
    if (error != 0) return result(1, system_reason(error));
    // Make the rename itself durable.
    const int folder = openat(dir, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        fsync(folder);
        close(folder);
    }
    return 0;
}
