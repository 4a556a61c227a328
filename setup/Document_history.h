// The document's history: every change of a setup document is one command that knows how to do and undo
// itself and what it is called; the history holds the steps done and undone, and where the document was
// saved.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "Setup.h"

// What a step did to the document's stations, by position, so that a view of them can follow the step
// without reading every station again. Read in this order: the stations at removed (their positions before
// the step) are gone; then new records stand at inserted (their positions after the step); then the records
// at changed (positions after the step, none of them inserted) hold new values. Every other station is the
// same record as before (the same Tstation, the same values), moved only by the removals and inserts. Each
// list is ascending, without repeats. everything: the step says no more than that anything may have
// changed (an order of the whole list, say); read every station again.
struct Document_change {
    bool everything = false;
    std::vector<int> removed, inserted, changed;

    static Document_change all() {
        Document_change c;
        c.everything = true;
        return c;
    }
    // No station was touched (a data path, a COM port).
    bool none() const { return !everything && removed.empty() && inserted.empty() && changed.empty(); }
    // This change followed by next, as one change: what a move over several steps of the history did.
    void then(const Document_change& next);
};

// One change of a setup document.
//
// Stations and COM ports are named by their position in their list. undo and redo destroy records and
// create new ones, so a command must never keep a Tstation* or a Tcomport* (nor a list node) across undo
// and redo: it keeps positions and copies of the records, and looks the record up at each apply and
// revert.
class Document_command {
  public:
    virtual ~Document_command() = default;
    Document_command(const Document_command&) = delete;
    Document_command& operator=(const Document_command&) = delete;

    // What the step did, for the History list and the Edit menu ("Delete 3 stations (101, 102, 203)").
    const std::string& name() const { return name_; }

    // Makes the change on the document as it was when the command was made (or as revert left it).
    // False, with the document unchanged, when it is not that document (a position past the end of a
    // list) or memory is short.
    virtual bool apply(Tsetup& setup) = 0;
    // Takes the change back: the document is again what it was before apply, in everything Save writes.
    // False, with the document unchanged, on the same grounds as apply.
    virtual bool revert(Tsetup& setup) = 0;
    // The memory the step holds: the command itself, its copies of records, positions and texts. Does
    // not change once the command is made.
    virtual size_t bytes() const = 0;
    // What apply and revert do to the stations. Unless a command says more, anything may have changed.
    virtual Document_change applied() const { return Document_change::all(); }
    virtual Document_change reverted() const { return Document_change::all(); }

  protected:
    explicit Document_command(std::string name) : name_(std::move(name)) {}

  private:
    std::string name_;
};

// The steps done (below the index) and undone (from the index on), oldest first.
//
// Bounds: at most max_steps steps (100 unless told), and the oldest steps are dropped while all of them
// together hold more than max_bytes (64 MB unless told). The newest step is always kept, even one larger
// than max_bytes on its own (a delete of 100,000 stations holds about 62 MB): it is then the only step.
// A step holds copies of what it changed, so an edit costs about 1.3 kB and a delete about 650 bytes per
// station; 100 edits take well under the bound.
class Document_history {
  public:
    static constexpr size_t STEPS_KEPT = 100;
    static constexpr size_t BYTES_KEPT = size_t{64} << 20;

    // The history of this document, which must outlive it. Starts empty and clean.
    explicit Document_history(Tsetup& setup, size_t max_steps = STEPS_KEPT, size_t max_bytes = BYTES_KEPT);

    // Each of these tells, when change is given, what it did to the stations (none() when it did nothing).
    //
    // Applies the command and makes it the newest step; the steps that were undone are dropped, and with
    // them a clean state among them. False, with nothing changed (the undone steps stay), for no command
    // or one whose apply failed.
    bool push(std::unique_ptr<Document_command> command, Document_change* change = nullptr);
    // Reverts the newest step done / applies the oldest step undone. False, with nothing changed, when
    // there is none or its revert or apply failed.
    bool undo(Document_change* change = nullptr);
    bool redo(Document_change* change = nullptr);
    // Undoes or redoes until index() is this one (for a click in the History list); stops at a step that
    // fails. False when the index is past the steps or a step failed; change then tells what the steps
    // taken before it did.
    bool move_to(size_t index, Document_change* change = nullptr);

    bool can_undo() const { return index_ > 0; }
    bool can_redo() const { return index_ < steps_.size(); }
    // How many steps are held, and how many of them are done: the document is as the step index - 1
    // left it, or as it was before every step held when index() is 0.
    size_t size() const { return steps_.size(); }
    size_t index() const { return index_; }
    // The names of the steps held, oldest first; the step's name, empty for one past the end.
    std::vector<std::string> names() const;
    std::string name(size_t step) const;
    // What Undo and Redo would do; empty when there is nothing to undo or redo.
    std::string undo_name() const { return can_undo() ? name(index_ - 1) : std::string(); }
    std::string redo_name() const { return can_redo() ? name(index_) : std::string(); }

    // The document as it is now is the one saved. Undoing or redoing back to this state makes the
    // history clean again; once the state is dropped (by the bounds, or by a push after undoing past it)
    // nothing makes it clean until the next set_clean.
    void set_clean();
    bool is_clean() const { return clean_ == index_; }
    // The index() at which the document is the one saved; false when that state was dropped.
    bool clean_index(size_t* index) const {
        if (clean_ == NO_CLEAN) return false;
        *index = clean_;
        return true;
    }

    // Drops every step; the document as it is now counts as saved (New and Open).
    void clear();

    // What changed since the document was last saved (or opened), for the note kept with the version a
    // save replaces: the names of the steps done since, oldest first, and of steps undone since, marked
    // " (undone)". A step undone and redone again, or done and undone around nothing saved, counts once
    // as it ends; a step that was saved and is again as it was then is not named.
    std::vector<std::string> changes_since_save() const;

    // The memory the steps hold together, as their commands report it.
    size_t bytes() const { return bytes_; }
    size_t max_steps() const { return max_steps_; }
    size_t max_bytes() const { return max_bytes_; }

  private:
    static constexpr size_t NO_CLEAN = static_cast<size_t>(-1);
    void drop_oldest();

    Tsetup& setup_;
    size_t max_steps_;
    size_t max_bytes_;
    std::deque<std::unique_ptr<Document_command>> steps_;
    std::deque<uint64_t> serials_; // each step's number, which no later step takes
    uint64_t next_serial_ = 1;
    // The steps done, undone or redone since the last save, in the order first touched.
    struct Touched {
        uint64_t serial;
        std::string name;
        bool existed_at_save; // and was then done or undone as done_at_save says
        bool done_at_save;
        bool done;
    };
    std::vector<Touched> touched_;
    void touch(size_t step, bool done);
    size_t index_ = 0;
    size_t clean_ = 0;
    size_t bytes_ = 0;
};
