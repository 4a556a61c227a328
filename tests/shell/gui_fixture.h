// A main window for one test, with every message box and file dialog answered by the test.
#pragma once

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <deque>
#include <functional>

#include "File_dialogs.h"
#include "Message_box.h"
#include "Preferences.h"
#include "Station_grid.h"
#include "Wmain.h"
#include "temp_dir.h"

class Gui_test : public ::testing::Test {
  protected:
    void SetUp() override {
        Message_box::set_responder([this](const Message& m) {
            messages.push_back(m);
            if (answers.empty()) return Answer::CANCEL;
            const Answer a = answers.front();
            answers.pop_front();
            return a;
        });
        File_dialogs::set_responder([this](const File_request& r) {
            requests.push_back(r);
            if (chosen.empty()) return QString();
            const QString c = chosen.front();
            chosen.pop_front();
            return c;
        });
        // Tests of other things open the examples from several processes at once: no lock files unless
        // a test asks for them.
        Preferences::set_lock_files(false);
        Preferences::set_keep_versions(true);
        window = new TFmain;
    }

    void TearDown() override {
        // A failed test tells what the window said: the reason behind a failed Open is in its message.
        if (HasFailure())
            for (const Message& m : messages)
                std::fprintf(stderr, "message: %s: %s\n", m.title.toUtf8().constData(),
                             m.text.toUtf8().constData());
        delete window;
        Message_box::set_responder(nullptr);
        File_dialogs::set_responder(nullptr);
        EXPECT_TRUE(QApplication::topLevelWidgets().isEmpty() ||
                    std::all_of(QApplication::topLevelWidgets().begin(),
                                QApplication::topLevelWidgets().end(),
                                [](QWidget* w) { return !w->isVisible(); }));
    }

    template <typename T> T* find(const char* name) const {
        T* w = window->findChild<T*>(name);
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    QAction* action(const char* name) const { return find<QAction>(name); }
    QLineEdit* edit(const char* name) const { return find<QLineEdit>(name); }
    QTableView* grid() const { return find<QTableView>("StringGrid_stations"); }
    Station_grid_model* model() const { return static_cast<Station_grid_model*>(grid()->model()); }
    void click(const char* button) { QTest::mouseClick(find<QPushButton>(button), Qt::LeftButton); }

    // A stand-in for the station editor: records every record it is given and answers `ok`, so a test
    // sees whether a command opened the editor at all.
    void install_fake_editor(bool ok) {
        window->set_station_editor([this, ok](Tstation* s, bool) {
            edited.push_back(s);
            return ok;
        });
    }

    // Selects grid rows (as a user's click and shift-click would).
    void select_rows(int first, int last) {
        grid()->clearSelection();
        for (int r = first; r <= last; ++r)
            grid()->selectionModel()->select(model()->index(r, 0),
                                             QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }

    std::string write_setup(const std::string& name, const std::string& xml) { return dir.write(name, xml); }

    Temp_dir dir;
    TFmain* window = nullptr;
    std::vector<Message> messages;
    std::deque<Answer> answers;
    std::vector<File_request> requests;
    std::deque<QString> chosen;
    std::vector<Tstation*> edited; // what the stand-in editor was given
};

inline const char three_stations[] =
    "<SETUP><PATH_DATA_BIN path='c:\\data\\'/><PATH_DATA_XML path='/x'/><COMPORTS>"
    "<COMPORT port='COM7' type='direct' rate='38400' description='d'/>"
    "<COMPORT port='COM8' type='modem' rate='9600' description='m'/></COMPORTS><STATIONS>"
    "<STATION id='1' phone_nbr='+41 1' pin='1111' description='first'/>"
    "<STATION id='2' phone_nbr='+41 2' pin='2222' description='second'/>"
    "<STATION id='3' phone_nbr='+41 3' pin='3333' description='third'/></STATIONS></SETUP>";

// Answers the next modal dialog (an input dialog, say) once the event loop runs it.
inline void answer_next_dialog(std::function<void(QDialog*)> answer) {
    QTimer::singleShot(0, [answer] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        answer(dialog);
    });
}
