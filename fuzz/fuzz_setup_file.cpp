// The setup file's reader and writer: any bytes are read as File > Open reads them, through the XML
// parser from a real file, and saved as File > Save saves them. The saved file must read back, and
// saving what was read back must give the very same bytes: a file our writer wrote normalizes to itself.
#include <cstdint>
#include <string>

#include "Lib_trace.h"
#include "Setup.h"
#include "fuzz_support.h"

namespace {

// Trace lines are formatted and dropped, so that their formatting is exercised too.
void drop_line(const char*, void*) {}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    set_trace_sink(&drop_line, nullptr);
    fuzz_folder();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string folder = fuzz_folder();
    const std::string in = folder + "/in.xml", first = folder + "/first.xml", second = folder + "/second.xml";
    write_bytes(in, data, size);

    Tsetup setup;
    std::string reason;
    if (setup.read_file(in.c_str(), &reason) != 0) {
        FUZZ_CHECK(!reason.empty() && reason.find('\n') == std::string::npos, "reason \"%s\"",
                   reason.c_str());
        return 0;
    }
    FUZZ_CHECK(setup.write_file(first.c_str(), &reason) == 0, "saving what was read failed: %s",
               reason.c_str());

    Tsetup again;
    FUZZ_CHECK(again.read_file(first.c_str(), &reason) == 0, "the saved file cannot be read: %s",
               reason.c_str());
    FUZZ_CHECK(again.write_file(second.c_str(), &reason) == 0, "saving again failed: %s", reason.c_str());

    const std::string a = read_bytes(first), b = read_bytes(second);
    const size_t at = first_difference(a, b);
    FUZZ_CHECK(
        a == b,
        "a saved file does not normalize to itself; at byte %zu the first save has\n%s\nthe second\n%s", at,
        around(a, at).c_str(), around(b, at).c_str());
    return 0;
}
