// The notes the configuration readers make.
#include "Reader_notes.h"

#include "Lib_text.h"

namespace reader {

std::string number_text(long long value) {
    return std::to_string(value);
}

std::string real_text(double value) {
    char text[64];
    format_c(text, sizeof text, "%g", value);
    return text;
}

Reading_note note_of(Note_kind kind, const char* element, const char* attribute) {
    Reading_note n;
    n.kind = kind;
    n.element = element != nullptr ? element : "";
    n.attribute = attribute != nullptr ? attribute : "";
    return n;
}

void note_unclean(Reading_context& context, Xml_element element, const char* attribute, const char* raw,
                  const std::string& used, const char* sequence) {
    Reading_note n = note_of(Note_kind::NUMBER_NOT_CLEAN, xml_element_name(element), attribute);
    xml_note_raw(n, raw);
    n.used = used;
    n.sequence = sequence;
    context.note(std::move(n));
}

void note_masked(Reading_context& context, Xml_element element, const char* attribute, const std::string& raw,
                 const std::string& range, const std::string& used, const char* sequence) {
    Reading_note n = note_of(Note_kind::VALUE_MASKED, xml_element_name(element), attribute);
    n.raw = raw;
    n.range = range;
    n.used = used;
    n.sequence = sequence;
    context.note(std::move(n));
}

} // namespace reader
