// The one place where the windows' texts meet the document's 8-bit texts: Latin-1 both ways.
#pragma once

#include <QString>
#include <string>

QString to_qstring(const char* latin1);
QString to_qstring(const std::string& latin1);

// True when every character of the text is one that an 8-bit (Latin-1) text can hold.
bool is_latin1(const QString& text);

// File names are not document texts: they are the system's bytes (UTF-8 on a Linux desktop), so that
// a setup file in a folder named "Données" opens and saves where it is.
QString file_text(const std::string& file_name);
std::string file_bytes(const QString& file_name);

// The text's Latin-1 bytes. Only for texts that is_latin1 accepts; the edits refuse every other text.
std::string to_latin1(const QString& text);
