// The main window's side of sharing a setup file: the file changed on disk, the lock, versions, and the
// redacted copy for support.
#include <QEvent>
#include <QFileInfo>
#include <QInputDialog>
#include <QStatusBar>
#include <ctime>

#include "Disk_bar.h"
#include "Disk_watch.h"
#include "Document_commands.h"
#include "File_dialogs.h"
#include "File_lock.h"
#include "File_progress.h"
#include "Lib_text.h"
#include "Message_box.h"
#include "Preferences.h"
#include "Reading_report.h"
#include "Station_redact.h"
#include "Text_bridge.h"
#include "Versions.h"
#include "Wmain.h"
#include "Wversions.h"

namespace {

QString file_name_only(const std::string& path) {
    return QFileInfo(file_text(path)).fileName();
}

} // namespace

void TFmain::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) check_disk();
}

void TFmain::check_disk() {
    if (!has_file()) return;
    File_identity now;
    const Disk_state state = disk_->state(&now);
    if (state == Disk_state::same) {
        disk_->first_notice(state, now);
        if (disk_bar_->isVisible() && disk_bar_->kind() == Disk_bar::Kind::MISSING) disk_bar_->hide();
        return;
    }
    if (!disk_->first_notice(state, now)) return;
    disk_bar_->show_for(state == Disk_state::missing ? Disk_bar::Kind::MISSING : Disk_bar::Kind::CHANGED,
                        file_name_only(file_name_));
}

bool TFmain::disk_allows_save() {
    File_identity now;
    if (disk_->state(&now) != Disk_state::changed) return true; // the same, or gone: Save writes it
    const QString name = file_name_only(file_name_);
    const int choice = Message_box::choose(
        this, "Save",
        QString("%1 was changed on disk since you opened it. Saving replaces those changes.").arg(name),
        {"Co&mpare...", "Save &As...", "&Replace", "Cancel"}, 3);
    switch (choice) {
    case 0: {
        Tsetup other;
        std::string reason;
        if (other.read_file(file_name_.c_str(), &reason) != 0) {
            Message_box::warn(this, "Compare",
                              QString("The file on disk could not be read: %1.").arg(to_qstring(reason)));
            return false;
        }
        commit_edits(true);
        show_comparison_with(other, "Compare with the File on Disk", "on disk", "the file on disk");
        return false;
    }
    case 1:
        SaveAs1Click();
        return false;
    case 2:
        return true; // the file replaced is kept as a version
    default:
        return false;
    }
}

bool TFmain::ask_lock(const std::string& path, bool* read_only, bool* take_over) {
    *read_only = false;
    *take_over = false;
    if (!Preferences::lock_files()) return true;
    const Lock_state lock = inspect_lock(path, std::time(nullptr));
    if (lock.status == Lock_status::STALE) {
        *take_over = true;
        tell(QString("Took over the lock of %1: %2.")
                 .arg(lock.holder.host.empty() ? QString("an earlier editor")
                                               : to_qstring(holder_text(lock.holder)),
                      to_qstring(lock.reason)),
             20000);
        return true;
    }
    if (lock.status != Lock_status::HELD) return true;
    const int choice = Message_box::choose(
        this, "Open",
        QString("%1 is open in another editor: %2.\n\nOpen it read-only to look without saving over it, or "
                "open it anyway if you are sure nobody edits it.")
            .arg(file_name_only(path), to_qstring(holder_text(lock.holder))),
        {"Open &Read-Only", "Open &Anyway", "Cancel"}, 0);
    if (choice == 0) *read_only = true;
    if (choice == 1) *take_over = true;
    return choice == 0 || choice == 1;
}

void TFmain::own_file(const std::string& path, bool take_over) {
    disk_bar_->hide();
    disk_->remember(path);
    if (path.empty() || read_only_ || !Preferences::lock_files())
        disk_->release_lock();
    else
        disk_->hold_lock(path, take_over);
}

void TFmain::set_read_only(bool on) {
    read_only_ = on;
    update_title();
    update_modified();
}

void TFmain::reload_from_disk() {
    if (!has_file()) return;
    if (is_modified() &&
        Message_box::confirm(this, "Reload",
                             "Reloading replaces the document with the file on disk: your changes since the "
                             "last save are lost (the History cannot bring them back).",
                             "&Reload", "Cancel") != Answer::OK)
        return;
    const std::string path = file_name_;
    shown_edits_ = edit_texts(); // the fields' unsaved text goes with the document
    history_.set_clean();
    open_file(path);
}

bool TFmain::read_version(int index, Tsetup& into) {
    if (versions_window_ == nullptr || index < 0 ||
        static_cast<size_t>(index) >= versions_window_->versions().size())
        return false;
    const std::string& file = versions_window_->versions()[static_cast<size_t>(index)].file;
    std::string reason;
    int result;
    {
        File_progress progress(this, File_progress::Work::OPEN, file_name_only(file));
        result = into.read_file(file.c_str(), &reason, nullptr, &progress);
    }
    if (result == FILE_CANCELLED) return false;
    if (result != 0) {
        Message_box::warn(
            this, "Versions",
            QString("The version \"%1\" could not be read: %2.").arg(file_text(file), to_qstring(reason)));
        return false;
    }
    return true;
}

