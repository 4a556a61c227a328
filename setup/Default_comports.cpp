// The COM ports a new document starts with, shared by New's defaults and by Save's port of a missing type.
#include <new>

#include "Comport.h"
#include "Lib_text.h"

Tcomport* new_default_comport(uint8_t type, const char* port) {
    Tcomport* c = new (std::nothrow) Tcomport;
    if (c == nullptr) return nullptr;
    c->type = type;
    c->rate = type == COMPORT_DIRECT ? 38400 : 9600;
    copy_text(c->description, type == COMPORT_DIRECT ? "direct connection" : "standard analog modem",
              sizeof c->description);
    copy_text(c->port, port, sizeof c->port);
    return c;
}
