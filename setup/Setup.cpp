// The setup document and its file.
#include "Setup.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>
#include <optional>

#include <strings.h>
#include <utility>
#include <vector>

#include "Lib_text.h"
#include "Lib_trace.h"
#include "Lib_xml_pieces.h"
#include "Safe_save.h"
#include "Versions.h"

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
    std::optional<Reading_context> alone;
    Reading_context& c = own_context(context, alone);
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

// How many stations the STATIONS elements hold, all of them read in turn.
unsigned long long model_bytes(Xml_element root, unsigned long long* station_elements) {
    unsigned long long stations = 0, comports = 0;
    for (Xml_element child = xml_first_child_element(root); child; child = xml_next_sibling_element(child)) {
        const bool is_stations = xml_element_is(child, "STATIONS");
        if (!is_stations && !xml_element_is(child, "COMPORTS")) continue;
        for (Xml_element e = xml_first_child_element(child); e; e = xml_next_sibling_element(e)) {
            if (is_stations && xml_element_is(e, "STATION")) ++stations;
            if (!is_stations && xml_element_is(e, "COMPORT")) ++comports;
        }
    }
    *station_elements = stations;
    const unsigned long long node = sizeof(Tlist::Tnode) + record_overhead;
    return stations * (sizeof(Tstation) + node) + comports * (sizeof(Tcomport) + node);
}

// The stations phases report about every this many stations: a few hundred reports for a large file.
constexpr uint64_t STATION_STEP = 128;

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

namespace {

// What a read by pieces says, held back until every station has parsed: should one not, the whole document
// is read instead, and its listeners must hear only what that read says. A file of very many notes is
// read whole at once rather than held back without bound.
class Held_back : public Note_sink {
  public:
    static constexpr size_t HELD_MAX = 65536;

    Held_back(Note_sink* notes, bool* overflow) : notes_(notes), overflow_(overflow) {
        previous_ = set_trace_sink(&Held_back::line, this);
        if (previous_.sink == nullptr) set_trace_sink(nullptr, nullptr); // nobody listens: nothing to hold
    }
    ~Held_back() { set_trace_sink(previous_.sink, previous_.context); }
    Held_back(const Held_back&) = delete;
    Held_back& operator=(const Held_back&) = delete;

    Note_sink* sink() { return notes_ != nullptr ? this : nullptr; }

    void note(const Reading_note& note) override {
        if (held_.size() >= HELD_MAX) {
            *overflow_ = true;
            return;
        }
        held_.push_back(note);
    }

    // Hands on what was held, in the order it was said.
    void release() {
        set_trace_sink(previous_.sink, previous_.context);
        for (const std::string& l : lines_)
            previous_.sink(l.c_str(), previous_.context);
        lines_.clear();
        for (const Reading_note& n : held_)
            notes_->note(n);
        held_.clear();
    }

  private:
    static void line(const char* text, void* context) {
        auto* self = static_cast<Held_back*>(context);
        if (self->lines_.size() >= HELD_MAX) {
            *self->overflow_ = true;
            return;
        }
        self->lines_.emplace_back(text);
    }

    Note_sink* notes_;
    bool* overflow_;
    Trace_route previous_;
    std::vector<Reading_note> held_;
    std::vector<std::string> lines_;
};

} // namespace

int Tsetup::read_file(const char* path, std::string* reason, Note_sink* notes, Progress_sink* progress) {
    if (path == nullptr) {
        if (reason != nullptr) *reason = "no file name";
        return 1;
    }
    const auto cancelled = [&] {
        if (reason != nullptr) *reason = "cancelled";
        return FILE_CANCELLED;
    };
    // A station at a time where the file allows it: the file is read a block at a time and never becomes
    // one tree, which would take about three times its size.
    {
        Xml_pieces pieces;
        const Xml_pieces::Split split = pieces.split(path, "STATIONS", "STATION", progress);
        if (split == Xml_pieces::Split::CANCELLED) return cancelled();
        if (split == Xml_pieces::Split::DONE) {
            bool overflow = false;
            int result;
            {
                Held_back held(notes, &overflow);
                result = read_root(path, pieces.root(), &pieces, held.sink(), progress, reason);
                if (result != RETRY && !overflow) held.release();
            }
            if (result != RETRY && !overflow) return result;
        }
    }
    myXMLdocument document;
    const Xml_element root = xml_load_file(path, &document, progress);
    if (document.cancelled()) return cancelled();
    if (!root) {
        trace("ERROR : unable to read \"%s\" file correctly", path);
        if (reason != nullptr) *reason = document.error_text();
        return 1;
    }
    return read_root(path, root, nullptr, notes, progress, reason);
}

