// What `vemora-cli check` finds in a setup file beyond the reader's own ERROR lines.
#pragma once

#include <string>
#include <vector>

#include "Setup.h"

// Warnings for a document read from path, each a line beginning "WARNING : " that names the station by
// its position (from 1) and id: configurations that did not fit, ids used twice, included files that
// could not be read, texts cut to their fields.
std::vector<std::string> check_setup(const char* path, Tsetup& setup);
