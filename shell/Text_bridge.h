// The one place where the windows' texts meet the document's 8-bit texts: Latin-1 both ways.
#pragma once

#include <QString>
#include <string>

QString to_qstring(const char* latin1);
QString to_qstring(const std::string& latin1);

// True when every character of the text is one that an 8-bit (Latin-1) text can hold.
bool is_latin1(const QString& text);

// The text's Latin-1 bytes. Only for texts that is_latin1 accepts; the edits refuse every other text.
std::string to_latin1(const QString& text);
