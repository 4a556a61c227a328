// The setup document and its file.
#include "Setup.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <new>
#include <pthread.h>
#include <sched.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <strings.h>
#include <utility>
#include <vector>

#include "Lib_text.h"
#include "Lib_trace.h"

Tsetup::Tsetup() {
    path_data_bin[0] = 0;
    path_data_xml[0] = 0;
}

void Tsetup::clear() {
    stations.clear();
    comports.clear();
    path_data_bin[0] = 0;
    path_data_xml[0] = 0;
}

void Tsetup::set_defaults() {
    copy_text(path_data_bin, "c:\\korvandel\\data_bin", sizeof path_data_bin);
    copy_text(path_data_xml, "c:\\korvandel\\data_xml", sizeof path_data_xml);
    comports.append(new_default_comport(COMPORT_DIRECT, "COM1"));
    comports.append(new_default_comport(COMPORT_MODEM, "COM2"));
}

void Tsetup::read(Xml_element root, Reading_context* context) {
    // A read without a context of its own gets one here; the common case pays for none.
    if (context == nullptr) {
        Reading_context alone;
        read(root, &alone);
        return;
    }
    Reading_context& c = *context;
    clear();
    // The elements that count once: the last of each decides.
    struct Counted {
        const char* name;
        int count;
    } counted[] = {{"PATH_DATA_BIN", 0}, {"PATH_DATA_XML", 0}, {"COMPORTS", 0}, {"STATIONS", 0}};
    const struct {
        const char* name;
        char* field;
        const char* trace_format;
    } paths[] = {{"PATH_DATA_BIN", path_data_bin, "PATH_DATA_BIN = \"%s\""},
                 {"PATH_DATA_XML", path_data_xml, "PATH_DATA_XML = \"%s\""}};
    // Each COMPORTS and STATIONS read starts by clearing its list: only the last of each stays, and only
    // what it holds is judged.
    Xml_element last_comports, last_stations;
    for (Xml_element child = xml_first_child_element(root); child; child = xml_next_sibling_element(child)) {
        if (xml_element_is(child, "COMPORTS")) last_comports = child;
        if (xml_element_is(child, "STATIONS")) last_stations = child;
    }
    const bool outer_unused = c.unused;
    for (Xml_element child = xml_first_child_element(root); child; child = xml_next_sibling_element(child)) {
        bool known = false;
        for (int i = 0; i < 2; ++i) {
            if (xml_read_attribute_if_named(child, paths[i].name, "path", VALUE_TEXT, paths[i].field,
                                            sizeof path_data_bin))
                trace(paths[i].trace_format, paths[i].field);
            if (!c.listening() || strcasecmp(xml_element_name(child), paths[i].name) != 0) continue;
            known = true;
            ++counted[i].count;
            note_if_cut(child, "path", sizeof path_data_bin, c);
            note_children_ignored(child, c);
        }
        if (xml_element_is(child, "COMPORTS")) {
            known = true;
            ++counted[2].count;
            c.unused = outer_unused || child != last_comports;
            comports.read(child, &c);
            c.unused = outer_unused;
        }
        if (xml_element_is(child, "STATIONS")) {
            known = true;
            ++counted[3].count;
            c.unused = outer_unused || child != last_stations;
            stations.read(child, &c);
            c.unused = outer_unused;
        }
        if (c.failed) return;
        if (!known) note_ignored(c, xml_element_name(root), child);
    }
    if (!c.listening()) return;
    for (const Counted& k : counted) {
        if (k.count < 2) continue;
        Reading_note n;
        n.kind = Note_kind::ELEMENT_REPEATED;
        n.parent = xml_element_name(root);
        n.element = k.name;
        n.count = k.count;
        c.note(std::move(n));
    }
}

namespace {

// What the document made of a file needs beside its parsed tree: a station or COM port record and its
// list node for each element, with the allocator's own share.
constexpr unsigned long long record_overhead = 32;

unsigned long long model_bytes(Xml_element root) {
    unsigned long long stations = 0, comports = 0;
    for (Xml_element child = xml_first_child_element(root); child; child = xml_next_sibling_element(child)) {
        const bool is_stations = xml_element_is(child, "STATIONS");
        if (!is_stations && !xml_element_is(child, "COMPORTS")) continue;
        for (Xml_element e = xml_first_child_element(child); e; e = xml_next_sibling_element(e)) {
            if (is_stations && xml_element_is(e, "STATION")) ++stations;
            if (!is_stations && xml_element_is(e, "COMPORT")) ++comports;
        }
    }
    const unsigned long long node = sizeof(Tlist::Tnode) + record_overhead;
    return stations * (sizeof(Tstation) + node) + comports * (sizeof(Tcomport) + node);
}

std::string megabytes(unsigned long long bytes) {
    return std::to_string((bytes + (1u << 20) - 1) >> 20) + " MB";
}

} // namespace

