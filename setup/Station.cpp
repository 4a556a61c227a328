// Stations: reading from a STATION element, writing one, and the owning list.
#include "Station.h"

#include <new>
#include <string>

#include "Configuration_reader.h"
#include "Configuration_writer.h"

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

void Tstation::read(Xml_element element) {
    xml_read_attribute(element, "id", VALUE_INT, &id, 0);
    xml_read_attribute(element, "phone_nbr", VALUE_TEXT, phone_nbr, sizeof phone_nbr);
    xml_read_attribute(element, "pin", VALUE_TEXT, pin, sizeof pin);
    xml_read_attribute(element, "description", VALUE_TEXT, description, sizeof description);
    xml_read_attribute(element, "display_type", VALUE_TEXT, display_type, sizeof display_type);
    const Station_defaults defaults{id, pin};
    for (Xml_element child = xml_first_child_element(element); child; child = xml_next_sibling_element(child))
        if (xml_element_is(child, "CONFIGURATION")) read_configuration(configuration, child, defaults);
}

void Tstation::write(Text_out* out) const {
    if (out == nullptr) return;
    out->put(banner);
    // Pieces put one after the other: the formatter would cost more than the copies, once per station.
    out->put("\t\t<STATION id=\"");
    out->put(std::to_string(id));
    out->put("\" phone_nbr=\"");
    out->put(xml_escape_field(phone_nbr, sizeof phone_nbr));
    out->put("\" pin=\"");
    out->put(xml_escape_field(pin, sizeof pin));
    out->put("\" description=\"");
    out->put(xml_escape_field(description, sizeof description));
    out->put("\" display_type=\"");
    out->put(xml_escape_field(display_type, sizeof display_type));
    out->put("\">\r\n");
    write_configuration(configuration, out);
    out->put("\t\t</STATION>\r\n");
}

void Tstations::clear() {
    list.clear(&destroy_station);
}

void Tstations::append(Tstation* station) {
    list.append(station);
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

void Tstations::read(Xml_element element) {
    clear();
    for (Xml_element child = xml_first_child_element(element); child;
         child = xml_next_sibling_element(child)) {
        if (!xml_element_is(child, "STATION")) continue;
        Tstation* station = new (std::nothrow) Tstation;
        if (station == nullptr) continue;
        station->read(child);
        append(station);
    }
}

void Tstations::write(Text_out* out) {
    for_each_item<Tstation>(list, [out](Tstation& s) { s.write(out); });
    if (out != nullptr) out->put(banner); // once more, also when there is no station
}
