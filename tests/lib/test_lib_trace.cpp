// The trace facility: formatting and the replaceable sink.
#include <gtest/gtest.h>

#include "Lib_trace.h"

TEST(Trace, FormatsLinesAndHandsThemToTheSink) {
    Trace_capture capture;
    trace("ERROR : unable to read \"%s\" file correctly", "a.xml");
    trace("%d %u %x %X %5.2f %c %%", -3, 7u, 255, 255, 1.5, 'z');
    EXPECT_EQ(capture.text(), "ERROR : unable to read \"a.xml\" file correctly\n-3 7 ff FF  1.50 z %\n");
}

TEST(Trace, LongLinesAreNotCut) {
    Trace_capture capture;
    const std::string long_text(10000, 'q');
    trace("%s", long_text.c_str());
    EXPECT_EQ(capture.text(), long_text + "\n");
}

TEST(Trace, NoSinkDiscardsAndCapturesNestAndRestore) {
    trace("nobody listens %d", 1);
    Trace_capture outer;
    {
        Trace_capture inner;
        trace("inner");
        EXPECT_EQ(inner.text(), "inner\n");
    }
    trace("outer");
    EXPECT_EQ(outer.text(), "outer\n");
}
