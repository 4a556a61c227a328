// One COM port through which stations are reached, and the owning list of them.
#pragma once

#include <cstdint>

#include "Lib_output.h"
#include "Lib_xml.h"
#include "Reading_context.h"
#include "Tlist.h"

constexpr uint8_t COMPORT_DIRECT = 0;
constexpr uint8_t COMPORT_MODEM = 1;

class Tcomport {
  public:
    Tcomport() { clear(); }
    void clear();
    // With a context, its listener hears what was cut, ignored or taken instead.
    void read(Xml_element element, bool verbose, Reading_context* context = nullptr);
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
    // Fails the context (nothing kept) when a port cannot be allocated.
    void read(Xml_element element, Reading_context* context = nullptr);
    void write(Text_out* out);
    bool append(Tcomport* comport); // takes ownership; false (nothing linked) when no node can be allocated
    Tcomport* find_by_type(uint8_t type);
    void set_port_by_type(uint8_t type, const char* text);

    Tlist list;
};

// Notes shared by the readers of the setup file: a text cut to its field, an integer that is no clean
// number, elements inside one that holds none.
void note_if_cut(Xml_element element, const char* attribute, size_t field_size, Reading_context& context);
void note_if_unclean(Xml_element element, const char* attribute, int32_t value, Reading_context& context);
void note_children_ignored(Xml_element element, Reading_context& context);
// An element the reader does not read, in parent: count is how many of the list came before it (-1 for
// no list), other_id the id of the station before it.
void note_ignored(Reading_context& context, const char* parent, Xml_element element, long long count = -1,
                  int32_t other_id = 0);
