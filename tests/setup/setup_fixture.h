// Helpers for setup-file tests: write a document to text, read a text into a document.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "Setup.h"
#include "temp_dir.h"

inline std::string written(Tsetup& setup) {
    std::string text;
    Text_out out(&text);
    setup.write(&out);
    return text;
}

inline int read_text(Tsetup& setup, const std::string& xml, std::string* reason = nullptr) {
    Temp_dir dir;
    return setup.read_file(dir.write("setup.xml", xml).c_str(), reason);
}

inline std::vector<Tstation*> stations_of(Tsetup& setup) {
    std::vector<Tstation*> out;
    for_each_item<Tstation>(setup.stations.list, [&](Tstation& s) { out.push_back(&s); });
    return out;
}

inline std::vector<Tcomport*> comports_of(Tsetup& setup) {
    std::vector<Tcomport*> out;
    for_each_item<Tcomport>(setup.comports.list, [&](Tcomport& c) { out.push_back(&c); });
    return out;
}

// The image's bytes up to and including its first end marker, as "08 01 00 FF".
inline std::string image_hex_prefix(const Teeprom_configurer& image) {
    std::string out;
    char piece[4];
    for (int i = 0; i < IMAGE_SIZE; ++i) {
        std::snprintf(piece, sizeof piece, "%02X", image.get_byte(static_cast<uint8_t>(i)));
        if (!out.empty()) out += ' ';
        out += piece;
        if (image.get_byte(static_cast<uint8_t>(i)) == 0xFF) break;
    }
    return out;
}

inline Tstation* new_station(int32_t id, const char* description = "") {
    auto* s = new Tstation;
    s->id = id;
    copy_text(s->description, description, sizeof s->description);
    return s;
}
