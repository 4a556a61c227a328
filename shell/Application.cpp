// The program entry. Windows are created in this order: the main window (the application's main window),
// the station editor, the About window; only the main window is shown.
#include "Application.h"

#include <QApplication>
#include <exception>

#include "Message_box.h"
#include "Text_bridge.h"
#include "Wabout.h"
#include "Wedit_zevo4k.h"
#include "Wmain.h"

int run_application(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName("Vemora Editor");
    try {
        TFmain Fmain;
        TFedit_zevo4k Fedit_zevo4k(&Fmain);
        Fmain.set_station_editor([&Fedit_zevo4k](Tstation* station) { return Fedit_zevo4k.edit_station(station); });
        TFabout Fabout(&Fmain);
        Fmain.set_about_box(&Fabout);
        Fmain.show();
        const QStringList arguments = QApplication::arguments();
        if (arguments.size() > 1) {
            if (is_latin1(arguments[1]))
                Fmain.open_file(to_latin1(arguments[1]));
            else
                Message_box::warn(&Fmain, "Open", "The file name holds characters outside Latin-1: " + arguments[1]);
        }
        return QApplication::exec();
    } catch (const std::exception& e) {
        Message_box::warn(nullptr, "Vemora Editor", QString::fromLocal8Bit(e.what()));
    }
    return 0;
}
