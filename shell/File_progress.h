// The progress of a long Open or Save: a window-modal dialog driven from the reading and writing loops.
#pragma once

#include <QElapsedTimer>
#include <QString>

#include "Lib_progress.h"

class QProgressDialog;
class QWidget;

// Shown only once the work has taken the minimum duration, so a quick Open or Save never shows it. Each
// update lets the event loop turn: the windows repaint and Cancel can be pressed; a Cancel asks the loop
// to stop. The program stays single-threaded: nothing else runs while the file is read or written.
class File_progress : public Progress_sink {
  public:
    enum class Work { OPEN, SAVE };
    File_progress(QWidget* parent, Work work, const QString& file_shown);
    ~File_progress() override;
    File_progress(const File_progress&) = delete;
    File_progress& operator=(const File_progress&) = delete;

    bool progress(Progress_phase phase, uint64_t done, uint64_t total) override;

    // Whether the dialog was shown at any time, and how many times it was updated while shown.
    bool was_shown() const { return shown_; }
    int updates_shown() const { return updates_shown_; }

    // How long work runs before the dialog appears (500 ms); tests and the benchmark lower it.
    static void set_minimum_duration(int ms);
    static int minimum_duration();

  private:
    void make_dialog();

    QWidget* parent_;
    QProgressDialog* dialog_ = nullptr;
    Work work_;
    QString file_shown_;
    QElapsedTimer since_start_;
    QElapsedTimer since_update_;
    Progress_phase phase_ = Progress_phase::READING_FILE;
    bool first_ = true;
    bool shown_ = false;
    int updates_shown_ = 0;
};
