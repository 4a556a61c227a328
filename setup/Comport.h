// One COM port through which stations are reached, and the owning list of them.
#pragma once

#include <cstdint>

#include "Lib_output.h"
#include "Lib_xml.h"
#include "Tlist.h"

constexpr uint8_t COMPORT_DIRECT = 0;
constexpr uint8_t COMPORT_MODEM = 1;

class Tcomport {
  public:
    Tcomport() { clear(); }
    void clear();
    void read(Xml_element element, bool verbose);
    void write(Text_out* out) const;
    const char* type_name() const;

    uint8_t type;
    int32_t rate;
    char description[256];
    char port[32];
};

// A port of the given type as a new document has it: a direct port at 38400 baud described as "direct
// connection", any other at 9600 as "standard analog modem", carrying the given port name. nullptr when
// memory is short, so a caller appending it to a list simply adds nothing.
Tcomport* new_default_comport(uint8_t type, const char* port);

class Tcomports {
  public:
    Tcomports() = default;
    ~Tcomports() { clear(); }
    Tcomports(const Tcomports&) = delete;
    Tcomports& operator=(const Tcomports&) = delete;

    void clear();
    void read(Xml_element element);
    void write(Text_out* out);
    void append(Tcomport* comport); // takes ownership
    Tcomport* find_by_type(uint8_t type);
    void set_port_by_type(uint8_t type, const char* text);

    Tlist list;
};