void Tsetup::swap(Tsetup& other) {
    std::swap(path_data_bin, other.path_data_bin);
    std::swap(path_data_xml, other.path_data_xml);
    stations.list.swap(other.stations.list);
    comports.list.swap(other.comports.list);
}

int Tsetup::read_file(const char* path, std::string* reason, Note_sink* notes) {
    if (path == nullptr) {
        if (reason != nullptr) *reason = "no file name";
        return 1;
    }
    myXMLdocument document;
    const Xml_element root = xml_load_file(path, &document);
    if (!root) {
        trace("ERROR : unable to read \"%s\" file correctly", path);
        if (reason != nullptr) *reason = document.error_text();
        return 1;
    }
    // The document's records are refused up front when they would not fit beside the tree, rather than
    // failing one by one (or being taken by the system) half way through.
    const unsigned long long needed = model_bytes(root);
    const unsigned long long tree = myXMLdocument::tree_bytes_in_use();
    if (needed + tree > myXMLdocument::tree_limit()) {
        trace("ERROR : unable to read \"%s\" file correctly", path);
        if (reason != nullptr)
            *reason = "not enough memory to read the file (its stations and COM ports need " +
                      megabytes(needed) + " beside the " + megabytes(tree) +
                      " of its XML tree, more than the " + megabytes(myXMLdocument::tree_limit()) +
                      " this program may use)";
        return 1;
    }
    trace("      : reading setup file \"%s\"", path);
    Reading_context context(notes, path);
    for (Xml_element after = xml_next_sibling_element(root); after && context.listening();
         after = xml_next_sibling_element(after)) {
        Reading_note n;
        n.kind = Note_kind::AFTER_ROOT;
        n.parent = xml_element_name(root);
        n.element = xml_element_name(after);
        context.note(std::move(n));
    }
    // Read into a document of its own: a read that fails half way leaves this one as it was.
    Tsetup read;
    read.read(root, &context);
    if (context.failed) {
        trace("ERROR : unable to read \"%s\" file correctly", path);
        if (reason != nullptr) *reason = "not enough memory to read the file";
        return 1;
    }
    swap(read);
    return 0;
}

void Tsetup::write(Text_out* out) {
    if (out == nullptr) return;
    out->put("<?xml version='1.0' encoding='utf-8' ?>\r\n");
    out->put("<SETUP>\r\n");
    out->printf("\t<PATH_DATA_BIN   path=\"%s\"/>\r\n",
                xml_escape_field(path_data_bin, sizeof path_data_bin).c_str());
    out->printf("\t<PATH_DATA_XML   path=\"%s\"/>\r\n",
                xml_escape_field(path_data_xml, sizeof path_data_xml).c_str());
    out->put("\t<COMPORTS>\r\n");
    comports.write(out);
    out->put("\t</COMPORTS>\r\n");
    out->put("\t<STATIONS>\r\n");
    stations.write(out);
    out->put("\t</STATIONS>\r\n");
    out->put("</SETUP>\r\n");
}

namespace {

// The file that is really replaced: a link is followed, so the link itself stays a link.
std::string target_of(const char* path) {
    char* resolved = realpath(path, nullptr);
    if (resolved == nullptr) return path; // no file yet (or a dangling name): write it where it is named
    std::string target(resolved);
    std::free(resolved);
    return target;
}

std::string system_reason(int error) {
    return std::strerror(error);
}

// Six characters for a temporary name, as mkstemp would choose them.
std::string random_suffix() {
    static const char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    unsigned char bytes[6];
    if (getrandom(bytes, sizeof bytes, 0) != static_cast<ssize_t>(sizeof bytes)) {
        const unsigned long long seed = static_cast<unsigned long long>(getpid()) * 2654435761u ^
                                        static_cast<unsigned long long>(clock());
        for (size_t i = 0; i < sizeof bytes; ++i)
            bytes[i] = static_cast<unsigned char>(seed >> (i * 8));
    }
    std::string suffix(6, 'x');
    for (size_t i = 0; i < sizeof bytes; ++i)
        suffix[i] = letters[bytes[i] % (sizeof letters - 1)];
    return suffix;
}

// What the helper below needs and what it answers: the unnamed file as /proc/self/fd/N, candidate
// names beside the target, the target; 0 or the error number, and whether naming already failed.
struct Placing {
    const char* self = nullptr;
    const char* const* names = nullptr; // null-terminated
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
        if (linkat(AT_FDCWD, p->self, AT_FDCWD, *name, AT_SYMLINK_FOLLOW) == 0) {
            p->naming_failed = 0;
            p->error = rename(*name, p->target) == 0 ? 0 : errno;
            if (p->error != 0) unlink(*name);
            return 0;
        }
        p->error = errno;
        if (p->error != EEXIST) break;
    }
    return 0;
}

