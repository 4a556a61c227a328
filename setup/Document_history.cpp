// The document's history: steps done and undone, the bounds on how many are kept, and the saved state.
#include "Document_history.h"

#include <algorithm>
#include <utility>

Document_history::Document_history(Tsetup& setup, size_t max_steps, size_t max_bytes)
    : setup_(setup), max_steps_(std::max<size_t>(max_steps, 1)), max_bytes_(max_bytes) {}

bool Document_history::push(std::unique_ptr<Document_command> command) {
    if (!command || !command->apply(setup_)) return false;
    while (steps_.size() > index_) {
        bytes_ -= steps_.back()->bytes();
        steps_.pop_back();
        serials_.pop_back();
    }
    if (clean_ != NO_CLEAN && clean_ > index_) clean_ = NO_CLEAN; // saved among the steps dropped
    bytes_ += command->bytes();
    touched_.push_back({next_serial_, command->name(), false, false, true});
    steps_.push_back(std::move(command));
    serials_.push_back(next_serial_++);
    ++index_;
    // The newest step stays whatever it holds.
    while (steps_.size() > max_steps_ || (bytes_ > max_bytes_ && steps_.size() > 1))
        drop_oldest();
    return true;
}

void Document_history::drop_oldest() {
    bytes_ -= steps_.front()->bytes();
    steps_.pop_front();
    serials_.pop_front();
    // The state before the dropped step can no longer be reached.
    if (clean_ != NO_CLEAN) clean_ = clean_ == 0 ? NO_CLEAN : clean_ - 1;
    if (index_ > 0) --index_;
}

bool Document_history::undo() {
    if (!can_undo() || !steps_[index_ - 1]->revert(setup_)) return false;
    --index_;
    touch(index_, false);
    return true;
}

bool Document_history::redo() {
    if (!can_redo() || !steps_[index_]->apply(setup_)) return false;
    touch(index_, true);
    ++index_;
    return true;
}

bool Document_history::move_to(size_t index) {
    if (index > steps_.size()) return false;
    while (index_ > index)
        if (!undo()) return false;
    while (index_ < index)
        if (!redo()) return false;
    return true;
}

std::vector<std::string> Document_history::names() const {
    std::vector<std::string> out;
    out.reserve(steps_.size());
    for (const auto& step : steps_)
        out.push_back(step->name());
    return out;
}

std::string Document_history::name(size_t step) const {
    return step < steps_.size() ? steps_[step]->name() : std::string();
}

void Document_history::touch(size_t step, bool done) {
    const uint64_t serial = serials_[step];
    for (size_t i = 0; i < touched_.size(); ++i) {
        Touched& t = touched_[i];
        if (t.serial != serial) continue;
        t.done = done;
        // A saved step back as it was saved changed nothing.
        if (t.existed_at_save && t.done == t.done_at_save)
            touched_.erase(touched_.begin() + static_cast<long>(i));
        return;
    }
    touched_.push_back({serial, steps_[step]->name(), true, !done, done});
}

std::vector<std::string> Document_history::changes_since_save() const {
    std::vector<std::string> out;
    out.reserve(touched_.size());
    for (const Touched& t : touched_)
        out.push_back(t.done ? t.name : t.name + " (undone)");
    return out;
}

void Document_history::set_clean() {
    clean_ = index_;
    touched_.clear();
}

void Document_history::clear() {
    touched_.clear();
    serials_.clear();
    steps_.clear();
    index_ = 0;
    clean_ = 0;
    bytes_ = 0;
}
