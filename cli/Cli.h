// The command-line tool's commands, callable from tests: the same code that the vemora-cli binary runs.
#pragma once

#include <ostream>

// Runs one command line; returns the exit code. Normal output goes to out, messages to err, one line each.
// When out cannot take the output (a full disk), the exit code is 1 with the reason on err, whatever the
// command did.
int run_cli(int argc, const char* const* argv, std::ostream& out, std::ostream& err);
