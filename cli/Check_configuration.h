// What `vemora-cli check` finds in a station's configuration and in the numbers of the setup file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "Configuration_reader.h"
#include "Lib_xml.h"

// A text quoted in a warning, kept on one line: control characters as \xHH, and beyond max characters
// cut with "..." (0: never cut).
std::string shown_text(const std::string& text, size_t max = 0);

// When the element has the attribute and its text is not a clean integer as the reader converts it: the
// attribute as a warning names it (`name "text"`). Empty when the attribute is absent or clean. *value is
// what the conversion yielded (0 when absent), which the reader uses wherever it keeps an unclean number.
std::string unclean_integer(Xml_element element, const char* name, int32_t* value);

// Follows the CONFIGURATION element's chain of included files as the reader does, reports a file that
// cannot be read, and checks the children of the element whose children make the image: numbers that
// are no numbers, texts longer than their fields, a PIN code the reader ignores, an SMS number longer
// than the station keeps. Children the reader never reached because the image was full are not checked.
void check_configuration(Xml_element configuration, const Station_defaults& station, const std::string& owner,
                         std::vector<std::string>& warnings);