// Names the unnamed file and renames it over the target in a helper process that shares this one's
// memory and runs while this thread waits (as vfork does). Between the two steps the file has a name; a
// SIGKILL of the saving process there would leave it behind, but the helper is another process and
// finishes both steps. Where no helper can be started, the steps are taken here.
void put_in_place(int fd, const std::string& target, Placing* p) {
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    std::vector<std::string> names;
    for (int i = 0; i < 16; ++i)
        names.push_back(target + "." + random_suffix());
    std::vector<const char*> name_texts;
    for (const std::string& n : names)
        name_texts.push_back(n.c_str());
    name_texts.push_back(nullptr);
    p->self = self.c_str();
    p->names = name_texts.data();
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

// How a save puts its file in place: an unnamed file named at the end, or a named temporary file.
enum class Save_way { UNNAMED, NAMED, NAMING_FAILED };

// One attempt to write the document and put it in place of target; 0 or the system's error number.
int save_to(Tsetup& setup, const std::string& target, mode_t mode, Save_way* way) {
    std::string temp;
    int fd = -1;
    if (*way == Save_way::UNNAMED) {
        fd = open(folder_of(target).c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
        if (fd < 0 && errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) return errno;
        if (fd < 0) *way = Save_way::NAMED;
    }
    if (fd < 0) {
        temp = target + ".XXXXXX";
        fd = mkstemp(&temp[0]);
        if (fd < 0) return errno;
    }
    const bool unnamed = *way == Save_way::UNNAMED;
    fchmod(fd, mode); // the mode given at creation is cut by the umask

    // A second descriptor keeps an unnamed file alive after the stream is closed, so that every error the
    // close reports comes before the file is given a name.
    const int kept = unnamed ? dup(fd) : -1;
    const auto fail = [&](int error) {
        if (kept >= 0) close(kept);
        if (!temp.empty()) unlink(temp.c_str());
        return error != 0 ? error : EIO;
    };
    if (unnamed && kept < 0) {
        const int error = errno;
        close(fd);
        return fail(error);
    }
    FILE* f = fdopen(fd, "wb");
    if (f == nullptr) {
        const int error = errno;
        close(fd);
        return fail(error);
    }
    bool ok;
    int error = 0;
    {
        Text_out out(f);
        setup.write(&out);
        ok = out.flush();
        if (!ok) error = errno;
    }
    if (ok && std::fflush(f) != 0) ok = false, error = errno;
    if (ok && fsync(fileno(f)) != 0) ok = false, error = errno;
    if (std::fclose(f) != 0 && ok) ok = false, error = errno;
    if (!ok) return fail(error);
    if (unnamed) {
        Placing placed;
        put_in_place(kept, target, &placed);
        close(kept);
        if (placed.naming_failed) *way = Save_way::NAMING_FAILED;
        return placed.error;
    }
    if (rename(temp.c_str(), target.c_str()) != 0) return fail(errno);
    return 0;
}

} // namespace

// The new content goes into a file that has no name while it is written: opened with O_TMPFILE in the
// target's folder, it vanishes with the process if the save is killed, so nothing is left behind. Only
// once it is complete and flushed is it given a name beside the target and renamed over it, both by a
// helper process that a kill of this one does not stop. Where the file system has no unnamed files, a
// named temporary file takes its place as before (and a kill during the save leaves that one behind).
int Tsetup::write_file(const char* path, std::string* reason) {
    if (path == nullptr || path[0] == 0) {
        if (reason != nullptr) *reason = "no file name";
        return 1;
    }
    const std::string target = target_of(path);

    // The saved file keeps the permissions of the one it replaces, or gets the usual ones for a new file.
    mode_t mode;
    struct stat info {};
    if (stat(target.c_str(), &info) == 0) {
        mode = info.st_mode & 07777;
    } else {
        const mode_t mask = umask(0);
        umask(mask);
        mode = 0666 & ~mask;
    }

    Save_way way = Save_way::UNNAMED;
    int error = save_to(*this, target, mode, &way);
    // Without /proc an unnamed file cannot be given a name: the named way writes it again.
    if (error == ENOENT && way == Save_way::NAMING_FAILED) {
        way = Save_way::NAMED;
        error = save_to(*this, target, mode, &way);
    }
    if (error != 0) {
        if (reason != nullptr) *reason = system_reason(error);
        return 1;
    }
    // Make the rename itself durable.
    const int dir = open(folder_of(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        fsync(dir);
        close(dir);
    }
    return 0;
}
