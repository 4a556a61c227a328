// One command of vemora-cli, declared once: its name, its arguments and what it does. The usage text, the
// usage errors and the argument count checks are derived from the declarations.
#pragma once

#include <ostream>
#include <string>
#include <vector>

constexpr int EXIT_OK = 0, EXIT_FILE = 1, EXIT_USAGE = 2, EXIT_REFUSED = 3, EXIT_FOUND = 4, EXIT_DIFFER = 5,
              EXIT_NO_MATCH = 6;

using Arguments = std::vector<std::string>; // the words after the command's name

struct Command {
    const char* name;
    const char* synopsis; // its arguments as --help and usage errors show them: "IN OUT"
    const char* help;     // what it does, for --help; '\n' starts another line
    int min_arguments;
    int max_arguments; // -1: any number from min_arguments on
    int (*run)(const Arguments& arguments, std::ostream& out, std::ostream& err);
};

// Every command, in the order --help lists them.
const std::vector<const Command*>& cli_commands();

// A usage error: one line on err; returns EXIT_USAGE.
int usage_error(std::ostream& err, const std::string& problem);
// "usage: vemora-cli normalize IN OUT" as a usage error.
int usage_of(const Command& command, std::ostream& err);
