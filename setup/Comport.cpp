// COM ports: reading, writing, and storing a port name by connection type.
#include "Comport.h"

#include <cstring>
#include <new>
#include <strings.h>

#include "Lib_text.h"
#include "Lib_trace.h"

void Tcomport::clear() {
    type = COMPORT_DIRECT;
    rate = 0;
    description[0] = 0;
    port[0] = 0;
}

const char* Tcomport::type_name() const {
    return type == COMPORT_MODEM ? "modem" : "direct";
}

// A text attribute cut to its field: the listener hears how long it was.
void note_if_cut(Xml_element element, const char* attribute, size_t field_size, Reading_context& context) {
    if (!context.listening()) return;
    const char* raw = xml_raw_attribute(element, attribute);
    if (raw == nullptr) return;
    Reading_note n;
    xml_note_raw(n, raw);
    if (n.length < field_size) return;
    n.kind = Note_kind::TEXT_CUT;
    n.element = xml_element_name(element);
    n.attribute = attribute;
    n.count = static_cast<long long>(field_size - 1);
    context.note(std::move(n));
}

void note_if_unclean(Xml_element element, const char* attribute, int32_t value, Reading_context& context) {
    if (!context.listening()) return;
    const char* raw = xml_raw_attribute(element, attribute);
    if (raw == nullptr) return;
    Reading_note n;
    n.kind = Note_kind::NUMBER_NOT_CLEAN;
    n.attribute = attribute;
    xml_note_raw(n, raw);
    n.used = std::to_string(value) + " was used";
    context.note(std::move(n));
}

// Elements inside one that holds none: nobody reads them, and Save does not write them.
void note_children_ignored(Xml_element element, Reading_context& context) {
    if (!context.listening()) return;
    for (Xml_element child = xml_first_child_element(element); child; child = xml_next_sibling_element(child))
        note_ignored(context, xml_element_name(element), child);
}

void note_ignored(Reading_context& context, const char* parent, Xml_element element, long long count,
                  int32_t other_id) {
    if (!context.listening()) return;
    Reading_note n;
    n.kind = Note_kind::ELEMENT_IGNORED;
    n.parent = parent;
    n.element = xml_element_name(element);
    n.count = count;
    n.other_id = other_id;
    context.note(std::move(n));
}

void Tcomport::read(Xml_element element, bool verbose, Reading_context* context) {
    std::optional<Reading_context> alone;
    Reading_context& c = own_context(context, alone);
    clear();
    char type_text[256];
    const bool have_type = xml_read_attribute(element, "type", VALUE_TEXT, type_text, sizeof type_text);
    if (have_type && strcasecmp(type_text, "modem") == 0) type = COMPORT_MODEM;
    if (c.listening() && type != COMPORT_MODEM) {
        const char* raw = xml_raw_attribute(element, "type");
        if (raw != nullptr && !xml_raw_is(raw, "direct")) {
            Reading_note n;
            n.kind = Note_kind::KEYWORD_UNKNOWN;
            n.attribute = "type";
            xml_note_raw(n, raw);
            n.used = "the port counts as direct";
            c.note(std::move(n));
        }
    }
    if (have_type && verbose) trace("      : Tcomport.type = \"%s\"", type_name());
    if (xml_read_attribute(element, "port", VALUE_TEXT, port, sizeof port)) {
        if (verbose) trace("      : Tcomport.port = \"%s\"", port);
    } else {
        note_if_cut(element, "port", sizeof port, c);
    }
    // The whole field: a description of up to 255 characters survives a save and reload.
    if (xml_read_attribute(element, "description", VALUE_TEXT, description, sizeof description)) {
        if (verbose) trace("      : Tcomport.description = \"%s\"", description);
    } else {
        note_if_cut(element, "description", sizeof description, c);
    }
    if (xml_read_attribute(element, "rate", VALUE_INT, &rate, 0)) {
        if (verbose) trace("      : Tcomport.rate = %d", rate);
    } else {
        note_if_unclean(element, "rate", rate, c);
    }
    note_children_ignored(element, c);
}

void Tcomport::write(Text_out* out) const {
    if (out == nullptr) return;
    out->put_literal("\t\t<COMPORT  port=\"");
    xml_put_escaped(out, port, sizeof port);
    out->put_literal("\" rate=\"");
    out->put_int(rate);
    out->put_literal("\" type=\"");
    out->put(type_name());
    out->put_literal("\" description=\"");
    xml_put_escaped(out, description, sizeof description);
    out->put_literal("\"/>\r\n");
}

namespace {
void destroy_comport(void* item) {
    delete static_cast<Tcomport*>(item);
}
} // namespace

void Tcomports::clear() {
    list.clear(&destroy_comport);
}

bool Tcomports::append(Tcomport* comport) {
    return list.append(comport);
}

void Tcomports::read(Xml_element element, Reading_context* context) {
    std::optional<Reading_context> alone;
    Reading_context& c = own_context(context, alone);
    clear();
    int position = 0;
    for (Xml_element child = xml_first_child_element(element); child;
         child = xml_next_sibling_element(child)) {
        if (!xml_element_is(child, "COMPORT")) {
            note_ignored(c, "COMPORTS", child, position);
            continue;
        }
        Tcomport* comport = new (std::nothrow) Tcomport;
        if (comport == nullptr) {
            c.failed = true;
            return;
        }
        c.comport = ++position;
        comport->read(child, false, &c);
        c.comport = 0;
        if (!append(comport)) {
            delete comport;
            c.failed = true;
            return;
        }
    }
}

void Tcomports::write(Text_out* out) {
    for_each_item<Tcomport>(list, [out](Tcomport& c) { c.write(out); });
}

Tcomport* Tcomports::find_by_type(uint8_t type) {
    Tcomport* found = nullptr;
    for (Tlist::Tnode* node = list.head(); node != nullptr && found == nullptr; node = node->next) {
        auto* c = static_cast<Tcomport*>(node->item);
        if (c != nullptr && c->type == type) found = c;
    }
    return found;
}

void Tcomports::set_port_by_type(uint8_t type, const char* text) {
    if (text == nullptr) return;
    for (Tlist::Tnode* node = list.head(); node != nullptr; node = node->next) {
        auto* c = static_cast<Tcomport*>(node->item);
        if (c != nullptr && c->type == type) copy_text(c->port, text, sizeof c->port);
    }
}
