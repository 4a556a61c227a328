// What the configuration readers share: the notes they make where they decide silently, and names told
// apart quickly.
#pragma once

#include <cstring>
#include <string>

#include "Lib_xml.h"
#include "Reading_context.h"

namespace reader {

std::string number_text(long long value);
std::string real_text(double value);

// The attribute's raw text as a lookup by name finds it (the first of that name), or null.
inline const char* raw_of(Xml_element element, const char* name) {
    return xml_raw_attribute(element, name);
}

Reading_note note_of(Note_kind kind, const char* element, const char* attribute = "");

// An integer attribute that was present but no clean number: what the reader took instead.
void note_unclean(Reading_context& context, Xml_element element, const char* attribute, const char* raw,
                  const std::string& used, const char* sequence = "");

// A number wider than the field that keeps it: the field keeps its low bits.
void note_masked(Reading_context& context, Xml_element element, const char* attribute, const std::string& raw,
                 const std::string& range, const std::string& used, const char* sequence = "");

// Whether name, of the given length, is the table's name: most names of a table differ in their length,
// first or last letter, so few are compared in full (many share long beginnings like "ACQ_" or "SMS_").
struct Known_name {
    const char* text;
    size_t length;
    constexpr Known_name(const char* t) : text(t), length(std::char_traits<char>::length(t)) {}
    bool is(const char* name, size_t name_length) const {
        return length == name_length && text[0] == name[0] && text[length - 1] == name[length - 1] &&
               std::memcmp(text, name, length) == 0;
    }
};

} // namespace reader
