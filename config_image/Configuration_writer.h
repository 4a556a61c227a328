// Writing a configuration image as a CONFIGURATION element, one line per record and per command.
#pragma once

#include "Eeprom_configurer.h"
#include "Lib_output.h"

void write_configuration(const Teeprom_configurer& image, Text_out* out);
void write_sequence(const Teeprom_configurer& image, Text_out* out, uint8_t position);
void write_system_config(const Teeprom_configurer& image, Text_out* out, uint8_t position);
