// vemora-editor: starts the application.
#include <csignal>

#include "Application.h"

int main(int argc, char** argv) {
    std::signal(SIGXFSZ, SIG_IGN); // past a file-size limit a save fails with its reason, not a silent end
    return run_application(argc, argv);
}
