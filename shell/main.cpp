// vemora-editor: starts the application.
#include "Application.h"

int main(int argc, char** argv) { return run_application(argc, argv); }
