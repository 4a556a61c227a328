// Reading and writing setup files for the commands.
#include "Cli_files.h"

#include <sys/stat.h>

#include <cstdlib>

#include "Lib_trace.h"
#include "Reading_report.h"
#include "Setup.h"
#include "Versions.h"

namespace {

constexpr size_t COMMAND_LINE_MAX = 200; // a note's change line, not the whole script

// The path with its folder resolved, to tell that two names name one file.
std::string resolved(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    char* real = realpath(folder.c_str(), nullptr);
    if (real == nullptr) return path;
    const std::string result = std::string(real) + "/" + name;
    std::free(real);
    return result;
}

// The read of this very file, if this command read it.
const Cli_session::Read* read_of(const std::string& path) {
    struct stat now {};
    const bool there = stat(path.c_str(), &now) == 0;
    const std::string full = resolved(path);
    for (const Cli_session::Read& r : cli_session().read) {
        if (r.path == path || resolved(r.path) == full) return &r;
        if (there && r.identity.exists && static_cast<uint64_t>(now.st_ino) == r.identity.inode &&
            static_cast<uint64_t>(now.st_dev) == r.identity.device)
            return &r;
    }
    return nullptr;
}

long stations_in(const Tsetup& setup) {
    long n = 0;
    for (Tlist::Tnode* node = setup.stations.list.head(); node != nullptr; node = node->next)
        ++n;
    return n;
}

} // namespace

Cli_session& cli_session() {
    static Cli_session session;
    return session;
}

std::vector<std::string> begin_cli_session(const std::string& command,
                                           const std::vector<std::string>& arguments) {
    Cli_session& s = cli_session();
    s.versions = true;
    s.read.clear();
    std::vector<std::string> kept;
    std::string line = "vemora-cli " + shown_text(command);
    for (const std::string& a : arguments) {
        if (a == "--no-versions") {
            s.versions = false;
            continue;
        }
        kept.push_back(a);
        line += " " + shown_text(a);
    }
    if (line.size() > COMMAND_LINE_MAX) line = line.substr(0, COMMAND_LINE_MAX - 3) + "...";
    s.command_line = line;
    return kept;
}

bool read_setup(Tsetup& setup, const std::string& path, std::ostream& err, Reading_collector& notes) {
    Trace_capture discard;
    std::string reason;
    const File_identity before = identify_file(path);
    if (setup.read_file(path.c_str(), &reason, &notes) != 0) {
        err << "vemora-cli: cannot read \"" << shown_text(path) << "\": " << reason << "\n";
        return false;
    }
    remember_read(path, before, setup);
    return true;
}

bool read_setup(Tsetup& setup, const std::string& path, std::ostream& err) {
    Reading_collector notes;
    if (!read_setup(setup, path, err, notes)) return false;
    for (const Reading_note& note : notes.ordered())
        if (note_told_by_every_command(note)) err << note_line(note) << '\n';
    return true;
}

void remember_read(const std::string& path, const File_identity& before, const Tsetup& setup) {
    cli_session().read.push_back({path, before, stations_in(setup)});
}

bool write_setup(Tsetup& setup, const std::string& path, std::ostream& err) {
    Cli_session& session = cli_session();
    if (session.before_write) session.before_write(path);
    const Cli_session::Read* read = read_of(path);
    if (read != nullptr) {
        const Disk_state state = compare_with_disk(read->identity, path, nullptr);
        if (state != Disk_state::same) {
            err << "vemora-cli: \"" << shown_text(path) << "\" was "
                << (state == Disk_state::missing ? "removed" : "changed on disk")
                << " since it was read; nothing written\n";
            return false;
        }
    }
    Version_keeping keeping;
    keeping.keep = session.versions;
    keeping.note.changes = {session.command_line};
    if (read != nullptr) keeping.note.stations = read->stations;
    std::string reason;
    const int result = setup.write_file(path.c_str(), &reason, nullptr, &keeping);
    if (!keeping.told.empty()) err << "vemora-cli: " << keeping.told << "\n";
    if (result != 0) {
        err << "vemora-cli: cannot write \"" << shown_text(path) << "\": " << reason << "\n";
        return false;
    }
    return true;
}
