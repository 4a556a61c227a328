// Progress of long reading and writing: the loops over a file's bytes and a document's stations tell a
// listener how far they are, now and then, and the listener may ask them to stop.
#pragma once

#include <cstdint>

enum class Progress_phase {
    READING_FILE,     // the file's bytes: done and total in bytes
    PARSING,          // the XML parse, in one piece: 0 of 1 before it, 1 of 1 after it
    READING_STATIONS, // the stations taken into the document: done and total in stations
    WRITING_STATIONS, // the stations written: done and total in stations
    WRITING_TO_DISK,  // the written file flushed to the disk: 0 of 1 before it
};

// Told how far a phase has come; answers true to ask that the work stop. A reader that stops keeps
// nothing of what it read; a save that stops leaves the old file as it was and no temporary file.
class Progress_sink {
  public:
    virtual ~Progress_sink() = default;
    virtual bool progress(Progress_phase phase, uint64_t done, uint64_t total) = 0;
};

// Read and write outcomes beside 0 (done) and 1 (failed): the sink asked to stop, and nothing changed.
constexpr int FILE_CANCELLED = 2;

// One phase's reports from a loop: the sink hears the phase's start, then about every `step` units, then
// its end; without a sink each step costs one test of a pointer. Once the sink asked to stop, stopped()
// stays true and the sink hears nothing more.
class Progress_meter {
  public:
    Progress_meter(Progress_sink* sink, Progress_phase phase, uint64_t total, uint64_t step)
        : sink_(sink), phase_(phase), total_(total), step_(step > 0 ? step : 1), next_(step_) {
        if (sink_ != nullptr) tell(0);
    }
    // done units of total are behind; true when the sink asked to stop.
    bool at(uint64_t done) {
        if (sink_ == nullptr || done < next_) return stopped_;
        next_ = done + step_;
        return tell(done);
    }
    // The phase is complete: the sink hears done == total, unless it heard it last.
    bool finish() { return sink_ != nullptr && told_ != total_ ? tell(total_) : stopped_; }
    bool stopped() const { return stopped_; }

  private:
    bool tell(uint64_t done) {
        told_ = done;
        if (!stopped_ && sink_->progress(phase_, done, total_)) stopped_ = true;
        return stopped_;
    }

    Progress_sink* sink_;
    Progress_phase phase_;
    uint64_t total_;
    uint64_t step_;
    uint64_t next_;
    uint64_t told_ = 0;
    bool stopped_ = false;
};
