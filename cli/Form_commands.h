// vemora-cli form and edit: the station editor's logic driven from a script.
#pragma once

#include <ostream>

int form_command(const char* in, const char* n, std::ostream& out, std::ostream& err);
int edit_command(const char* in, const char* n, const char* out_path, int assignments,
                 const char* const* assignment, std::ostream& err);
