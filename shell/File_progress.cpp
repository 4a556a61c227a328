// The progress dialog of Open and Save.
#include "File_progress.h"

#include <QCoreApplication>
#include <QLocale>
#include <QProgressDialog>
#include <algorithm>

namespace {

int minimum_duration_ms = 500;

// The bar runs over the whole Open or Save, each phase over its own share, so that the dialog's clock
// starts once and a phase that begins at zero does not start it again.
constexpr int SCALE = 1000;
// Updates closer together than this are dropped: the loops report far more often than anyone can see.
constexpr qint64 UPDATE_GAP_MS = 40;
// Before this the dialog would not show anyway (it first judges how long the work will take after 50 ms).
constexpr qint64 MAKE_AFTER_MS = 50;

struct Share {
    int from, to;
};

Share share_of(File_progress::Work work, Progress_phase phase) {
    if (work == File_progress::Work::OPEN) {
        switch (phase) {
        case Progress_phase::READING_FILE:
            return {0, 100};
        case Progress_phase::PARSING:
            return {100, 450};
        default:
            return {450, SCALE};
        }
    }
    return phase == Progress_phase::WRITING_TO_DISK ? Share{950, SCALE} : Share{0, 950};
}

QString label_of(Progress_phase phase, uint64_t done, uint64_t total) {
    const QLocale locale;
    switch (phase) {
    case Progress_phase::READING_FILE:
        return QString("Reading the file... %1 of %2 MB")
            .arg(locale.toString(done / 1e6, 'f', 1), locale.toString(total / 1e6, 'f', 1));
    case Progress_phase::PARSING:
        return QString("Parsing the XML...");
    case Progress_phase::READING_STATIONS:
        return QString("Reading stations... %1 of %2")
            .arg(locale.toString(qulonglong{done}), locale.toString(qulonglong{total}));
    case Progress_phase::WRITING_STATIONS:
        return QString("Writing stations... %1 of %2")
            .arg(locale.toString(qulonglong{done}), locale.toString(qulonglong{total}));
    case Progress_phase::WRITING_TO_DISK:
        return QString("Writing to the disk...");
    }
    return QString();
}

} // namespace

File_progress::File_progress(QWidget* parent, Work work, const QString& file_shown)
    : parent_(parent), work_(work), file_shown_(file_shown) {
    since_start_.start();
}

File_progress::~File_progress() {
    delete dialog_;
}

// The dialog is made only once the work has run for a while: a quick Open or Save costs no window.
void File_progress::make_dialog() {
    const QString title = QString(work_ == Work::OPEN ? "Opening %1" : "Saving %1").arg(file_shown_);
    dialog_ = new QProgressDialog(QString(), "&Cancel", 0, SCALE, parent_);
    dialog_->setObjectName("dlg_progress");
    dialog_->setWindowTitle(title);
    dialog_->setAccessibleName(title);
    dialog_->setWindowModality(Qt::WindowModal);
    dialog_->setAutoReset(false);
    dialog_->setAutoClose(false);
    const qint64 left = minimum_duration_ms - since_start_.elapsed();
    dialog_->setMinimumDuration(left > 0 ? static_cast<int>(left) : 0);
    dialog_->setMinimumWidth(360);
    dialog_->setValue(0); // the dialog's clock starts here, its minimum duration is what is left
}

bool File_progress::progress(Progress_phase phase, uint64_t done, uint64_t total) {
    if (dialog_ == nullptr) {
        if (since_start_.elapsed() < std::min(MAKE_AFTER_MS, qint64{minimum_duration_ms})) return false;
        make_dialog();
    }
    const bool new_phase = first_ || phase != phase_;
    if (!new_phase && done < total && since_update_.isValid() && since_update_.elapsed() < UPDATE_GAP_MS)
        return dialog_->wasCanceled();
    first_ = false;
    phase_ = phase;
    since_update_.start();
    const Share share = share_of(work_, phase);
    const int value =
        total == 0
            ? share.to
            : share.from + static_cast<int>((share.to - share.from) * (static_cast<double>(done) / total));
    dialog_->setLabelText(label_of(phase, done, total));
    if (dialog_->isVisible()) ++updates_shown_;
    // Past the minimum duration this shows the dialog; once shown, it lets the event loop turn, but only
    // when the value moves: a new phase that starts where the last one ended turns it here.
    const int shown_value = value < SCALE ? value : SCALE - 1;
    const bool moves = shown_value != dialog_->value();
    dialog_->setValue(shown_value);
    if (!moves && dialog_->isVisible()) QCoreApplication::processEvents();
    shown_ = shown_ || dialog_->isVisible();
    return dialog_->wasCanceled();
}

void File_progress::set_minimum_duration(int ms) {
    minimum_duration_ms = ms;
}

int File_progress::minimum_duration() {
    return minimum_duration_ms;
}
