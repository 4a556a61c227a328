// The program entry: the application, its three windows in order, the message loop.
#pragma once

#include <string>

class TFmain;

// Runs the editor; argv may name a setup file to open. Returns the exit code.
int run_application(int argc, char** argv);

// Opens the file from the event loop once the shown window is on the screen and painted, so that a long
// read shows the window rather than a black square (or, never exposed within two seconds, all the same).
void open_when_painted(TFmain* window, const std::string& path);
