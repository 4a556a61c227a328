// vemora-cli entry: hands the command line to run_cli.
#include <iostream>

#include "Cli.h"

int main(int argc, char** argv) { return run_cli(argc, argv, std::cout, std::cerr); }
