// The station editor window beside the main window, with modal runs driven from zero-delay timers.
#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QSettings>
#include <QTimer>
#include <functional>

#include "Wedit_zevo4k.h"
#include "gui_fixture.h"

class Editor_window_test : public Gui_test {
  protected:
    void SetUp() override {
        Gui_test::SetUp();
        // The editor keeps its size and place in the user's settings: each test has settings of its own.
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                           QString::fromStdString(dir.file("config")));
        Preferences::set_lock_files(false); // these settings start anew: no lock files here either
        editor = new TFedit_zevo4k(window);
        window->set_station_editor(
            [this](Tstation* s, bool adding) { return editor->edit_station(s, adding); });
        window->set_together_editor(
            [this](const Together_request& request, std::vector<Control_change>* changes,
                   bool* include_spares) { return editor->edit_together(request, changes, include_spares); });
    }

    // Runs `actions` inside the editor's modal run; a watchdog closes it if the actions did not, so a
    // failing check never hangs the test.
    void while_open(std::function<void()> actions) {
        QTimer::singleShot(0, editor, [this, actions] {
            EXPECT_TRUE(editor->isVisible());
            actions();
        });
        QTimer::singleShot(10000, editor, [this] {
            if (!editor->isVisible()) return;
            ADD_FAILURE() << "the editor was still open";
            editor->done(2);
        });
    }

    template <typename T> T* control(const char* name) const {
        T* w = editor->findChild<T*>(name);
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    QCheckBox* box(const char* name) const { return control<QCheckBox>(name); }
    QComboBox* list(const char* name) const { return control<QComboBox>(name); }
    QLineEdit* field(const char* name) const { return control<QLineEdit>(name); }
    QTabWidget* pages() const { return control<QTabWidget>("PageControl1"); }
    QString meter() const { return control<QLabel>("lb_memory")->text(); }

    void press(const char* button) { QTest::mouseClick(control<QPushButton>(button), Qt::LeftButton); }
    void tick(const char* name) {
        QTest::mouseClick(box(name), Qt::LeftButton, {}, QPoint(4, box(name)->height() / 2));
    }
    void choose(const char* name, int index) {
        list(name)->setCurrentIndex(index);
    } // as a user's pick in the list
    void type(const char* name, const QString& text) {
        field(name)->selectAll();
        QTest::keyClicks(field(name), text);
    }

    TFedit_zevo4k* editor = nullptr;
};
