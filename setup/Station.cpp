// Stations: reading from a STATION element, writing one, and the owning list.
#include "Station.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "Comport.h"
#include "Configuration_reader.h"
#include "Configuration_writer.h"
#include "Lib_xml_pieces.h"

namespace {
const char banner[] = "\t\t<!-- ++++++++++++++++++++++++++++++++++++++++++++++++++++++++++++++++ -->\r\n";
void destroy_station(void* item) {
    delete static_cast<Tstation*>(item);
}
} // namespace

Tstation::Tstation() : id(0) {
    phone_nbr[0] = 0;
    pin[0] = 0;
    description[0] = 0;
    display_type[0] = 0;
}

void Tstation::read(Xml_element element, Reading_context* context) {
    std::optional<Reading_context> alone;
    Reading_context& c = own_context(context, alone);
    const struct {
        const char* name;
        char* field;
        size_t size;
    } texts[] = {{"phone_nbr", phone_nbr, sizeof phone_nbr},
                 {"pin", pin, sizeof pin},
                 {"description", description, sizeof description},
                 {"display_type", display_type, sizeof display_type}};
    // The attributes in one pass, the first of each name as a lookup by name would find it.
    const char* id_raw = nullptr;
    const char* text_raw[4] = {};
    for (Xml_attribute a = xml_first_attribute(element); a; a = xml_next_attribute(a)) {
        const char* name = xml_attribute_name(a);
        if (std::strcmp(name, "id") == 0) {
            if (id_raw == nullptr) id_raw = xml_attribute_raw(a);
            continue;
        }
        for (int i = 0; i < 4; ++i)
            if (text_raw[i] == nullptr && std::strcmp(name, texts[i].name) == 0)
                text_raw[i] = xml_attribute_raw(a);
    }
    const bool clean_id = id_raw != nullptr && xml_convert_raw(id_raw, VALUE_INT, &id, 0);
    c.station_id = id;
    if (!clean_id) note_if_unclean(element, "id", id, c);
    for (int i = 0; i < 4; ++i) {
        texts[i].field[0] = 0;
        if (text_raw[i] == nullptr ||
            !xml_convert_raw(text_raw[i], VALUE_TEXT, texts[i].field, static_cast<int>(texts[i].size)))
            note_if_cut(element, texts[i].name, texts[i].size, c);
    }
    const Station_defaults defaults{id, pin};
    // Each CONFIGURATION is read into the image afresh: only the last one stays, and only it is judged.
    Xml_element last;
    for (Xml_element child = xml_first_child_element(element); child; child = xml_next_sibling_element(child))
        if (xml_element_is(child, "CONFIGURATION")) last = child;
    int configurations = 0;
    for (Xml_element child = xml_first_child_element(element); child;
         child = xml_next_sibling_element(child)) {
        if (xml_element_is(child, "CONFIGURATION")) {
            const bool outer_unused = c.unused;
            c.unused = outer_unused || child != last;
            read_configuration(configuration, child, defaults, &c);
            c.unused = outer_unused;
            ++configurations;
        } else {
            note_ignored(c, "STATION", child);
        }
    }
    if (configurations > 1 && c.listening()) {
        Reading_note n;
        n.kind = Note_kind::ELEMENT_REPEATED;
        n.element = "CONFIGURATION";
        n.count = configurations;
        c.note(std::move(n));
    }
}

void Tstation::write(Text_out* out) const {
    if (out == nullptr) return;
    out->put(banner);
    // Pieces put one after the other: the formatter would cost more than the copies, once per station.
    out->put_literal("\t\t<STATION id=\"");
    out->put_int(id);
    out->put_literal("\" phone_nbr=\"");
    xml_put_escaped(out, phone_nbr, sizeof phone_nbr);
    out->put_literal("\" pin=\"");
    xml_put_escaped(out, pin, sizeof pin);
    out->put_literal("\" description=\"");
    xml_put_escaped(out, description, sizeof description);
    out->put_literal("\" display_type=\"");
    xml_put_escaped(out, display_type, sizeof display_type);
    out->put_literal("\">\r\n");
    write_configuration(configuration, out);
    out->put_literal("\t\t</STATION>\r\n");
}

