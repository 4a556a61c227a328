// Reading one command of an ACQUISITION_SEQUENCE element into the sequence record being built.
#pragma once

#include <cstdint>

#include "Eeprom_configurer.h"
#include "Lib_xml.h"
#include "Reading_context.h"

// Encodes the command the element names, each attribute converted once; an element of no command's name is
// reported (trace and note) and adds nothing. The listener hears what the encoders keep of each value.
void read_command(Teeprom_configurer& image, Xml_element child, uint8_t sequence_tag,
                  Reading_context& context);
