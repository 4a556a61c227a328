// The checks behind `vemora-cli check`: they read the file's elements again beside the document.
#include "Check.h"

#include <cstring>
#include <map>
#include <strings.h>

#include "Configuration_reader.h"
#include "Eeprom_configurer.h"

namespace {

std::string station_name(int position, int32_t id) {
    return "station " + std::to_string(position) + " (id " + std::to_string(id) + ")";
}

// Reports an attribute whose text is longer than the field that keeps it.
void check_length(Xml_element element, const char* attribute, size_t field_size, const std::string& owner,
                  std::vector<std::string>& warnings) {
    const auto text = xml_attribute_text(element, attribute);
    if (text && text->size() >= field_size)
        warnings.push_back("WARNING : " + owner + ": " + attribute + " of " + std::to_string(text->size()) +
                           " characters was cut to " + std::to_string(field_size - 1));
}

// Follows a chain of included configuration files as the reader does and reports the first that fails.
void check_included_file(Xml_element configuration, int depth, const std::string& owner,
                         std::vector<std::string>& warnings) {
    const auto file = xml_attribute_text(configuration, "file");
    if (!file) return;
    if (file->size() > 511) {
        warnings.push_back("WARNING : " + owner + ": configuration file name of " + std::to_string(file->size()) +
                           " characters is too long; the element's own configuration was used");
        return;
    }
    if (depth >= CONFIGURATION_NESTING_MAX) return; // the reader's own ERROR line says it
    myXMLdocument document;
    const Xml_element root = xml_load_file(file->c_str(), &document);
    if (!root) {
        warnings.push_back("WARNING : " + owner + ": configuration file \"" + *file + "\" could not be read (" +
                           document.error_text() + "); the element's own configuration was used");
        return;
    }
    check_included_file(root, depth + 1, owner, warnings);
}

// The STATION elements that the document's list was read from: those of the last STATIONS element.
Xml_element last_stations(Xml_element root) {
    Xml_element found;
    for (Xml_element child = xml_first_child_element(root); child; child = xml_next_sibling_element(child))
        if (xml_element_is(child, "STATIONS")) found = child;
    return found;
}

void check_elements(const char* path, std::vector<std::string>& warnings) {
    myXMLdocument document;
    const Xml_element root = xml_load_file(path, &document);
    if (!root) return;
    for (Xml_element child = xml_first_child_element(root); child; child = xml_next_sibling_element(child)) {
        if (strcasecmp(xml_element_name(child), "PATH_DATA_BIN") == 0 ||
            strcasecmp(xml_element_name(child), "PATH_DATA_XML") == 0)
            check_length(child, "path", 512, xml_element_name(child), warnings);
        if (!xml_element_is(child, "COMPORTS")) continue;
        int n = 0;
        for (Xml_element c = xml_first_child_element(child); c; c = xml_next_sibling_element(c)) {
            if (!xml_element_is(c, "COMPORT")) continue;
            const std::string owner = "COM port " + std::to_string(++n);
            check_length(c, "port", 32, owner, warnings);
            check_length(c, "description", 256, owner, warnings);
        }
    }
    int position = 0;
    for (Xml_element s = xml_first_child_element(last_stations(root)); s; s = xml_next_sibling_element(s)) {
        if (!xml_element_is(s, "STATION")) continue;
        int32_t id = 0;
        xml_read_attribute(s, "id", VALUE_INT, &id, 0);
        const std::string owner = station_name(++position, id);
        check_length(s, "phone_nbr", 32, owner, warnings);
        check_length(s, "pin", 32, owner, warnings);
        check_length(s, "description", 256, owner, warnings);
        check_length(s, "display_type", 32, owner, warnings);
        for (Xml_element c = xml_first_child_element(s); c; c = xml_next_sibling_element(c))
            if (xml_element_is(c, "CONFIGURATION")) check_included_file(c, 0, owner, warnings);
    }
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
            warnings.push_back("WARNING : " + owner + ": the same id as station " + std::to_string(seen.first->second));
    });
    return warnings;
}
