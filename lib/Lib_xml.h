// XML access helpers: the only module that knows which XML parser reads the setup file.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>

#include <pugixml.hpp>

#include "Lib_progress.h"
#include "Lib_text.h"

// A non-owning reference to an element of a loaded document; an empty reference stands for "none".
using Xml_element = pugi::xml_node;

// Owns one parsed document; element references are valid while the handle lives.
class myXMLdocument {
  public:
    myXMLdocument();
    ~myXMLdocument();
    myXMLdocument(const myXMLdocument&) = delete;
    myXMLdocument& operator=(const myXMLdocument&) = delete;

    // One line saying why the last load failed ("line 3, column 7: ..."), empty after a successful load.
    const std::string& error_text() const { return error_text_; }
    // Whether the last load stopped because its progress sink asked it to.
    bool cancelled() const { return cancelled_; }

    // Files larger than this are refused before anything is read (a quarter of the physical memory).
    static void set_size_limit(unsigned long long bytes);
    static unsigned long long size_limit();
    // The parsed trees of all documents together may take at most this much (half of the physical
    // memory); a file whose tree would need more is refused as "not enough memory".
    static void set_tree_limit(unsigned long long bytes);
    static unsigned long long tree_limit();
    static unsigned long long tree_bytes_in_use();

  private:
    friend bool xml_read_file(const char* path, myXMLdocument* document, Progress_sink* progress);
    friend Xml_element xml_parse_read(myXMLdocument* document, Progress_sink* progress);
    pugi::xml_document document_;
    std::unique_ptr<char[]> buffer_; // the file's bytes; attribute texts point into it
    size_t size_ = 0;
    int fd_ = -1; // the file, kept open from its read to its parse, for the line and column of an error
    std::string error_text_;
    bool cancelled_ = false;
};

// Opens a file for reading without waiting (a named pipe would wait for a writer that may never come) and
// only when it is a regular file; the descriptor then reads as usual. -1 with the reason otherwise.
struct stat;
int xml_open_regular(const char* path, struct stat* info, std::string* error);

// Loads and parses the file; returns the root element, or none with document->error_text() set. progress,
// when given, hears the bytes read (every few megabytes) and the parse's start and end, and may stop the
// load (none is returned, with document->cancelled()).
Xml_element xml_load_file(const char* path, myXMLdocument* document, Progress_sink* progress = nullptr);
// The two halves of xml_load_file: the file's bytes read (false with error_text() or cancelled() set), then
// parsed as one tree.
bool xml_read_file(const char* path, myXMLdocument* document, Progress_sink* progress = nullptr);
Xml_element xml_parse_read(myXMLdocument* document, Progress_sink* progress = nullptr);

Xml_element xml_first_child_element(Xml_element node);
Xml_element xml_next_sibling_element(Xml_element node);
bool xml_element_is(Xml_element element, const char* name);
const char* xml_element_name(Xml_element element);

// The attribute's text with references resolved, or none when the element has no such attribute.
std::optional<std::string> xml_attribute_text(Xml_element element, const char* name);
bool xml_attribute_is(Xml_element element, const char* name, const char* text);

// Reads an attribute converted by kind; true when present and converted cleanly. For VALUE_TEXT the
// buffer is emptied first; for the numeric kinds an absent attribute keeps the caller's preset value.
bool xml_read_attribute(Xml_element element, const char* name, int kind, void* out, int size,
                        const char* trace_label = nullptr);
bool xml_read_attribute_if_named(Xml_element element, const char* element_name, const char* attribute_name,
                                 int kind, void* out, int size, const char* trace_label = nullptr);

// One pass over an element's attributes, for readers that want several of them: each attribute's name
// and its raw text, references not yet resolved. xml_convert_raw and xml_raw_is then treat a raw text as
// xml_read_attribute and xml_attribute_is treat an attribute's.
using Xml_attribute = pugi::xml_attribute;
inline Xml_attribute xml_first_attribute(Xml_element element) {
    return element.first_attribute();
}
inline Xml_attribute xml_next_attribute(Xml_attribute attribute) {
    return attribute.next_attribute();
}
inline const char* xml_attribute_name(Xml_attribute attribute) {
    return attribute.name();
}
inline const char* xml_attribute_raw(Xml_attribute attribute) {
    return attribute.value();
}
bool xml_convert_raw(const char* raw, int kind, void* out, int size);
// The raw text of the element's first attribute of that name, or null when it has none.
const char* xml_raw_attribute(Xml_element element, const char* name);
bool xml_raw_is(const char* raw, const char* text);

// Escapes text for an attribute value into the size-byte area out. Keeps its own bound: it stops once the
// output reaches size - 7, so the rest of a long text is dropped. Always returns 0.
int xml_escape_text(char* out, const char* text, int size);

// Escapes the whole text of a field of field_size bytes (at most field_size - 1 characters), never cut:
// the buffer is sized for six characters a byte.
std::string xml_escape_field(const char* text, size_t field_size);
// The same escaped text appended to out, without a string of its own: runs of plain characters go in whole.
class Text_out;
void xml_put_escaped(Text_out* out, const char* text, size_t field_size);

// Resolves the five entity references and numeric references of a value from 1 to 255 into single bytes;
// every other reference stays as it stands.
// At most max bytes of the result are made: a note quotes the beginning of a text of any length.
std::string xml_resolve_references(const char* text, size_t max = static_cast<size_t>(-1));
// The length of the text xml_resolve_references would give, without making it.
size_t xml_resolved_length(const char* text);

struct Reading_note;
// Puts the beginning of a raw attribute text, resolved, into the note, and the whole text's length.
void xml_note_raw(Reading_note& note, const char* raw);
