// Reading a CONFIGURATION element (or the file it names) into a configuration image.
#pragma once

#include "Eeprom_configurer.h"
#include "Lib_xml.h"
#include "Reading_context.h"

// What the station record gives a configuration: the defaults of STATION_ID and PIN_CODE.
struct Station_defaults {
    int32_t id = 0;
    const char* pin = "";
};

// A chain holds at most this many included files: the setup file's CONFIGURATION may include file 1,
// whose root may include file 2, and so on up to file 8.
constexpr int CONFIGURATION_NESTING_MAX = 8;

// Clears the image and appends one record per child element, then the end marker. The station's id and
// pin are the defaults of STATION_ID and PIN_CODE. Does nothing when element is none.
// With a context, its listener hears what the reader decided silently, included files are parsed once per
// context, and a relative file name is looked for beside the file that names it first.
void read_configuration(Teeprom_configurer& image, Xml_element element, const Station_defaults& station,
                        Reading_context* context = nullptr);

// Loads the file and reads its root element; 0 when the file was read, 1 when not.
int read_configuration_file(Teeprom_configurer& image, const char* path, const Station_defaults& station,
                            Reading_context* context = nullptr);

// One ACQUISITION_SEQUENCE element into one sequence record.
void read_sequence(Teeprom_configurer& image, Xml_element element, Reading_context* context = nullptr);
