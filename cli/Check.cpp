// The checks behind `vemora-cli check`: they read the file's elements again beside the document.
#include "Check.h"

#include <cstring>
#include <map>
#include <strings.h>

#include "Check_configuration.h"
#include "Eeprom_configurer.h"

namespace {

std::string station_name(int position, int32_t id) {
    return "station " + std::to_string(position) + " (id " + std::to_string(id) + ")";
}

void warn(std::vector<std::string>& warnings, const std::string& owner, const std::string& text) {
    warnings.push_back("WARNING : " + owner + ": " + text);
}

std::string unknown(Xml_element element) {
    return "unknown element \"" + shown_text(xml_element_name(element)) + "\"";
}

// Reports an attribute whose text is longer than the field that keeps it.
void check_length(Xml_element element, const char* attribute, size_t field_size, const std::string& owner,
                  std::vector<std::string>& warnings) {
    const auto text = xml_attribute_text(element, attribute);
    if (text && text->size() >= field_size)
        warn(warnings, owner,
             std::string(attribute) + " of " + std::to_string(text->size()) + " characters was cut to " +
                 std::to_string(field_size - 1));
}

// Reports an integer attribute that is no clean number: the reader keeps what it read so far.
void check_integer(Xml_element element, const char* attribute, const std::string& owner,
                   std::vector<std::string>& warnings) {
    int32_t value = 0;
    const std::string unclean = unclean_integer(element, attribute, &value);
    if (!unclean.empty())
        warn(warnings, owner, unclean + " is not a clean number; " + std::to_string(value) + " was used");
}

// Elements that hold no elements: any child is ignored by the reader.
void check_no_children(Xml_element element, const std::string& owner, std::vector<std::string>& warnings) {
    for (Xml_element child = xml_first_child_element(element); child; child = xml_next_sibling_element(child))
        warn(warnings, owner, unknown(child) + " is ignored");
}

// The reader applies every occurrence of these root children; the last one decides.
struct Root_child {
    const char* name;
    bool any_case; // PATH_DATA_BIN and PATH_DATA_XML are matched without regard to case
    Xml_element last;
    int count = 0;
};

void check_comports(Xml_element comports, std::vector<std::string>& warnings) {
    int n = 0;
    for (Xml_element c = xml_first_child_element(comports); c; c = xml_next_sibling_element(c)) {
        if (!xml_element_is(c, "COMPORT")) {
            warn(warnings, "COMPORTS",
                 unknown(c) +
                     (n > 0 ? " after COM port " + std::to_string(n) : std::string(" before any COM port")) +
                     " is ignored");
            continue;
        }
        const std::string owner = "COM port " + std::to_string(++n);
        check_length(c, "port", 32, owner, warnings);
        check_length(c, "description", 256, owner, warnings);
        check_integer(c, "rate", owner, warnings);
        check_no_children(c, owner, warnings);
    }
}

void check_station(Xml_element s, const std::string& owner, int32_t id, std::vector<std::string>& warnings) {
    check_integer(s, "id", owner, warnings);
    check_length(s, "phone_nbr", 32, owner, warnings);
    check_length(s, "pin", 32, owner, warnings);
    check_length(s, "description", 256, owner, warnings);
    check_length(s, "display_type", 32, owner, warnings);
    // Each CONFIGURATION is read into the image afresh: only the last one stays.
    Xml_element configuration;
    int configurations = 0;
    for (Xml_element c = xml_first_child_element(s); c; c = xml_next_sibling_element(c)) {
        if (xml_element_is(c, "CONFIGURATION")) {
            configuration = c;
            ++configurations;
        } else {
            warn(warnings, owner, unknown(c) + " is ignored");
        }
    }
    if (configurations > 1)
        warn(warnings, owner,
             std::to_string(configurations) + " CONFIGURATION elements; only the last one counts");
    if (!configuration) return;
    char pin[32];
    xml_read_attribute(s, "pin", VALUE_TEXT, pin, sizeof pin);
    check_configuration(configuration, Station_defaults{id, pin}, owner, warnings);
}

void check_stations(Xml_element stations, std::vector<std::string>& warnings) {
    int position = 0;
    std::string previous;
    for (Xml_element s = xml_first_child_element(stations); s; s = xml_next_sibling_element(s)) {
        if (!xml_element_is(s, "STATION")) {
            warn(warnings, "STATIONS",
                 unknown(s) + (position > 0 ? " after " + previous : std::string(" before any station")) +
                     " is ignored");
            continue;
        }
        int32_t id = 0;
        xml_read_attribute(s, "id", VALUE_INT, &id, 0);
        previous = station_name(++position, id);
        check_station(s, previous, id, warnings);
    }
}

void check_elements(const char* path, std::vector<std::string>& warnings) {
    myXMLdocument document;
    const Xml_element root = xml_load_file(path, &document);
    if (!root) return;
    const std::string root_name = shown_text(xml_element_name(root));
    Root_child children[] = {{"PATH_DATA_BIN", true, {}},
                             {"PATH_DATA_XML", true, {}},
                             {"COMPORTS", false, {}},
                             {"STATIONS", false, {}}};
    for (Xml_element child = xml_first_child_element(root); child; child = xml_next_sibling_element(child)) {
        Root_child* known = nullptr;
        for (Root_child& c : children)
            if (c.any_case ? strcasecmp(xml_element_name(child), c.name) == 0 : xml_element_is(child, c.name))
                known = &c;
        if (known == nullptr) {
            warn(warnings, root_name, unknown(child) + " is ignored");
            continue;
        }
        known->last = child;
        ++known->count;
    }
    for (const Root_child& c : children)
        if (c.count > 1)
            warn(warnings, root_name,
                 std::to_string(c.count) + " " + c.name + " elements; only the last one counts");
    for (int i = 0; i < 2; ++i) {
        if (!children[i].last) continue;
        const std::string owner = shown_text(xml_element_name(children[i].last));
        check_length(children[i].last, "path", 512, owner, warnings);
        check_no_children(children[i].last, owner, warnings);
    }
    if (children[2].last) check_comports(children[2].last, warnings);
    if (children[3].last) check_stations(children[3].last, warnings);
}

} // namespace

std::vector<std::string> check_setup(const char* path, Tsetup& setup) {
    std::vector<std::string> warnings;
    check_elements(path, warnings);
    std::map<int32_t, int> first_position;
    int position = 0;
    for_each_item<Tstation>(setup.stations.list, [&](Tstation& s) {
        const std::string owner = station_name(++position, s.id);
        if (s.configuration.refused() > 0)
            warnings.push_back("WARNING : " + owner + ": the configuration does not fit the station's " +
                               std::to_string(IMAGE_USABLE) + " bytes; what did not fit was dropped");
        const auto seen = first_position.emplace(s.id, position);
        if (!seen.second)
            warnings.push_back("WARNING : " + owner + ": the same id as station " +
                               std::to_string(seen.first->second));
    });
    return warnings;
}
