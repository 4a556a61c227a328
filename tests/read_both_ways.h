// A setup file read a station at a time and read as one tree must give the same: the same outcome and
// reason, the same document (every field and all 256 bytes of each image), the same notes and the same
// trace lines. Shared by the tests and the fuzz target.
#pragma once

#include <cstdio>
#include <string>

#include "Lib_notes.h"
#include "Lib_trace.h"
#include "Lib_xml_pieces.h"
#include "Setup.h"

struct Read_outcome {
    int result = 0;
    std::string reason;
    std::string document; // every field of the document read, as text
    std::string notes;    // every field of every note, in the order they were heard
    std::string trace;    // the trace lines
};

namespace read_both_ways {

inline void add_note_fields(std::string& out, const Reading_note& n) {
    char head[160];
    std::snprintf(head, sizeof head, "%d|%d|%d|%d|%zu|%lld|%d|%d|%d\n", static_cast<int>(n.kind), n.station,
                  static_cast<int>(n.station_id), n.comport, n.length, n.count, static_cast<int>(n.other_id),
                  n.first ? 1 : 0, n.working_folder ? 1 : 0);
    out += head;
    for (const std::string* s :
         {&n.file, &n.parent, &n.element, &n.attribute, &n.sequence, &n.raw, &n.used, &n.range}) {
        out += *s;
        out += '\x1f';
    }
    out += '\n';
}

class Note_text : public Note_sink {
  public:
    void note(const Reading_note& n) override { add_note_fields(text, n); }
    std::string text;
};

inline std::string document_text(Tsetup& setup) {
    std::string out = std::string(setup.path_data_bin) + '\n' + setup.path_data_xml + '\n';
    for (Tlist::Tnode* node = setup.comports.list.head(); node != nullptr; node = node->next) {
        const auto* c = static_cast<const Tcomport*>(node->item);
        out += std::to_string(c->type) + ' ' + std::to_string(c->rate) + ' ' + c->port + '\x1f' +
               c->description + '\n';
    }
    for (Tlist::Tnode* node = setup.stations.list.head(); node != nullptr; node = node->next) {
        const auto* s = static_cast<const Tstation*>(node->item);
        out += std::to_string(s->id) + ' ' + s->phone_nbr + '\x1f' + s->pin + '\x1f' + s->description +
               '\x1f' + s->display_type + '\x1f';
        const uint8_t* bytes = s->configuration.data();
        out.append(reinterpret_cast<const char*>(bytes), IMAGE_SIZE);
        out += ' ' + std::to_string(s->configuration.cursor()) + ' ' +
               std::to_string(s->configuration.refused()) + '\n';
    }
    return out;
}

} // namespace read_both_ways

// Reads the file by stations (when the file allows it) or as one tree.
inline Read_outcome read_one_way(const std::string& path, bool by_stations) {
    Read_outcome o;
    const bool was = Xml_pieces::enabled();
    Xml_pieces::set_enabled(by_stations);
    read_both_ways::Note_text notes;
    Tsetup setup;
    {
        Trace_capture trace;
        o.result = setup.read_file(path.c_str(), &o.reason, &notes);
        o.trace = trace.text();
    }
    Xml_pieces::set_enabled(was);
    o.notes = notes.text;
    o.document = read_both_ways::document_text(setup);
    return o;
}

// Where the two readings first differ ("" when they agree in everything).
inline std::string read_difference(const Read_outcome& a, const Read_outcome& b) {
    if (a.result != b.result)
        return "result " + std::to_string(a.result) + " against " + std::to_string(b.result) + " (" +
               a.reason + " / " + b.reason + ")";
    if (a.reason != b.reason) return "reason \"" + a.reason + "\" against \"" + b.reason + "\"";
    if (a.trace != b.trace) return "trace lines\n" + a.trace + "against\n" + b.trace;
    if (a.notes != b.notes) return "notes\n" + a.notes + "against\n" + b.notes;
    if (a.document != b.document) return "the documents read differ";
    return std::string();
}
