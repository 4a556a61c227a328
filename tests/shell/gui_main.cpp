// GoogleTest entry for the window tests: one QApplication for the whole run, on the offscreen platform.
#include <gtest/gtest.h>

#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication application(argc, argv);
    // The windows' preferences (recent files, window places) go to a folder of this run, never the user's.
    QTemporaryDir preferences;
    QCoreApplication::setOrganizationName("Vemora tests");
    QCoreApplication::setApplicationName("gui_tests");
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, preferences.path());
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
