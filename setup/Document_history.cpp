// The document's history: steps done and undone, the bounds on how many are kept, and the saved state.
#include "Document_history.h"

#include <algorithm>
#include <iterator>
#include <utility>

Document_history::Document_history(Tsetup& setup, size_t max_steps, size_t max_bytes)
    : setup_(setup), max_steps_(std::max<size_t>(max_steps, 1)), max_bytes_(max_bytes) {}

namespace {

// How many of the ascending positions are below p.
int below(const std::vector<int>& positions, int p) {
    return static_cast<int>(std::lower_bound(positions.begin(), positions.end(), p) - positions.begin());
}

bool holds(const std::vector<int>& positions, int p) {
    return std::binary_search(positions.begin(), positions.end(), p);
}

// The k-th position (from 0) that is not in taken, for ascending k: one pass over taken for all of them.
class Nth_free {
  public:
    explicit Nth_free(const std::vector<int>& taken) : taken_(taken) {}
    int operator()(int k) {
        int p = k + static_cast<int>(next_);
        while (next_ < taken_.size() && taken_[next_] <= p) {
            ++next_;
            ++p;
        }
        return p;
    }

  private:
    const std::vector<int>& taken_;
    size_t next_ = 0;
};

// Where the stations at these positions before the change stand after it (ascending, none removed).
std::vector<int> forward(const Document_change& c, const std::vector<int>& positions) {
    std::vector<int> out;
    out.reserve(positions.size());
    Nth_free slot(c.inserted);
    for (int p : positions)
        out.push_back(slot(p - below(c.removed, p)));
    return out;
}

std::vector<int> merged(const std::vector<int>& a, const std::vector<int>& b) {
    std::vector<int> out;
    out.reserve(a.size() + b.size());
    std::set_union(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(out));
    return out;
}

} // namespace

void Document_change::then(const Document_change& next) {
    if (everything) return;
    if (next.everything) {
        *this = all();
        return;
    }
    // The records next removes: one this change inserted never was; any other is traced back to its
    // position before this change.
    std::vector<int> gone;
    Nth_free before(removed);
    for (int q : next.removed)
        if (!holds(inserted, q)) gone.push_back(before(q - below(inserted, q)));
    // What this change inserted or changed and next kept, where next leaves it.
    std::vector<int> kept_inserted, kept_changed;
    for (int q : inserted)
        if (!holds(next.removed, q)) kept_inserted.push_back(q);
    for (int q : changed)
        if (!holds(next.removed, q)) kept_changed.push_back(q);
    removed = merged(removed, gone);
    inserted = merged(forward(next, kept_inserted), next.inserted);
    std::vector<int> all_changed = merged(forward(next, kept_changed), next.changed);
    changed.clear();
    std::set_difference(all_changed.begin(), all_changed.end(), inserted.begin(), inserted.end(),
                        std::back_inserter(changed));
}

bool Document_history::push(std::unique_ptr<Document_command> command, Document_change* change) {
    if (!command || !command->apply(setup_)) return false;
    if (change != nullptr) *change = command->applied();
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

bool Document_history::undo(Document_change* change) {
    if (!can_undo() || !steps_[index_ - 1]->revert(setup_)) return false;
    --index_;
    touch(index_, false);
    if (change != nullptr) *change = steps_[index_]->reverted();
    return true;
}

bool Document_history::redo(Document_change* change) {
    if (!can_redo() || !steps_[index_]->apply(setup_)) return false;
    touch(index_, true);
    if (change != nullptr) *change = steps_[index_]->applied();
    ++index_;
    return true;
}

bool Document_history::move_to(size_t index, Document_change* change) {
    if (change != nullptr) *change = Document_change();
    if (index > steps_.size()) return false;
    Document_change step;
    while (index_ != index) {
        if (!(index_ > index ? undo(&step) : redo(&step))) return false;
        if (change != nullptr) change->then(step);
    }
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
