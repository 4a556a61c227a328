// Lines for people: the 8-bit texts of stations and labels ("[°C]") written as UTF-8 for the terminal.
#pragma once

#include <string>

std::string utf8_of(const std::string& latin1);
