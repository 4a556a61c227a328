// The folder chooser over Qt's folder dialog.
#include "Lib_32.h"

#include <vector>

#include "File_dialogs.h"
#include "Lib_text.h"
#include "Text_bridge.h"

Browse_result browse_folder(QWidget* parent, char* out, int out_size, const std::string& start,
                            QString* chosen) {
    std::vector<char> folder(start.begin(), start.end());
    folder.push_back(0);
    strip_trailing_separators(folder.data());
    const QString path = File_dialogs::folder(parent, "Choose a Folder", to_qstring(folder.data()));
    if (path.isEmpty()) return Browse_result::CANCELLED;
    // Kept as chosen: its Latin-1 bytes would show every other character as "?".
    if (chosen != nullptr) *chosen = path;
    // A name the document cannot keep whole is refused rather than cut or emptied.
    if (!is_latin1(path) || out == nullptr) return Browse_result::REFUSED;
    const std::string bytes = to_latin1(path);
    if (static_cast<int>(bytes.size()) >= out_size) return Browse_result::REFUSED;
    copy_text(out, bytes.c_str(), out_size);
    return Browse_result::CHOSEN;
}