void TFmain::Versions1Click() {
    if (!has_file()) {
        Message_box::inform(this, "Versions",
                            "This document has no file yet: versions are kept from its second save on.");
        return;
    }
    if (versions_window_ == nullptr) {
        versions_window_ = new TFversions(this);
        connect(versions_window_, &TFversions::compare_wanted, this, [this](int index) {
            Tsetup other;
            if (!read_version(index, other)) return;
            commit_edits(true);
            const QString when =
                versions_window_->versions()[static_cast<size_t>(index)].note.label.empty()
                    ? file_name_only(versions_window_->versions()[static_cast<size_t>(index)].file)
                    : to_qstring(versions_window_->versions()[static_cast<size_t>(index)].note.label);
            show_comparison_with(other, "Compare with Version", when, "the version " + when);
        });
        connect(versions_window_, &TFversions::open_wanted, this, [this](int index) {
            Tsetup other;
            if (!read_version(index, other) || !maybe_save()) return;
            auto step = replace_document_command(setup_, other, "Open version");
            if (!step || !step->apply(setup_)) {
                Message_box::warn(this, "Versions", "The version could not be opened: memory is short.");
                return;
            }
            // A new, untitled document: Save asks for a name, so the file itself is never replaced unawares.
            set_read_only(false);
            set_file_name("");
            own_file("", false);
            set_problems(Reading_collector());
            refresh(false);
            mark_unchanged();
            history_.set_clean();
            tell("The version is open as a new document: Save asks for a name.");
            versions_window_->close();
        });
        connect(versions_window_, &TFversions::restore_wanted, this, [this](int index) {
            Tsetup other;
            if (!read_version(index, other)) return;
            commit_edits(false);
            const Version_entry& v = versions_window_->versions()[static_cast<size_t>(index)];
            const QString name = file_name_only(v.file);
            if (!push(replace_document_command(setup_, other, "Restore " + to_latin1(name)))) return;
            refresh(false);
            shown_edits_ = edit_texts();
            update_history_actions();
            tell(QString("Restored %1 - Save writes it, %2 takes it back").arg(name, "Undo"), 20000);
        });
    }
    versions_window_->show_versions(file_name_);
    versions_window_->show();
    versions_window_->raise();
    versions_window_->activateWindow();
}

void TFmain::SaveWithLabel1Click() {
    if (!has_file() || read_only_) {
        SaveAs1Click();
        return;
    }
    bool ok = false;
    const QString label =
        QInputDialog::getText(this, "Save with Label",
                              "&Label for this version (kept with the file it replaces):", QLineEdit::Normal,
                              QString(), &ok)
            .simplified();
    if (!ok) return;
    if (!disk_allows_save()) return;
    if (save_to(file_name_, label.toUtf8().toStdString())) {
        own_file(file_name_, false);
        history_.set_clean();
        update_history_actions();
    }
}

void TFmain::SaveRedacted1Click() {
    const QString chosen = File_dialogs::save_file(
        this, has_file() ? QFileInfo(file_text(file_name_)).absolutePath() + "/" +
                               QFileInfo(file_text(file_name_)).completeBaseName() + "-redacted.xml"
                         : QString("setup-redacted.xml"));
    if (chosen.isEmpty()) return;
    const std::string path = file_bytes(chosen);
    if (has_file() &&
        QFileInfo(chosen).canonicalFilePath() == QFileInfo(file_text(file_name_)).canonicalFilePath() &&
        QFileInfo::exists(chosen)) {
        Message_box::warn(this, "Save Redacted Copy",
                          "The redacted copy needs a file of its own: this one holds the fleet's numbers.");
        return;
    }
    commit_edits(true);
    Tsetup copy;
    auto step = replace_document_command(copy, setup_, "copy");
    if (!step || !step->apply(copy)) {
        Message_box::warn(this, "Save Redacted Copy", "The copy could not be made: memory is short.");
        return;
    }
    Redactor redactor(Message_box::confirm(this, "Save Redacted Copy",
                                           "Replace the descriptions too? They may name places or people.",
                                           "Replace &Descriptions", "&Keep Descriptions") == Answer::OK);
    redactor.redact(copy);
    std::string reason;
    if (copy.write_file(path.c_str(), &reason) != 0) {
        Message_box::warn(this, "Save Redacted Copy",
                          QString("\"%1\" could not be written: %2.").arg(chosen, to_qstring(reason)));
        return;
    }
    const Redaction_count& c = redactor.count();
    tell(QString("Saved %1 with %2 phone numbers, %3 PINs and %4 SMS numbers replaced")
             .arg(QFileInfo(chosen).fileName())
             .arg(c.phone_numbers)
             .arg(c.pins)
             .arg(c.sms_numbers),
         20000);
}
