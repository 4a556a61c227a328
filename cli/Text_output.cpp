// Every byte of a station's texts is one character: bytes from 0x80 become two bytes of UTF-8.
#include "Text_output.h"

std::string utf8_of(const std::string& latin1) {
    std::string out;
    out.reserve(latin1.size());
    for (const char ch : latin1) {
        const unsigned char c = static_cast<unsigned char>(ch);
        if (c < 0x80) {
            out += ch;
        } else {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::string latin1_of(const std::string& typed) {
    std::string out;
    out.reserve(typed.size());
    for (size_t i = 0; i < typed.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(typed[i]);
        if (c < 0x80) {
            out += typed[i];
            continue;
        }
        // Two bytes C2 or C3 and a continuation byte: a character from 0x80 to 0xFF.
        const unsigned char next = i + 1 < typed.size() ? static_cast<unsigned char>(typed[i + 1]) : 0;
        if ((c != 0xC2 && c != 0xC3) || (next & 0xC0) != 0x80) return typed;
        out += static_cast<char>(((c & 0x03) << 6) | (next & 0x3F));
        ++i;
    }
    return out;
}
