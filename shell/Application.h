// The program entry: the application, its three windows in order, the message loop.
#pragma once

// Runs the editor; argv may name a setup file to open. Returns the exit code.
int run_application(int argc, char** argv);
