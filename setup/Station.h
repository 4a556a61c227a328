// One station: identification and configuration image, and the owning list of stations.
#pragma once

#include <cstdint>

#include "Eeprom_configurer.h"
#include "Lib_output.h"
#include "Lib_xml.h"
#include "Tlist.h"

class Tstation {
  public:
    Tstation();
    void read(Xml_element element);
    void write(Text_out* out) const;

    int32_t id;
    char phone_nbr[32];
    char pin[32];
    char description[256];
    Teeprom_configurer configuration;
    char display_type[32];
};

class Tstations {
  public:
    Tstations() = default;
    ~Tstations() { clear(); }
    Tstations(const Tstations&) = delete;
    Tstations& operator=(const Tstations&) = delete;

    void clear();
    void read(Xml_element element);
    void write(Text_out* out);
    void append(Tstation* station); // takes ownership
    void remove(Tstation* station); // unlinks and destroys; a station not in the list changes nothing

    Tlist list;
};
