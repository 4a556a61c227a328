// The trace facility. Lines go to a sink that defaults to discarding them.
#include "Lib_trace.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

#include "Lib_text.h"

namespace {
Trace_route current_route;
}

Trace_route set_trace_sink(Trace_sink sink, void* context) {
    const Trace_route previous = current_route;
    current_route.sink = sink;
    current_route.context = context;
    return previous;
}

void trace(const char* format, ...) {
    if (format == nullptr || current_route.sink == nullptr) return;
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    const int length = vformat_c(nullptr, 0, format, args);
    va_end(args);
    if (length >= 0) {
        std::vector<char> line(static_cast<size_t>(length) + 1);
        vformat_c(line.data(), line.size(), format, again);
        current_route.sink(line.data(), current_route.context);
    }
    va_end(again);
}

Trace_capture::Trace_capture() {
    previous_ = set_trace_sink(&Trace_capture::collect, this);
}

Trace_capture::~Trace_capture() {
    set_trace_sink(previous_.sink, previous_.context);
}

void Trace_capture::collect(const char* text, void* context) {
    auto* self = static_cast<Trace_capture*>(context);
    self->lines_ += text;
    self->lines_ += '\n';
}
