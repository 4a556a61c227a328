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

void Tcomport::read(Xml_element element, bool verbose) {
    clear();
    char type_text[256];
    const bool have_type = xml_read_attribute(element, "type", VALUE_TEXT, type_text, sizeof type_text);
    if (have_type && strcasecmp(type_text, "modem") == 0) type = COMPORT_MODEM;
    if (have_type && verbose) trace("      : Tcomport.type = \"%s\"", type_name());
    if (xml_read_attribute(element, "port", VALUE_TEXT, port, sizeof port) && verbose)
        trace("      : Tcomport.port = \"%s\"", port);
    // The whole field: a description of up to 255 characters survives a save and reload.
    if (xml_read_attribute(element, "description", VALUE_TEXT, description, sizeof description) && verbose)
        trace("      : Tcomport.description = \"%s\"", description);
    if (xml_read_attribute(element, "rate", VALUE_INT, &rate, 0) && verbose)
        trace("      : Tcomport.rate = %d", rate);
}

void Tcomport::write(Text_out* out) const {
    if (out == nullptr) return;
    out->put("\t\t<COMPORT ");
    out->printf(" port=\"%s\"", xml_escape_field(port, sizeof port).c_str());
    out->printf(" rate=\"%d\"", rate);
    out->printf(" type=\"%s\"", type_name());
    out->printf(" description=\"%s\"/>\r\n", xml_escape_field(description, sizeof description).c_str());
}

namespace {
void destroy_comport(void* item) {
    delete static_cast<Tcomport*>(item);
}
} // namespace

void Tcomports::clear() {
    list.clear(&destroy_comport);
}

void Tcomports::append(Tcomport* comport) {
    list.append(comport);
}

void Tcomports::read(Xml_element element) {
    clear();
    for (Xml_element child = xml_first_child_element(element); child;
         child = xml_next_sibling_element(child)) {
        if (!xml_element_is(child, "COMPORT")) continue;
        Tcomport* comport = new (std::nothrow) Tcomport;
        if (comport == nullptr) continue;
        comport->read(child, false);
        append(comport);
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
