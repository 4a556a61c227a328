// What `vemora-cli check` finds in a setup file beyond the reader's own ERROR lines.
#pragma once

#include <string>
#include <vector>

#include "Setup.h"

// Warnings for a document read from path, each a line beginning "WARNING : " that names its owner (a
// station by its position from 1 and its id, a COM port by its position, or an element): elements the
// reader ignores, numbers that are no numbers, texts cut to their fields or too long for them,
// configurations that did not fit, ids used twice, included files that could not be read.
std::vector<std::string> check_setup(const char* path, Tsetup& setup);
