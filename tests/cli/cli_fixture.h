// Runs vemora-cli commands in-process and keeps their output and exit code.
#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "Cli.h"

struct Cli_result {
    int code;
    std::string out;
    std::string err;
};

inline Cli_result cli(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), "vemora-cli");
    std::vector<const char*> argv;
    for (const std::string& a : arguments)
        argv.push_back(a.c_str());
    std::ostringstream out, err;
    const int code = run_cli(static_cast<int>(argv.size()), argv.data(), out, err);
    return {code, out.str(), err.str()};
}
