// The folder chooser: starts at a folder, lets the user pick an existing folder or cancel.
#pragma once

#include <string>

class QString;
class QWidget;

enum class Browse_result { CHOSEN, CANCELLED, REFUSED };

// Shows "Choose a Folder" starting at start (trailing separators removed) and copies the chosen path into
// out, all or nothing, with the bound out_size. A chosen path that does not fit is refused (REFUSED)
// and out is left as it was, as is a name with characters outside Latin-1; chosen holds the path as the
// user chose it, for the message.
Browse_result browse_folder(QWidget* parent, char* out, int out_size, const std::string& start,
                            QString* chosen = nullptr);
