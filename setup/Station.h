// One station: identification and configuration image, and the owning list of stations.
#pragma once

#include <cstdint>

#include "Eeprom_configurer.h"
#include "Lib_output.h"
#include "Lib_xml.h"
#include "Reading_context.h"
#include "Tlist.h"

class Tstation {
  public:
    Tstation();
    // With a context, its listener hears what was cut, ignored or taken instead.
    void read(Xml_element element, Reading_context* context = nullptr);
    void write(Text_out* out) const;

    int32_t id;
    char phone_nbr[32];
    char pin[32];
    char description[256];
    Teeprom_configurer configuration;
    char display_type[32];
    // How many reading notes the read that made this record left about it: shown beside the station and
    // never written. It travels with the record's copies, so a station brought back by undo keeps its
    // count; a duplicate starts without any.
    int reading_notes = 0;
};

class Tstations {
  public:
    Tstations() = default;
    ~Tstations() { clear(); }
    Tstations(const Tstations&) = delete;
    Tstations& operator=(const Tstations&) = delete;

    void clear();
    // Fails the context (nothing kept) when a station cannot be allocated, or when its progress meter was
    // asked to stop (then also cancelled).
    void read(Xml_element element, Reading_context* context = nullptr);
    // progress hears the stations written; false when it asked to stop (the stations after are not written).
    bool write(Text_out* out, Progress_meter* progress = nullptr);
    bool append(Tstation* station); // takes ownership; false (nothing linked) when no node can be allocated
    void remove(Tstation* station); // unlinks and destroys; a station not in the list changes nothing

    Tlist list;
};
