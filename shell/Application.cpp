// The program entry. Windows are created in this order: the main window (the application's main window),
// the station editor, the About window; only the main window is shown.
#include "Application.h"

#include <QApplication>
#include <cstdio>
#include <exception>
#include <string>

#include "Message_box.h"
#include "Text_bridge.h"
#include "Wabout.h"
#include "Wedit_zevo4k.h"
#include "Wmain.h"

namespace {

const char usage_text[] =
    "Usage: vemora-editor [FILE]\n"
    "Configuration editor for ZEVO-4K remote measuring stations: opens the setup file FILE, or starts with\n"
    "an empty document.\n"
    "\n"
    "  --help      this text\n"
    "  --version   the program's version\n"
    "\n"
    "Reading, checking and editing setup files from scripts: vemora-cli --help.\n";

} // namespace

int run_application(int argc, char** argv) {
    // Answered before any window exists, so they work without a display.
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--help" || argument == "-h") {
            std::fputs(usage_text, stdout);
            return 0;
        }
        if (argument == "--version") {
            std::printf("vemora-editor %s\n", VEMORA_VERSION);
            return 0;
        }
        if (argument.rfind("--", 0) == 0) { // single-dash options are Qt's own (-platform, -style)
            std::fprintf(stderr, "vemora-editor: unknown option \"%s\"\n%s", argv[i], usage_text);
            return 2;
        }
    }
    QApplication application(argc, argv);
    QApplication::setOrganizationName("Vemora");
    QApplication::setApplicationName("Vemora Editor");
    try {
        TFmain Fmain;
        TFedit_zevo4k Fedit_zevo4k(&Fmain);
        Fmain.set_station_editor([&Fedit_zevo4k](Tstation* station, bool adding) {
            return Fedit_zevo4k.edit_station(station, adding);
        });
        TFabout Fabout(&Fmain);
        Fmain.set_about_box(&Fabout);
        Fmain.restore_place();
        Fmain.show();
        const QStringList arguments = QApplication::arguments(); // Qt's own options already taken out
        if (arguments.size() > 1) Fmain.open_file(file_bytes(arguments[1]));
        return QApplication::exec();
    } catch (const std::exception& e) {
        Message_box::warn(nullptr, "Vemora Editor", QString::fromLocal8Bit(e.what()));
    }
    return 0;
}
