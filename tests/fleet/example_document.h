// The example setup file read quietly, and a document as Save writes it: what the fleet's tests compare.
#pragma once

#include <gtest/gtest.h>
#include <string>

#include "Lib_output.h"
#include "Lib_trace.h"
#include "Setup.h"

inline const std::string example = VEMORA_EXAMPLES "/setup.xml";

inline void read_example(Tsetup& setup) {
    Trace_capture quiet;
    ASSERT_EQ(setup.read_file(example.c_str()), 0);
}

inline std::string written(Tsetup& setup) {
    std::string text;
    Text_out out(&text);
    setup.write(&out);
    return text;
}