void Tstations::clear() {
    list.clear(&destroy_station);
}

bool Tstations::append(Tstation* station) {
    return list.append(station);
}

void Tstations::remove(Tstation* station) {
    if (station == nullptr) {
        list.remove(nullptr);
        return;
    }
    bool found = false;
    for (Tlist::Tnode* node = list.head(); node != nullptr && !found; node = node->next)
        found = node->item == station;
    list.remove(station);
    if (found) delete station;
}

namespace {

// Stations that share an id with an earlier one, each said once with the first station of that id.
void note_duplicate_ids(std::vector<std::pair<int32_t, int>>& ids, Reading_context& c) {
    std::stable_sort(
        ids.begin(), ids.end(),
        [](const std::pair<int32_t, int>& a, const std::pair<int32_t, int>& b) { return a.first < b.first; });
    struct Repeated {
        int position, first;
        int32_t id;
        bool operator<(const Repeated& other) const { return position < other.position; }
    };
    std::vector<Repeated> repeated;
    for (size_t i = 1, first = 0; i < ids.size(); ++i) {
        if (ids[i].first != ids[first].first)
            first = i;
        else
            repeated.push_back({ids[i].second, ids[first].second, ids[i].first});
    }
    std::sort(repeated.begin(), repeated.end());
    for (const Repeated& r : repeated) {
        Reading_note n;
        n.kind = Note_kind::DUPLICATE_ID;
        n.element = "STATION";
        n.attribute = "id";
        n.count = r.first;
        c.station = r.position;
        c.station_id = r.id;
        c.note(std::move(n));
    }
    c.station = 0;
    c.station_id = 0;
}

} // namespace

void Tstations::read(Xml_element element, Reading_context* context) {
    std::optional<Reading_context> alone;
    Reading_context& c = own_context(context, alone);
    clear();
    int position = 0;
    int32_t previous_id = 0;
    std::vector<std::pair<int32_t, int>> ids; // (id, position), only for a listener
    for (Xml_element child = xml_first_child_element(element); child;
         child = xml_next_sibling_element(child)) {
        if (!xml_element_is(child, "STATION")) {
            note_ignored(c, "STATIONS", child, position, previous_id);
            continue;
        }
        // A station that cannot be kept fails the whole read: a file saved without it would lose it.
        Tstation* station = new (std::nothrow) Tstation;
        if (station == nullptr) {
            c.failed = true;
            return;
        }
        // Read by pieces, the outline holds an empty STATION where the station was: the station itself
        // is parsed now, on its own.
        Xml_element source = child;
        if (c.pieces != nullptr) {
            source = c.pieces->next();
            if (!source || c.retry) {
                delete station;
                c.failed = c.retry = true;
                return;
            }
        }
        c.station = ++position;
        c.station_id = 0;
        station->read(source, &c);
        if (c.listening()) ids.emplace_back(station->id, position);
        c.station = 0;
        c.station_id = 0;
        previous_id = station->id;
        if (!append(station)) {
            delete station;
            c.failed = true;
            return;
        }
        ++c.stations_read;
        if (c.progress != nullptr && c.progress->at(c.stations_read)) {
            c.failed = c.cancelled = true;
            return;
        }
    }
    note_duplicate_ids(ids, c);
}

bool Tstations::write(Text_out* out, Progress_meter* progress) {
    uint64_t written = 0;
    bool end = false;
    list.begin(0);
    for (;;) {
        void* item = list.next(&end);
        if (end) break;
        if (item != nullptr) static_cast<Tstation*>(item)->write(out);
        if (progress != nullptr && progress->at(++written)) return false;
    }
    if (out != nullptr) out->put(banner); // once more, also when there is no station
    return true;
}
