// The setup document's content reduced to 64 bits, so a window can tell cheaply whether it changed.
#pragma once

#include <cstdint>

#include "Setup.h"

// FNV-1a over every field that Save writes, in the order Save writes them, with each station's whole
// image and cursor (as the image's own equality counts them): equal documents give equal values, and a
// change to any of these or to the order of stations or ports gives another, but for a collision chance
// of one in 2^64. Non-const only because the lists are walked with their cursor.
uint64_t setup_fingerprint(Tsetup& setup);
