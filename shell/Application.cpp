// The program entry. Windows are created in this order: the main window (the application's main window),
// the station editor, the About window; only the main window is shown.
#include "Application.h"

#include <QApplication>
#include <exception>

#include "Message_box.h"
#include "Text_bridge.h"
#include "Wabout.h"
#include "Wmain.h"

int run_application(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName("Vemora Editor");
    try {
        TFmain Fmain;
        // The station editor window takes its place here.
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
