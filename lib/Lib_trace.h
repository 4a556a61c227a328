// The trace facility: printf-like lines handed to one replaceable sink (the windows discard them).
#pragma once

#include <string>

using Trace_sink = void (*)(const char* text, void* context);

// Formats one line and hands it to the current sink.
void trace(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

// Replaces the sink; a null sink discards every line. Returns the previous one so callers can restore it.
struct Trace_route {
    Trace_sink sink = nullptr;
    void* context = nullptr;
};
Trace_route set_trace_sink(Trace_sink sink, void* context);

// Collects trace lines while it lives (for tools and tests), restoring the previous sink afterwards.
class Trace_capture {
  public:
    Trace_capture();
    ~Trace_capture();
    Trace_capture(const Trace_capture&) = delete;
    Trace_capture& operator=(const Trace_capture&) = delete;
    const std::string& text() const { return lines_; } // every line, each followed by '\n'
    void clear() { lines_.clear(); }

  private:
    static void collect(const char* text, void* context);
    std::string lines_;
    Trace_route previous_;
};
