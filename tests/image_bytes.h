// Helpers for tests that compare image bytes: hex text in, hex text out.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "Eeprom_configurer.h"

// "C4 82 3F" -> bytes.
inline std::vector<uint8_t> hex_bytes(const std::string& hex) {
    std::vector<uint8_t> bytes;
    unsigned value = 0;
    int digits = 0;
    for (char c : hex) {
        int d = -1;
        if (c >= '0' && c <= '9') d = c - '0';
        if (c >= 'a' && c <= 'f') d = c - 'a' + 10;
        if (c >= 'A' && c <= 'F') d = c - 'A' + 10;
        if (d < 0) continue;
        value = value * 16 + static_cast<unsigned>(d);
        if (++digits == 2) {
            bytes.push_back(static_cast<uint8_t>(value));
            value = 0;
            digits = 0;
        }
    }
    return bytes;
}

// The image's first n bytes as "C4 82 3F".
inline std::string image_hex(const Teeprom_configurer& image, int from, int n) {
    std::string out;
    char piece[4];
    for (int i = from; i < from + n; ++i) {
        std::snprintf(piece, sizeof piece, "%02X", image.get_byte(static_cast<uint8_t>(i)));
        if (!out.empty()) out += ' ';
        out += piece;
    }
    return out;
}

inline std::string image_hex(const Teeprom_configurer& image) {
    return image_hex(image, 0, image.cursor());
}

// An image holding the given bytes from position 0, with the cursor behind them.
inline Teeprom_configurer image_of(const std::string& hex) {
    Teeprom_configurer image;
    for (uint8_t b : hex_bytes(hex))
        image.add_byte(b);
    return image;
}
