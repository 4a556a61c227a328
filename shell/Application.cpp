// The program entry. Windows are created in this order: the main window (the application's main window),
// the station editor, the About window; only the main window is shown.
#include "Application.h"

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

#include <QApplication>
#include <QPointer>
#include <QSocketNotifier>
#include <QTimer>
#include <QWindow>
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

// How long the window may take to reach the screen before the file is opened all the same (a window
// started minimized is never exposed).
constexpr int EXPOSE_WAIT_MS = 2000;
constexpr int EXPOSE_POLL_MS = 10;

// A termination signal (the session ending, kill) ends the event loop, so that the windows close as on
// Quit without questions: the lock file beside the open setup file is removed. The handler only writes a
// byte into a pipe that the event loop watches.
int signal_pipe[2] = {-1, -1};

void on_termination(int) {
    const char byte = 1;
    const ssize_t written = write(signal_pipe[1], &byte, 1);
    (void)written;
}

void end_loop_on_termination(QApplication& application) {
    if (pipe2(signal_pipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
    auto* notifier = new QSocketNotifier(signal_pipe[0], QSocketNotifier::Read, &application);
    QObject::connect(notifier, &QSocketNotifier::activated, &application, [] {
        char byte = 0;
        while (read(signal_pipe[0], &byte, 1) > 0) {
        }
        QApplication::exit(0);
    });
    struct sigaction action {};
    action.sa_handler = on_termination;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal_number : {SIGTERM, SIGHUP, SIGINT})
        sigaction(signal_number, &action, nullptr);
}

void open_once_exposed(QPointer<TFmain> window, const std::string& path, int waited_ms) {
    if (window == nullptr) return;
    const QWindow* handle = window->windowHandle();
    if ((handle == nullptr || !handle->isExposed()) && waited_ms < EXPOSE_WAIT_MS) {
        QTimer::singleShot(EXPOSE_POLL_MS, window, [window, path, waited_ms] {
            open_once_exposed(window, path, waited_ms + EXPOSE_POLL_MS);
        });
        return;
    }
    window->repaint(); // on the screen now, before the read holds the event loop
    window->open_file(path);
}

} // namespace

void open_when_painted(TFmain* window, const std::string& path) {
    QPointer<TFmain> guarded(window);
    QTimer::singleShot(0, window, [guarded, path] { open_once_exposed(guarded, path, 0); });
}

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
    end_loop_on_termination(application);
    try {
        TFmain Fmain;
        TFedit_zevo4k Fedit_zevo4k(&Fmain);
        Fmain.set_station_editor([&Fedit_zevo4k](Tstation* station, bool adding) {
            return Fedit_zevo4k.edit_station(station, adding);
        });
        Fmain.set_together_editor([&Fedit_zevo4k](const Together_request& request,
                                                  std::vector<Control_change>* changes,
                                                  bool* include_spares) {
            return Fedit_zevo4k.edit_together(request, changes, include_spares);
        });
        TFabout Fabout(&Fmain);
        Fmain.set_about_box(&Fabout);
        Fmain.restore_place();
        Fmain.show();
        const QStringList arguments = QApplication::arguments(); // Qt's own options already taken out
        if (arguments.size() > 1) open_when_painted(&Fmain, file_bytes(arguments[1]));
        return QApplication::exec();
    } catch (const std::exception& e) {
        Message_box::warn(nullptr, "Vemora Editor", QString::fromLocal8Bit(e.what()));
    }
    return 0;
}