int Tsetup::read_root(const char* path, Xml_element root, Xml_pieces* pieces, Note_sink* notes,
                      Progress_sink* progress, std::string* reason) {
    const auto cancelled = [&] {
        if (reason != nullptr) *reason = "cancelled";
        return FILE_CANCELLED;
    };
    // The document's records are refused up front when they would not fit beside the tree, rather than
    // failing one by one (or being taken by the system) half way through.
    unsigned long long station_elements = 0;
    const unsigned long long needed = model_bytes(root, &station_elements);
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
    context.pieces = pieces;
    for (Xml_element after = xml_next_sibling_element(root); after && context.listening();
         after = xml_next_sibling_element(after)) {
        Reading_note n;
        n.kind = Note_kind::AFTER_ROOT;
        n.parent = xml_element_name(root);
        n.element = xml_element_name(after);
        context.note(std::move(n));
    }
    // Read into a document of its own: a read that fails or is stopped half way leaves this one as it was.
    std::optional<Progress_meter> meter;
    if (progress != nullptr) {
        meter.emplace(progress, Progress_phase::READING_STATIONS, station_elements, STATION_STEP);
        if (meter->stopped()) return cancelled();
        context.progress = &*meter;
    }
    Tsetup read;
    read.read(root, &context);
    // Read by pieces, the file was read twice: should it have changed in between, it is read again whole.
    if (context.retry || (pieces != nullptr && !context.failed && !pieces->unchanged())) return RETRY;
    if (context.cancelled || (meter && meter->finish())) return cancelled();
    if (context.failed) {
        trace("ERROR : unable to read \"%s\" file correctly", path);
        if (reason != nullptr) *reason = "not enough memory to read the file";
        return 1;
    }
    swap(read);
    return 0;
}

bool Tsetup::write(Text_out* out, Progress_sink* progress) {
    if (out == nullptr) return true;
    out->put("<?xml version='1.0' encoding='utf-8' ?>\r\n");
    out->put("<SETUP>\r\n");
    out->put_literal("\t<PATH_DATA_BIN   path=\"");
    xml_put_escaped(out, path_data_bin, sizeof path_data_bin);
    out->put_literal("\"/>\r\n\t<PATH_DATA_XML   path=\"");
    xml_put_escaped(out, path_data_xml, sizeof path_data_xml);
    out->put_literal("\"/>\r\n");
    out->put("\t<COMPORTS>\r\n");
    comports.write(out);
    out->put("\t</COMPORTS>\r\n");
    out->put("\t<STATIONS>\r\n");
    std::optional<Progress_meter> meter;
    if (progress != nullptr) {
        uint64_t total = 0;
        for (Tlist::Tnode* node = stations.list.head(); node != nullptr; node = node->next)
            ++total;
        meter.emplace(progress, Progress_phase::WRITING_STATIONS, total, STATION_STEP);
        if (meter->stopped()) return false;
    }
    if (!stations.write(out, meter ? &*meter : nullptr) || (meter && meter->finish())) return false;
    out->put("\t</STATIONS>\r\n");
    out->put("</SETUP>\r\n");
    return true;
}

// The document goes through the safe save: the new file is written beside the old one and renamed over it
// only when complete, with the old file's owner, group, mode and extended attributes.
// A stop asked while the stations are written, or just before the flush to the disk, leaves the old file
// and the folder as they were: the content fails and the safe save takes its temporary file away.
int Tsetup::write_file(const char* path, std::string* reason, Progress_sink* progress,
                       Version_keeping* versions) {
    bool cancelled = false;
    // A version linked by a save killed before its rename is the old file's own link, with versions on
    // or off.
    const std::string setup_path = path != nullptr ? path : "";
    Kept_version kept;
    Save_keeping keeping;
    keeping.own_links = [&setup_path](const struct stat& old) { return version_links(setup_path, old); };
    const bool keep = versions != nullptr && versions->keep;
    if (keep) {
        versions->kept_file.clear();
        versions->told.clear();
        keeping.keep_old = [&](int dir, const std::string& name, const struct stat& old) {
            return keep_version(setup_path, dir, name, old, *versions, &kept);
        };
        keeping.drop_kept = [&]() {
            drop_version(kept);
            versions->kept_file.clear();
        };
    }
    std::optional<Progress_meter> disk;
    const int result = save_file(
        path,
        [this, progress, &cancelled, &disk](FILE* f) {
            Text_out out(f);
            if (!write(&out, progress)) {
                cancelled = true;
                return ECANCELED;
            }
            if (!out.flush()) return errno != 0 ? errno : EIO;
            disk.emplace(progress, Progress_phase::WRITING_TO_DISK, 1, 1);
            if (disk->stopped()) {
                cancelled = true;
                return ECANCELED;
            }
            return 0;
        },
        reason, &keeping);
    if (cancelled) {
        if (reason != nullptr) *reason = "cancelled";
        return FILE_CANCELLED;
    }
    if (result == 0 && disk) disk->finish(); // saved: a stop asked now comes too late to change that
    if (result == 0 && keep && !versions->kept_file.empty()) {
        // Retention lists one folder; a version it cannot remove now is removed by a later save.
        const std::time_t now = versions->clock ? versions->clock() : std::time(nullptr);
        prune_versions(setup_path, now, nullptr, nullptr);
    }
    return result;
}
