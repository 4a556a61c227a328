// vemora-cli entry: hands the command line to run_cli, with the standard output through an Fd_output.
#include <csignal>
#include <iostream>
#include <unistd.h>

#include "Cli.h"
#include "Fd_output.h"

int main(int argc, char** argv) {
    // Past a file-size limit a write then fails with "File too large" and is reported, instead of the
    // signal ending the program without a word.
    std::signal(SIGXFSZ, SIG_IGN);
    Fd_output standard_output(STDOUT_FILENO);
    std::ostream out(&standard_output);
    return run_cli(argc, argv, out, std::cerr);
}
