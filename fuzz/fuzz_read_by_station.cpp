// Reading a station at a time against reading the whole tree: any bytes, read both ways from a real
// file, must give the same outcome and reason, the same document, the same notes and the same trace lines.
// The file is read by stations in blocks of a size taken from the input, so pieces and markup cross the
// blocks' ends everywhere.
#include <cstdint>
#include <string>

#include "Lib_xml_pieces.h"
#include "fuzz_support.h"
#include "read_both_ways.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz_folder();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string in = fuzz_folder() + "/in.xml";
    write_bytes(in, data, size);
    const size_t was = Xml_pieces::block_size();
    Xml_pieces::set_block_size(size > 0 ? 1 + data[0] % 97 : 1);
    const Read_outcome by_stations = read_one_way(in, true);
    Xml_pieces::set_block_size(was);
    const Read_outcome whole = read_one_way(in, false);
    const std::string difference = read_difference(by_stations, whole);
    FUZZ_CHECK(difference.empty(), "read by stations against read whole: %s", difference.c_str());
    return 0;
}
