// Reads an XML text through a real file, as the program does, for tests of the readers.
#pragma once

#include <string>

#include "Configuration_reader.h"
#include "Lib_xml.h"
#include "temp_dir.h"

struct Xml_fixture {
    Temp_dir dir;
    myXMLdocument doc;
    Xml_element root;
    explicit Xml_fixture(const std::string& xml) {
        root = xml_load_file(dir.write("in.xml", xml).c_str(), &doc);
    }
};

// The image that a CONFIGURATION element with the given children gives.
inline Teeprom_configurer read_config(const std::string& children, Station_defaults defaults = {}) {
    Xml_fixture f("<CONFIGURATION>" + children + "</CONFIGURATION>");
    Teeprom_configurer image;
    read_configuration(image, f.root, defaults);
    return image;
}
